// The control's window messages: what it handles before the player's own
// window procedure, which sits below it.
#include "FlashHostControl.h"

#include "Exceptions.h"
#include "FlashHostParts.h"
#include "Forms.h"
#include "Menus.h"

namespace {

// The point both coordinates of a keyboard message record carry when the
// control offers it to the player's accelerators.
constexpr LONG AcceleratorPoint = 0x115DE1F1;
constexpr UINT CN_KEYFIRST = CN_BASE + WM_KEYFIRST;
constexpr UINT CN_KEYLAST = CN_BASE + WM_KEYLAST;
// Reflected messages reach the player in its own reflection range.
constexpr UINT PlayerReflectionOffset = CN_BASE - OCM__BASE;

}

void TFlashHostControl::WndProc(TMessage& message)
{
    if (!player_) {
        if (message.Msg == WM_PAINT)
            PaintWithoutPlayer(message);
        else
            TWinControl::WndProc(message);
        return;
    }
    switch (message.Msg) {
    case WM_KEYDOWN:
        if (message.WParam == VK_APPS && !StandartMenu) return;
        break;
    case WM_RBUTTONDOWN:
        if (!StandartMenu) {
            POINT point = MessagePoint(message.LParam);
            MouseDown(mbRight, MouseShiftState(message.WParam), point.x, point.y);
            return;
        }
        break;
    case WM_RBUTTONUP:
        if (!Designing() && PopupMenu()) {
            // Signed: left of or above the primary monitor the screen point is negative.
            POINT point = ClientToScreen(MessagePoint(message.LParam));
            PopupMenu()->SetPopupComponent(this);
            PopupMenu()->Popup(point.x, point.y);
            return;
        }
        break;
    case WM_ERASEBKGND:
        DefaultHandler(message);
        return;
    case CM_PARENTFONTCHANGED:
        if (ParentFont() && playerControl_) {
            playerControl_->OnAmbientPropertyChange(DISPID_AMBIENT_FONT);
            playerControl_->OnAmbientPropertyChange(DISPID_AMBIENT_FORECOLOR);
        }
        break;
    case CM_PARENTCOLORCHANGED:
        if (ParentColor() && playerControl_) playerControl_->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR);
        break;
    case CM_DIALOGKEY:
        if (DialogKey(message)) return;
        break;
    case CM_UIACTIVATE:
        if (TForm* form = GetParentForm(this); !form || form->ActiveOleControl() != this)
            ActivateInPlace(OLEIVERB_UIACTIVATE);
        return;
    case CM_UIDEACTIVATE:
        UIDeactivateRequest();
        return;
    case CM_DOCWINDOWACTIVATE:
        DocWindowActivate(message);
        return;
    }
    if (message.Msg >= CN_KEYFIRST && message.Msg <= CN_KEYLAST && inPlaceActiveObject_) {
        MSG record{Handle(), message.Msg - CN_BASE, message.WParam, message.LParam, static_cast<DWORD>(GetMessageTime()),
                   POINT{AcceleratorPoint, AcceleratorPoint}};
        if (inPlaceActiveObject_->TranslateAccelerator(&record) == S_OK) {
            message.Result = 1;
            return;
        }
    }
    TWinControl::WndProc(message);
}

void TFlashHostControl::DefaultHandler(TMessage& message)
{
    if (!player_ || !HandleAllocated()) {
        TWinControl::DefaultHandler(message);
        return;
    }
    try {
        if (message.Msg == WM_SIZE) {
            // The player learns of its new size by being activated again, in
            // place; moving itself there sends no second WM_SIZE.
            if (placing_) return;
            placing_ = true;
            ActivateInPlace(OLEIVERB_INPLACEACTIVATE);
            placing_ = false;
            return;
        }
        if (message.Msg >= CN_BASE && message.Msg < CN_BASE + 0x400) message.Msg -= PlayerReflectionOffset;
        TWinControl::DefaultHandler(message);
    } catch (const Exception&) {
        placing_ = false;
    }
}

bool TFlashHostControl::PaletteChanged(bool foreground)
{
    if (player_ && foreground && HandleAllocated()) {
        TMessage query{WM_QUERYNEWPALETTE, 0, 0, 0};
        TWinControl::DefaultHandler(query);
        if (query.Result) return true;
    }
    return TWinControl::PaletteChanged(foreground);
}

void TFlashHostControl::PaintWithoutPlayer(TMessage& message)
{
    RECT client = ClientRect();
    auto paint = [&](HDC dc) { FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW)); };
    if (message.WParam) {
        paint(reinterpret_cast<HDC>(message.WParam));
        return;
    }
    PAINTSTRUCT session;
    HDC dc = BeginPaint(Handle(), &session);
    paint(dc);
    EndPaint(Handle(), &session);
}

bool TFlashHostControl::DialogKey(TMessage& message)
{
    if (!playerControl_ || !CanFocus()) return false;
    CONTROLINFO info{};
    info.cb = sizeof(info);
    if (playerControl_->GetControlInfo(&info) != S_OK || info.cAccel == 0) return false;
    MSG key{};
    key.hwnd = Handle();
    key.message = WM_KEYDOWN;
    key.wParam = message.WParam;
    key.lParam = message.LParam;
    if (!IsAccelerator(info.hAccel, info.cAccel, &key, nullptr)) return false;
    playerControl_->OnMnemonic(&key);
    message.Result = 1;
    return true;
}

void TFlashHostControl::UIDeactivateRequest()
{
    TForm* form = GetParentForm(this);
    if (form && form->ActiveOleControl() != this) return;
    if (inPlaceObject_) inPlaceObject_->UIDeactivate();
    if (form && form->ActiveControl() == this) OnUIDeactivate(FALSE);
}

void TFlashHostControl::DocWindowActivate(TMessage& message)
{
    TForm* form = GetParentForm(this);
    if (!form || form->FormStyle() != fsMDIChild) return;
    if (inPlaceActiveObject_) inPlaceActiveObject_->OnDocWindowActivate(message.WParam != 0);
    if (message.WParam == 0) frame_->SetMenu(nullptr, nullptr, nullptr);
}
