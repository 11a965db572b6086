#include "Controls.h"

#include "ActnList.h"
#include "DragDrop.h"
#include "Exceptions.h"
#include "Forms.h"
#include "Menus.h"

#include <windowsx.h>

#include <algorithm>

TControl* TControl::mouseControl_ = nullptr;
TControl* TControl::captureControl_ = nullptr;

TShiftState MouseShiftState(WPARAM keys)
{
    TShiftState shift = 0;
    if (keys & MK_SHIFT) shift |= ssShift;
    if (keys & MK_CONTROL) shift |= ssCtrl;
    if (keys & MK_LBUTTON) shift |= ssLeft;
    if (keys & MK_RBUTTON) shift |= ssRight;
    if (keys & MK_MBUTTON) shift |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

TShiftState KeyboardShiftState()
{
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
    return shift;
}

TControl::TControl(TComponent* owner)
    : TComponent(owner), WindowProc([this](TMessage& message) { WndProc(message); }), font_(std::make_unique<TFont>())
{
    font_->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl()
{
    DragControlDestroyed(this);
    if (mouseControl_ == this) mouseControl_ = nullptr;
    if (captureControl_ == this) SetMouseCapture(false);
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == parent_) return;
    if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

HWND TControl::DrawingWindow() const
{
    return parent_ ? parent_->handle_ : nullptr;
}

// ---- Bounds, alignment and coordinates

void TControl::SetBounds(int left, int top, int width, int height)
{
    Invalidate();
    ApplyBounds(left, top, width, height);
    Invalidate();
}

void TControl::ApplyBounds(int left, int top, int width, int height)
{
    bool sized = width != width_ || height != height_;
    if (!sized && left == left_ && top == top_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (parent_ && !parent_->aligning_) {
        anchorBounds_ = BoundsRect();
        RECT client = parent_->ClientRect();
        anchorParentSize_ = SIZE{client.right, client.bottom};
        if (align_ != alNone) parent_->Realign();
        parent_->ControlBoundsChanged(this);
    }
    if (!sized) return;
    SizeChanged();
    Resize();
}

RECT TControl::ClientRect()
{
    return RECT{0, 0, width_, height_};
}

void TControl::SetClientSize(int width, int height)
{
    RECT client = ClientRect();
    SetBounds(left_, top_, width_ - client.right + width, height_ - client.bottom + height);
}

POINT TControl::ClientOrigin()
{
    if (!parent_) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    POINT origin = parent_->ClientOrigin();
    return POINT{origin.x + left_, origin.y + top_};
}

void TControl::SetPopupMenu(TPopupMenu* menu)
{
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = menu;
    if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TControl::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
    if (operation == opRemove && component == Action()) actionLink_.reset();
}

TBasicAction* TControl::Action() const
{
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TControl::SetAction(TBasicAction* action)
{
    if (action == Action()) return;
    if (TBasicAction* old = Action()) old->RemoveFreeNotification(this);
    if (!action) {
        actionLink_.reset();
        return;
    }
    if (!actionLink_) {
        actionLink_ = std::make_unique<TActionLink>(this);
        actionLink_->OnChange = [this](TObject* sender) { ActionChange(sender, false); };
    }
    actionLink_->SetAction(action);
    action->FreeNotification(this);
    ActionChange(action, false);
}

void TControl::ActionChange(TObject* sender, bool checkDefaults)
{
    auto* action = dynamic_cast<TCustomAction*>(sender);
    if (!action) return;
    if (!checkDefaults || Caption().empty()) SetCaption(action->Caption());
    if (!checkDefaults || enabled_) SetEnabled(action->Enabled());
    if (!checkDefaults || Hint.empty()) Hint = action->Hint();
    if (!checkDefaults || visible_) SetVisible(action->Visible());
}

POINT TControl::ClientToScreen(POINT point)
{
    POINT origin = ClientOrigin();
    return POINT{point.x + origin.x, point.y + origin.y};
}

POINT TControl::ScreenToClient(POINT point)
{
    POINT origin = ClientOrigin();
    return POINT{point.x - origin.x, point.y - origin.y};
}

void TControl::SetAlign(TAlign align)
{
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::SetAnchors(TAnchors anchors)
{
    anchors_ = anchors;
}

void TControl::BringToFront()
{
    if (parent_) parent_->MoveControl(this, true);
    Invalidate();
}

void TControl::SendToBack()
{
    if (parent_) parent_->MoveControl(this, false);
    Invalidate();
}

// ---- State

void TControl::SetVisible(bool visible)
{
    if (!visible) Invalidate();
    visible_ = visible;
    Perform(CM_VISIBLECHANGED, visible);
    if (visible) Invalidate();
    if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color)
{
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool parentColor)
{
    parentColor_ = parentColor;
    if (parentColor) TakeParentColor();
}

void TControl::TakeParentColor()
{
    if (!parent_ || parent_->color_ == color_) return;
    color_ = parent_->color_;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool parentFont)
{
    parentFont_ = parentFont;
    if (parentFont) TakeParentFont();
}

void TControl::TakeParentFont()
{
    if (!parent_) return;
    takingParentFont_ = true;
    font_->Assign(parent_->font_.get());
    takingParentFont_ = false;
}

void TControl::FontChanged()
{
    if (!takingParentFont_) parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

std::string TControl::GetText()
{
    return text_;
}

void TControl::SetText(const std::string& text)
{
    if (text == GetText()) return;
    SetTextValue(text);
    Perform(CM_TEXTCHANGED);
}

void TControl::SetCursor(TCursor cursor)
{
    if (cursor == cursor_) return;
    cursor_ = cursor;
    Perform(CM_CURSORCHANGED);
}

bool TControl::MouseCapture() const
{
    return captureControl_ == this && GetCapture() == DrawingWindow() && GetCapture();
}

void TControl::SetMouseCapture(bool capture)
{
    if (capture) {
        HWND window = DrawingWindow();
        if (!window) return;
        captureControl_ = this;
        SetCapture(window);
    } else if (captureControl_ == this) {
        captureControl_ = nullptr;
        ReleaseCapture();
    }
}

// ---- Painting

void TControl::Invalidate()
{
    HWND window = DrawingWindow();
    if (!window || !visible_) return;
    RECT bounds = BoundsRect();
    InvalidateRect(window, &bounds, !(controlStyle_ & csOpaque));
}

void TControl::Update()
{
    if (parent_) parent_->Update();
}

void TControl::Repaint()
{
    HWND window = DrawingWindow();
    if (!window || !visible_) return;
    if (!(controlStyle_ & csOpaque)) {
        Invalidate();
        Update();
        return;
    }
    // An opaque control covers what lies below it: only it and the controls
    // above it need painting.
    HDC dc = GetDC(window);
    IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    ReleaseDC(window, dc);
}

bool TControl::PaletteChanged(bool foreground)
{
    HPALETTE palette = GetPalette();
    HWND window = DrawingWindow();
    if (!palette || !window) return false;
    HDC dc = GetDC(window);
    HPALETTE previous = SelectPalette(dc, palette, !foreground);
    if (RealizePalette(dc)) Invalidate();
    SelectPalette(dc, previous, TRUE);
    ReleaseDC(window, dc);
    return true;
}

// ---- Messages

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    WindowProc(message);
    return message.Result;
}

void TControl::DefaultHandler(TMessage& message)
{
    message.Result = 0;
}

void TControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        MouseButtonMessage(message, mbLeft, true, message.Msg == WM_LBUTTONDBLCLK);
        // The window's own handling of the press would take the mouse from
        // the drag it began.
        if (Dragging()) return;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        MouseButtonMessage(message, mbRight, true, message.Msg == WM_RBUTTONDBLCLK);
        if (Dragging()) return;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        MouseButtonMessage(message, mbMiddle, true, message.Msg == WM_MBUTTONDBLCLK);
        if (Dragging()) return;
        break;
    case WM_LBUTTONUP:
        MouseButtonMessage(message, mbLeft, false, false);
        break;
    case WM_RBUTTONUP:
        MouseButtonMessage(message, mbRight, false, false);
        break;
    case WM_CONTEXTMENU:
        if (popupMenu_ && popupMenu_->AutoPopup) {
            // From the keyboard the point is (-1, -1): the menu opens at the control.
            POINT at{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
            if (at.x == -1 && at.y == -1) at = ClientToScreen(POINT{0, 0});
            popupMenu_->SetPopupComponent(this);
            popupMenu_->Popup(at.x, at.y);
            return;
        }
        break;
    case WM_MBUTTONUP:
        MouseButtonMessage(message, mbMiddle, false, false);
        break;
    case WM_MOUSEMOVE: {
        POINT point = MessagePoint(message.LParam);
        MouseMove(MouseShiftState(message.WParam), point.x, point.y);
        break;
    }
    case CM_DRAG:
        DragMessage(message);
        return;
    case CM_PARENTCOLORCHANGED:
        if (parentColor_) TakeParentColor();
        break;
    case CM_PARENTFONTCHANGED:
        if (parentFont_) TakeParentFont();
        break;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    }
    DefaultHandler(message);
}

void TControl::MouseButtonMessage(TMessage& message, TMouseButton button, bool down, bool doubleClick)
{
    POINT point = MessagePoint(message.LParam);
    int x = point.x;
    int y = point.y;
    TShiftState shift = MouseShiftState(message.WParam);
    if (down) {
        if (controlStyle_ & csCaptureMouse) SetMouseCapture(true);
        if (button == mbLeft) {
            controlState_ |= csLButtonDown;
            if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
        }
        if (doubleClick) {
            shift |= ssDouble;
            if (button == mbLeft) DblClick();
        }
        if (button == mbLeft && DragMode == dmAutomatic && !doubleClick) BeginDrag(false);
        MouseDown(button, shift, x, y);
        return;
    }
    if (controlStyle_ & csCaptureMouse) SetMouseCapture(false);
    if (button == mbLeft) {
        bool clicked = controlState_ & csClicked;
        controlState_ &= ~(csLButtonDown | csClicked);
        RECT client = ClientRect();
        if (clicked && PtInRect(&client, POINT{x, y})) Click();
    }
    MouseUp(button, shift, x, y);
}

void TControl::Click()
{
    if (OnClick)
        OnClick(this);
    else if (actionLink_)
        actionLink_->Execute();
}

void TControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TControl::Resize()
{
    if (OnResize) OnResize(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y)
{
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

// ---- TGraphicControl

void TGraphicControl::WndProc(TMessage& message)
{
    if (message.Msg == WM_PAINT && message.WParam) {
        TCanvasDCScope scope(canvas_, reinterpret_cast<HDC>(message.WParam));
        Paint();
        return;
    }
    TControl::WndProc(message);
}
