#include "Menus.h"

#include <algorithm>
#include <type_traits>

namespace {

// The system colours menus are drawn in.
constexpr TColor MenuColor = SystemColor(COLOR_MENU);
constexpr TColor MenuTextColor = SystemColor(COLOR_MENUTEXT);
constexpr TColor GrayTextColor = SystemColor(COLOR_GRAYTEXT);

// Which command identifiers items hold. WM_COMMAND carries 16 bits of them
// and 0 means none.
std::vector<bool>& UsedCommands()
{
    static std::vector<bool> used(0x10000, false);
    return used;
}

UINT AllocateCommand()
{
    static UINT next = 1;
    std::vector<bool>& used = UsedCommands();
    for (UINT tried = 1; tried < used.size(); ++tried) {
        UINT command = next;
        next = next + 1 == used.size() ? 1 : next + 1;
        if (!used[command]) {
            used[command] = true;
            return command;
        }
    }
    throw EMenuError("Too many menu items");
}

void ReleaseCommand(UINT command)
{
    UsedCommands()[command] = false;
}

// A canvas for one item: over the device context the system lends for
// drawing, or over the screen's for measuring; with the system's menu font.
class TMenuItemCanvas : public TCanvas {
public:
    explicit TMenuItemCanvas(HDC dc = nullptr)
    {
        if (dc) SetHandle(dc);
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            Font().SetHandle(CreateFontIndirectA(&metrics.lfMenuFont));
        Font().SetColor(MenuTextColor);
    }
    ~TMenuItemCanvas() override { SetHandle(nullptr); }

protected:
    HDC CreateHandle() override { return GetDC(nullptr); }
    void FreeHandle(HDC dc) override { ReleaseDC(nullptr, dc); }
};

// The caption as drawn: "&" marks the next letter, "&&" stands for "&".
std::string WithoutHotkeyMarks(const std::string& caption)
{
    std::string text;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size()) ++i;
        text += caption[i];
    }
    return text;
}

}

// ---- TMenuItem

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(AllocateCommand())
{
}

TMenuItem::~TMenuItem()
{
    if (parent_) parent_->Remove(this);
    if (handle_) {
        // Destroying a menu destroys the sub-menus in it, which the sub-items
        // still own: they are taken out first.
        while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
        DestroyMenu(handle_);
        handle_ = nullptr;
    }
    Clear();
    ReleaseCommand(command_);
}

void TMenuItem::SetCaption(const std::string& caption)
{
    if (caption == caption_) return;
    caption_ = caption;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut shortCut)
{
    if (shortCut == shortCut_) return;
    shortCut_ = shortCut;
    Changed();
}

void TMenuItem::SetEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Changed();
}

void TMenuItem::SetChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    Changed();
}

void TMenuItem::SetDefault(bool value)
{
    if (value == default_) return;
    default_ = value;
    Changed();
}

TMenuItem* TMenuItem::Items(int index) const
{
    if (index < 0 || index >= Count()) ListIndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TMenuItem::Insert(int index, TMenuItem* item)
{
    if (item->parent_) throw EMenuError("Menu inserted twice");
    for (const TMenuItem* ancestor = this; ancestor; ancestor = ancestor->parent_)
        if (ancestor == item) throw EMenuError("A menu item cannot hold itself");
    if (index < 0 || index > Count()) throw EMenuError("Menu index out of range");
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    RebuildHandle();
    // This item may have gained its sub-menu.
    Changed();
}

void TMenuItem::Remove(TMenuItem* item)
{
    auto at = std::find(items_.begin(), items_.end(), item);
    if (at == items_.end()) return;
    items_.erase(at);
    item->parent_ = nullptr;
    RebuildHandle();
    Changed();
}

void TMenuItem::Clear()
{
    while (!items_.empty()) items_.back()->Free();
}

TMenu* TMenuItem::GetParentMenu() const
{
    const TMenuItem* root = this;
    while (root->parent_) root = root->parent_;
    return root->menu_;
}

HMENU TMenuItem::Handle()
{
    if (!handle_) {
        handle_ = menu_ ? menu_->CreateMenuHandle() : CreatePopupMenu();
        for (TMenuItem* item : items_) item->AppendTo(handle_);
    }
    return handle_;
}

void TMenuItem::Click()
{
    // A copy: the handler may free the item, or the whole menu.
    TNotifyEvent handler = OnClick;
    if (enabled_ && handler) handler(this);
}

void TMenuItem::MeasureItem(TCanvas& canvas, int& width, int& height)
{
    if (OnMeasureItem) {
        OnMeasureItem(this, &canvas, width, height);
        return;
    }
    if (IsLine()) {
        height = GetSystemMetrics(SM_CYMENU) / 2;
        return;
    }
    int mark = GetSystemMetrics(SM_CXMENUCHECK);
    SIZE text = canvas.TextExtent(WithoutHotkeyMarks(caption_));
    width = text.cx + 2 * mark + (shortCut_ ? canvas.TextWidth(ShortCutToText(shortCut_)) + mark : 0);
    height = std::max<int>(text.cy + 4, GetSystemMetrics(SM_CYMENU));
}

void TMenuItem::DrawItem(TCanvas& canvas, const TRect& rect, bool selected)
{
    if (OnDrawItem) {
        OnDrawItem(this, &canvas, rect, selected);
        return;
    }
    canvas.Brush().SetColor(selected ? clHighlight : MenuColor);
    canvas.FillRect(rect);
    if (IsLine()) {
        TRect line = rect;
        line.top = (rect.top + rect.bottom) / 2 - 1;
        DrawEdge(canvas.Handle(), &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    int mark = GetSystemMetrics(SM_CXMENUCHECK);
    if (checked_) {
        TRect box = Rect(rect.left, rect.top, rect.left + mark, rect.bottom);
        DrawFrameControl(canvas.Handle(), &box, DFC_MENU, DFCS_MENUCHECK);
    }
    canvas.Brush().SetStyle(bsClear);
    canvas.Font().SetColor(!enabled_ ? GrayTextColor : selected ? clHighlightText : MenuTextColor);
    if (default_) canvas.Font().SetStyle(canvas.Font().GetStyle() | fsBold);
    std::string caption = WithoutHotkeyMarks(caption_);
    int y = rect.top + (RectHeight(rect) - canvas.TextHeight(caption)) / 2;
    canvas.TextRect(rect, rect.left + mark, y, caption);
    if (shortCut_) {
        std::string keys = ShortCutToText(shortCut_);
        canvas.TextRect(rect, rect.right - mark - canvas.TextWidth(keys), y, keys);
    }
}

std::string TMenuItem::DisplayText() const
{
    bool inMenuBar = parent_ && parent_->menu_ && parent_->menu_->IsMenuBar();
    if (!shortCut_ || inMenuBar) return caption_;
    return caption_ + "\t" + ShortCutToText(shortCut_);
}

void TMenuItem::AppendTo(HMENU menu)
{
    TMenu* owner = GetParentMenu();
    bool ownerDraw = owner && owner->OwnerDraw();
    std::string text = DisplayText();
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
    info.fType = (IsLine() ? MFT_SEPARATOR : MFT_STRING) | (ownerDraw ? MFT_OWNERDRAW : 0);
    // Owner-drawn items and lines show no text of the system's.
    if (!ownerDraw && !IsLine()) {
        info.fMask |= MIIM_STRING;
        info.dwTypeData = text.data();
    }
    info.fState = (enabled_ ? MFS_ENABLED : MFS_GRAYED) | (checked_ ? MFS_CHECKED : 0) | (default_ ? MFS_DEFAULT : 0);
    info.wID = command_;
    info.hSubMenu = items_.empty() ? nullptr : Handle();
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
}

void TMenuItem::RebuildHandle()
{
    if (!handle_) return;
    while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
    for (TMenuItem* item : items_) item->AppendTo(handle_);
}

void TMenuItem::RebuildTree()
{
    for (TMenuItem* item : items_) item->RebuildTree();
    RebuildHandle();
}

void TMenuItem::Changed()
{
    if (parent_) parent_->RebuildHandle();
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

TMenuItem* TMenuItem::Find(const std::function<bool(const TMenuItem&)>& match)
{
    for (TMenuItem* item : items_) {
        if (match(*item)) return item;
        if (TMenuItem* found = item->Find(match)) return found;
    }
    return nullptr;
}

// ---- TMenu

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr))
{
    items_->menu_ = this;
}

TMenu::~TMenu()
{
    // The items go on their own, without telling a menu that is going too.
    items_->menu_ = nullptr;
}

void TMenu::SetOwnerDraw(bool ownerDraw)
{
    if (ownerDraw == ownerDraw_) return;
    ownerDraw_ = ownerDraw;
    items_->RebuildTree();
    MenuChanged();
}

bool TMenu::DispatchCommand(UINT command)
{
    TMenuItem* item = items_->Find([&](const TMenuItem& candidate) { return candidate.command_ == command; });
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::IsShortCut(TShortCut shortCut)
{
    if (shortCut == scNone) return false;
    TMenuItem* item = items_->Find([&](const TMenuItem& candidate) {
        if (candidate.shortCut_ != shortCut) return false;
        for (const TMenuItem* up = &candidate; up; up = up->parent_)
            if (!up->enabled_) return false;
        return true;
    });
    if (!item) return false;
    item->Click();
    return true;
}

bool TMenu::HandleMenuMessage(TMessage& message)
{
    switch (message.Msg) {
    case WM_COMMAND:
        // Menus send notification code 0 and no control's window.
        if (HIWORD(message.WParam) != 0 || message.LParam != 0) return false;
        return DispatchCommand(LOWORD(message.WParam));
    case WM_MEASUREITEM: {
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        TMenuItem* item = measure.CtlType == ODT_MENU ? OwnItem(measure.itemData) : nullptr;
        if (!item) return false;
        TMenuItemCanvas canvas;
        int width = static_cast<int>(measure.itemWidth);
        int height = static_cast<int>(measure.itemHeight);
        item->MeasureItem(canvas, width, height);
        measure.itemWidth = static_cast<UINT>(std::max(width, 0));
        measure.itemHeight = static_cast<UINT>(std::max(height, 0));
        message.Result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam);
        TMenuItem* item = draw.CtlType == ODT_MENU ? OwnItem(draw.itemData) : nullptr;
        if (!item) return false;
        message.Result = TRUE;
        TMenuItemCanvas canvas(draw.hDC);
        item->DrawItem(canvas, draw.rcItem, (draw.itemState & ODS_SELECTED) != 0);
        return true;
    }
    }
    return false;
}

TMenuItem* TMenu::OwnItem(ULONG_PTR itemData)
{
    return items_->Find(
        [&](const TMenuItem& candidate) { return reinterpret_cast<ULONG_PTR>(&candidate) == itemData; });
}

// ---- TMainMenu

TMainMenu::~TMainMenu()
{
    if (window_ && IsWindow(window_)) ::SetMenu(window_, nullptr);
}

void TMainMenu::SetWindowHandle(HWND window)
{
    if (window == window_) return;
    if (window_ && IsWindow(window_)) ::SetMenu(window_, nullptr);
    window_ = window;
    ShowInWindow();
}

void TMainMenu::PopulateOle2Menu(HMENU shared, const std::vector<int>& groups, OLEMENUGROUPWIDTHS& widths)
{
    constexpr int GroupCount = static_cast<int>(std::extent_v<decltype(OLEMENUGROUPWIDTHS::width)>);
    for (int group : groups)
        if (group < 0 || group >= GroupCount) throw EMenuError("Menu group out of range");
    for (int group : groups) {
        LONG count = 0;
        for (TMenuItem* item : Items()->items_) {
            if (item->GroupIndex != group) continue;
            item->AppendTo(shared);
            ++count;
        }
        widths.width[group] = count;
    }
}

void TMainMenu::SetOle2MenuHandle(HMENU menu)
{
    ole2Menu_ = menu;
    ShowInWindow();
}

void TMainMenu::MenuChanged()
{
    if (window_) DrawMenuBar(window_);
}

void TMainMenu::ShowInWindow()
{
    if (window_) ::SetMenu(window_, ole2Menu_ ? ole2Menu_ : Handle());
}

// ---- TPopupMenu

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner), window_([this](TMessage& message) { WndProc(message); })
{
}

void TPopupMenu::Popup(int x, int y)
{
    if (OnPopup) OnPopup(this);
    auto command = static_cast<UINT>(TrackPopupMenu(Handle(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y,
                                                    0, window_.Handle(), nullptr));
    // The chosen item's handler may free the menu: nothing of it is touched
    // afterwards.
    if (command) DispatchCommand(command);
}

void TPopupMenu::SetPopupComponent(TComponent* component)
{
    if (component == popupComponent_) return;
    if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
    popupComponent_ = component;
    if (component) component->FreeNotification(this);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation)
{
    TMenu::Notification(component, operation);
    if (operation == opRemove && component == popupComponent_) popupComponent_ = nullptr;
}

void TPopupMenu::WndProc(TMessage& message)
{
    if (!HandleMenuMessage(message)) window_.DefaultHandler(message);
}
