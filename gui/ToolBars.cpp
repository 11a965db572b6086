#include "ToolBars.h"

#include <algorithm>
#include <string>

#include "Canvas.h"
#include "ImageList.h"
#include "Menus.h"

// ---- TToolButton ----

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton()
{
    SetMenuItem(nullptr);
    SetParent(nullptr);
}

void TToolButton::SetParent(TWinControl* parent)
{
    if (parent == Parent()) return;
    if (toolBar_) toolBar_->RemoveButton(this);
    toolBar_ = nullptr;
    TGraphicControl::SetParent(parent);
    if (auto* bar = dynamic_cast<TToolBar*>(parent)) {
        toolBar_ = bar;
        bar->InsertButton(this);
    }
}

int TToolButton::Index() const
{
    if (!toolBar_) return -1;
    const auto& buttons = toolBar_->buttons_;
    return static_cast<int>(std::find(buttons.begin(), buttons.end(), this) - buttons.begin());
}

void TToolButton::SetImageIndex(int index)
{
    if (imageIndex_ == index) return;
    imageIndex_ = index;
    Changed();
}

void TToolButton::SetStyle(TToolButtonStyle style)
{
    if (style_ == style) return;
    style_ = style;
    Changed();
}

void TToolButton::SetGrouped(bool grouped)
{
    if (grouped_ == grouped) return;
    grouped_ = grouped;
    Changed();
}

void TToolButton::SetAutoSize(bool autoSize)
{
    if (autoSize_ == autoSize) return;
    autoSize_ = autoSize;
    Changed();
}

bool TToolButton::Down()
{
    // A check button goes down and up by the user's clicks on the bar.
    if (int index = toolBar_ ? toolBar_->WindowIndex(this) : -1; index >= 0)
        down_ = SendMessageA(toolBar_->Handle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(index), 0) > 0;
    return down_;
}

void TToolButton::SetDown(bool down)
{
    down_ = down;
    if (int index = toolBar_ ? toolBar_->WindowIndex(this) : -1; index >= 0)
        SendMessageA(toolBar_->Handle(), TB_CHECKBUTTON, static_cast<WPARAM>(index), MAKELONG(down, 0));
}

void TToolButton::SetMenuItem(TMenuItem* item)
{
    if (menuItem_ == item) return;
    if (menuItem_) menuItem_->RemoveFreeNotification(this);
    menuItem_ = item;
    if (!menuItem_) return;
    menuItem_->FreeNotification(this);
    SetCaption(menuItem_->Caption());
    SetEnabled(menuItem_->Enabled());
}

void TToolButton::Click()
{
    TGraphicControl::Click();
    if (!menuItem_) return;
    if (menuItem_->Count() == 0) {
        menuItem_->Click();
        return;
    }
    // The item's sub-items drop down below the button.
    TMenu* menu = menuItem_->GetParentMenu();
    if (!menu || !toolBar_) return;
    RECT bounds = BoundsRect();
    POINT at = toolBar_->ClientToScreen(POINT{bounds.left, bounds.bottom});
    UINT command = TrackPopupMenu(menuItem_->Handle(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                                  toolBar_->Handle(), nullptr);
    if (command) menu->DispatchCommand(command);
}

void TToolButton::WndProc(TMessage& message)
{
    TGraphicControl::WndProc(message);
    switch (message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
        Changed();
        break;
    }
}

void TToolButton::Notification(TComponent* component, TOperation operation)
{
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == menuItem_) menuItem_ = nullptr;
}

void TToolButton::Changed()
{
    if (toolBar_) toolBar_->UpdateButtons();
}

// ---- TToolBar ----

TToolBar::TToolBar(TComponent* owner)
    : TCommonControl(owner, TOOLBARCLASSNAMEA), imageChangeLink_(std::make_unique<TChangeLink>())
{
    imageChangeLink_->OnChange = [this](TObject*) { UpdateButtons(); };
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar()
{
    SetImages(nullptr);
    for (TToolButton* button : buttons_) button->toolBar_ = nullptr;
}

void TToolBar::InsertButton(TToolButton* button)
{
    buttons_.push_back(button);
    UpdateButtons();
}

void TToolBar::RemoveButton(TToolButton* button)
{
    buttons_.erase(std::find(buttons_.begin(), buttons_.end(), button));
    std::replace(shown_.begin(), shown_.end(), button, static_cast<TToolButton*>(nullptr));
    UpdateButtons();
}

int TToolBar::WindowIndex(const TToolButton* button) const
{
    auto it = std::find(shown_.begin(), shown_.end(), button);
    return it == shown_.end() || !HandleAllocated() ? -1 : static_cast<int>(it - shown_.begin());
}

void TToolBar::SetShowCaptions(bool show)
{
    if (showCaptions_ == show) return;
    showCaptions_ = show;
    UpdateButtons();
}

void TToolBar::SetAutoSize(bool autoSize)
{
    if (autoSize_ == autoSize) return;
    autoSize_ = autoSize;
    PlaceButtons();
}

void TToolBar::SetButtonSize(int width, int height)
{
    buttonWidth_ = width;
    buttonHeight_ = height;
    UpdateButtons();
}

void TToolBar::SetImages(TCustomImageList* images)
{
    if (images_ == images) return;
    if (images_) {
        images_->UnRegisterChanges(imageChangeLink_.get());
        images_->RemoveFreeNotification(this);
    }
    images_ = images;
    if (images_) {
        images_->RegisterChanges(imageChangeLink_.get());
        images_->FreeNotification(this);
    }
    UpdateButtons();
}

void TToolBar::Notification(TComponent* component, TOperation operation)
{
    TCommonControl::Notification(component, operation);
    if (operation == opRemove && component == images_) {
        images_ = nullptr;
        UpdateButtons();
    }
}

void TToolBar::SetStyleFlag(bool& flag, bool value)
{
    if (flag == value) return;
    flag = value;
    if (HandleAllocated()) RecreateWnd();
}

void TToolBar::CreateParams(TCreateParams& params)
{
    TCommonControl::CreateParams(params);
    // The layer places the bar, not the bar itself.
    params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | WS_CLIPCHILDREN;
    if (flat_) params.Style |= TBSTYLE_FLAT;
    if (list_) params.Style |= TBSTYLE_LIST;
    if (wrapable_) params.Style |= TBSTYLE_WRAPABLE;
    if (transparent_) params.Style |= TBSTYLE_TRANSPARENT;
}

void TToolBar::CreateWnd()
{
    TCommonControl::CreateWnd();
    SendMessageA(Handle(), TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    UpdateButtons();
}

void TToolBar::DestroyWnd()
{
    // The check states the user gave go with the window: keep them.
    for (TToolButton* button : shown_)
        if (button) button->Down();
    TCommonControl::DestroyWnd();
    shown_.clear();
}

void TToolBar::UpdateButtons()
{
    if (!HandleAllocated() || updating_) return;
    // A check state set by the user's clicks survives the rebuild.
    for (TToolButton* button : shown_)
        if (button) button->Down();
    HWND bar = Handle();
    while (SendMessageA(bar, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageA(bar, TB_DELETEBUTTON, 0, 0);

    // The image size can only change while the bar holds no buttons.
    SendMessageA(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_ ? images_->Handle() : nullptr));
    SIZE image = images_ ? SIZE{images_->Width(), images_->Height()} : SIZE{0, 0};
    SendMessageA(bar, TB_SETBITMAPSIZE, 0, MAKELONG(image.cx, image.cy));

    std::vector<std::string> captions;
    captions.reserve(buttons_.size());
    std::vector<TBBUTTON> items;
    for (TToolButton* button : buttons_) {
        TBBUTTON item{};
        item.idCommand = static_cast<int>(items.size());
        item.iBitmap = button->imageIndex_ >= 0 ? button->imageIndex_ : I_IMAGENONE;
        item.iString = -1;
        captions.push_back(button->Caption());
        if (showCaptions_ && !captions.back().empty()) item.iString = reinterpret_cast<INT_PTR>(captions.back().c_str());
        switch (button->style_) {
        case tbsButton: item.fsStyle = BTNS_BUTTON; break;
        case tbsCheck: item.fsStyle = BTNS_CHECK; break;
        case tbsDropDown: item.fsStyle = BTNS_DROPDOWN; break;
        case tbsSeparator:
        case tbsDivider:
            item.fsStyle = BTNS_SEP;
            item.iBitmap = 0;
            break;
        }
        if (button->grouped_) item.fsStyle |= BTNS_GROUP;
        if (button->autoSize_) item.fsStyle |= BTNS_AUTOSIZE;
        if (button->Enabled()) item.fsState |= TBSTATE_ENABLED;
        if (!button->Visible()) item.fsState |= TBSTATE_HIDDEN;
        if (button->down_) item.fsState |= TBSTATE_CHECKED;
        items.push_back(item);
    }
    if (!showCaptions_) SendMessageA(bar, TB_SETBUTTONSIZE, 0, MAKELONG(buttonWidth_, buttonHeight_));
    SendMessageA(bar, TB_ADDBUTTONSA, items.size(), reinterpret_cast<LPARAM>(items.data()));
    shown_ = buttons_;
    PlaceButtons();
    Invalidate();
}

void TToolBar::PlaceButtons()
{
    if (!HandleAllocated() || updating_) return;
    updating_ = true;
    int bottom = 0;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        RECT rect{};
        if (!SendMessageA(Handle(), TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect))) continue;
        buttons_[i]->SetBoundsRect(rect);
        if (buttons_[i]->Visible()) bottom = std::max<int>(bottom, rect.bottom);
    }
    if (autoSize_ && bottom > 0) SetClientHeight(bottom);
    updating_ = false;
}

TToolButton* TToolBar::ButtonOfCommand(UINT_PTR command) const
{
    return command < shown_.size() ? shown_[command] : nullptr;
}

LRESULT TToolBar::CustomDraw(NMTBCUSTOMDRAW& draw)
{
    NMCUSTOMDRAW& paint = draw.nmcd;
    bool defaultDraw = true;
    TCanvasDCScope scope(*Canvas(), paint.hdc);
    Canvas()->Font().Assign(Font());
    if (paint.dwDrawStage == CDDS_PREPAINT) {
        if (OnCustomDraw) OnCustomDraw(this, paint.rc, defaultDraw);
        if (!defaultDraw) return CDRF_SKIPDEFAULT;
        return OnCustomDrawButton ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    }
    if (paint.dwDrawStage != CDDS_ITEMPREPAINT || !OnCustomDrawButton) return CDRF_DODEFAULT;
    TToolButton* button = ButtonOfCommand(paint.dwItemSpec);
    if (!button) return CDRF_DODEFAULT;
    static constexpr std::pair<UINT, TCustomDrawState> states[] = {
        {CDIS_SELECTED, cdsSelected}, {CDIS_GRAYED, cdsGrayed},   {CDIS_DISABLED, cdsDisabled},
        {CDIS_CHECKED, cdsChecked},   {CDIS_FOCUS, cdsFocused},   {CDIS_DEFAULT, cdsDefault},
        {CDIS_HOT, cdsHot},           {CDIS_MARKED, cdsMarked},   {CDIS_INDETERMINATE, cdsIndeterminate},
    };
    TCustomDrawState state = 0;
    for (const auto& [system, own] : states)
        if (paint.uItemState & system) state |= own;
    OnCustomDrawButton(this, button, state, defaultDraw);
    return defaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
}

void TToolBar::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_COMMAND:
        if (TToolButton* button = ButtonOfCommand(LOWORD(message.WParam))) button->Click();
        return;
    case CN_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(message.LParam);
        if (header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            message.Result = CustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(message.LParam));
            return;
        }
        break;
    }
    case WM_PAINT:
        // The buttons are the bar's own drawing: nothing windowless to add.
        if (!message.WParam) {
            DefaultHandler(message);
            return;
        }
        break;
    case WM_SIZE:
        TCommonControl::WndProc(message);
        PlaceButtons();
        return;
    }
    // The bar tracks the mouse over its buttons itself; the buttons only
    // hear it come and go, for their hints and whoever watches them.
    if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MOUSELAST) {
        if (message.Msg == WM_MOUSEMOVE) {
            TControl* button = ControlAtPos(MessagePoint(message.LParam), false);
            TrackMouse(button ? button : this);
        }
        TControl::WndProc(message);
        return;
    }
    TCommonControl::WndProc(message);
}
