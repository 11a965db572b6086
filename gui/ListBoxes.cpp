#include "ListBoxes.h"

#include "Canvas.h"
#include "Exceptions.h"

namespace {

[[noreturn]] void IndexError(int index)
{
    throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

}

// ---- TListBoxStrings ----

TListBoxItem& TListBoxStrings::Item(int index)
{
    if (index < 0 || index >= GetCount()) IndexError(index);
    return items_[static_cast<size_t>(index)];
}

const TListBoxItem& TListBoxStrings::Item(int index) const
{
    if (index < 0 || index >= GetCount()) IndexError(index);
    return items_[static_cast<size_t>(index)];
}

void TListBoxStrings::ShowRow(int index)
{
    if (!listBox_.HandleAllocated()) return;
    SendMessageA(listBox_.Handle(), LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(items_[static_cast<size_t>(index)].Text.c_str()));
}

void TListBoxStrings::InsertItem(int index, TListBoxItem item)
{
    if (index < 0 || index > GetCount()) IndexError(index);
    items_.insert(items_.begin() + index, std::move(item));
    ShowRow(index);
}

void TListBoxStrings::Insert(int index, const std::string& s)
{
    InsertItem(index, TListBoxItem{s});
}

void TListBoxStrings::Put(int index, const std::string& s)
{
    TListBoxItem item = Item(index);
    item.Text = s;
    const bool selected = listBox_.HandleAllocated() && listBox_.Selected(index);
    Delete(index);
    InsertItem(index, std::move(item));
    if (selected) listBox_.SetSelected(index, true);
}

void TListBoxStrings::Delete(int index)
{
    Item(index);
    items_.erase(items_.begin() + index);
    if (listBox_.HandleAllocated()) SendMessageA(listBox_.Handle(), LB_DELETESTRING, index, 0);
}

void TListBoxStrings::Clear()
{
    items_.clear();
    if (listBox_.HandleAllocated()) SendMessageA(listBox_.Handle(), LB_RESETCONTENT, 0, 0);
}

void TListBoxStrings::Exchange(int index1, int index2)
{
    if (index1 == index2) return;
    Move(index1, index2);
    Move(index2 + (index1 < index2 ? -1 : 1), index1);
}

void TListBoxStrings::Move(int curIndex, int newIndex)
{
    if (curIndex == newIndex) return;
    TListBoxItem item = Item(curIndex);
    Item(newIndex);
    Delete(curIndex);
    InsertItem(newIndex, std::move(item));
}

// ---- TCustomListBox ----

TCustomListBox::TCustomListBox(TComponent* owner)
    : TWinControl(owner), items_(std::make_unique<TListBoxStrings>(*this))
{
    // The system window tracks the mouse and reports the user's choices.
    SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents | csDoubleClicks | csSetCaption));
    SetColor(clWindow);
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
}

TCustomListBox::~TCustomListBox() = default;

void TCustomListBox::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    GetClassInfoA(nullptr, "LISTBOX", &params.WindowClass);
    params.Style |= LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    if (IsOwnerDrawn()) params.Style |= LBS_OWNERDRAWFIXED;
    if (multiSelect_) params.Style |= LBS_EXTENDEDSEL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd()
{
    const int index = itemIndex_;
    TWinControl::CreateWnd();
    for (int i = 0; i < items_->GetCount(); ++i) items_->ShowRow(i);
    if (IsOwnerDrawn()) SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, itemHeight_);
    SetItemIndex(index);
}

int TCustomListBox::ItemIndex()
{
    if (!HandleAllocated()) return itemIndex_;
    const UINT message = multiSelect_ ? LB_GETCARETINDEX : LB_GETCURSEL;
    itemIndex_ = static_cast<int>(SendMessageA(Handle(), message, 0, 0));
    if (multiSelect_ && !Selected(itemIndex_)) itemIndex_ = -1;
    return itemIndex_;
}

void TCustomListBox::SetItemIndex(int index)
{
    itemIndex_ = index >= 0 && index < items_->GetCount() ? index : -1;
    if (!HandleAllocated()) return;
    if (multiSelect_) {
        SendMessageA(Handle(), LB_SETSEL, FALSE, -1);
        if (itemIndex_ >= 0) SendMessageA(Handle(), LB_SETSEL, TRUE, itemIndex_);
        SendMessageA(Handle(), LB_SETCARETINDEX, itemIndex_, FALSE);
    } else {
        SendMessageA(Handle(), LB_SETCURSEL, itemIndex_, 0);
    }
}

void TCustomListBox::SetMultiSelect(bool multiSelect)
{
    if (multiSelect_ == multiSelect) return;
    multiSelect_ = multiSelect;
    if (HandleAllocated()) RecreateWnd();
}

bool TCustomListBox::Selected(int index)
{
    if (index < 0 || index >= items_->GetCount()) return false;
    if (!multiSelect_) return ItemIndex() == index;
    return SendMessageA(Handle(), LB_GETSEL, index, 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool selected)
{
    items_->Item(index);
    if (!multiSelect_) {
        if (selected) SetItemIndex(index);
        else if (ItemIndex() == index) SetItemIndex(-1);
        return;
    }
    SendMessageA(Handle(), LB_SETSEL, selected, index);
}

int TCustomListBox::SelCount()
{
    if (!multiSelect_) return ItemIndex() >= 0 ? 1 : 0;
    return static_cast<int>(SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetStyle(TListBoxStyle style)
{
    if (style_ == style) return;
    style_ = style;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomListBox::SetItemHeight(int height)
{
    if (height <= 0) return;
    itemHeight_ = height;
    if (HandleAllocated() && IsOwnerDrawn()) {
        SendMessageA(Handle(), LB_SETITEMHEIGHT, 0, height);
        Invalidate();
    }
}

int TCustomListBox::ItemAtPos(POINT point, bool existing)
{
    const LRESULT answer = SendMessageA(Handle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(point.x, point.y));
    const int index = LOWORD(answer);
    const bool outside = HIWORD(answer) != 0;
    if (!outside) return index;
    return existing ? -1 : items_->GetCount();
}

TRect TCustomListBox::ItemRect(int index)
{
    TRect rect{};
    SendMessageA(Handle(), LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

void TCustomListBox::DrawItemText(int index, TRect rect, TOwnerDrawState state)
{
    TCanvas& canvas = *Canvas();
    const bool selected = state & ODS_SELECTED;
    canvas.Brush().SetColor(selected ? clHighlight : Color());
    canvas.FillRect(rect);
    canvas.Font().Assign(Font());
    SetBkMode(canvas.Handle(), TRANSPARENT);
    SetTextColor(canvas.Handle(), ColorToRGB(selected ? clHighlightText : Font()->GetColor()));
    rect.left += 2;
    const std::string& text = items_->Get(index);
    DrawTextA(canvas.Handle(), text.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TCustomListBox::DrawItem(int index, TRect rect, TOwnerDrawState state)
{
    if (OnDrawItem) OnDrawItem(this, index, rect, state);
    else DrawItemText(index, rect, state);
}

void TCustomListBox::DrawItemMessage(const DRAWITEMSTRUCT& item)
{
    const int index = static_cast<int>(item.itemID);
    if (index < 0 || index >= items_->GetCount()) return;
    TCanvasDCScope scope(*Canvas(), item.hDC);
    DrawItem(index, item.rcItem, item.itemState);
    if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

void TCustomListBox::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case CN_DRAWITEM:
        DrawItemMessage(*reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    case CN_MEASUREITEM:
        reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam)->itemHeight = static_cast<UINT>(itemHeight_);
        message.Result = TRUE;
        return;
    case CN_COMMAND:
        if (HIWORD(message.WParam) == LBN_SELCHANGE) {
            ItemIndex();
            Click();
            return;
        }
        if (HIWORD(message.WParam) == LBN_DBLCLK) {
            DblClick();
            return;
        }
        break;
    }
    TWinControl::WndProc(message);
}

// ---- TCheckListBox ----

TCheckListBox::TCheckListBox(TComponent* owner) : TCustomListBox(owner)
{
}

int TCheckListBox::CheckWidth() const
{
    return GetSystemMetrics(SM_CXMENUCHECK) + 2;
}

bool TCheckListBox::Checked(int index) const
{
    return static_cast<const TListBoxStrings*>(Items())->Item(index).Checked;
}

void TCheckListBox::SetChecked(int index, bool checked)
{
    auto* items = static_cast<TListBoxStrings*>(Items());
    items->Item(index).Checked = checked;
    if (!HandleAllocated()) return;
    TRect rect = ItemRect(index);
    InvalidateRect(Handle(), &rect, FALSE);
}

void TCheckListBox::ToggleByUser(int index)
{
    SetChecked(index, !Checked(index));
    if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::DrawItem(int index, TRect rect, TOwnerDrawState state)
{
    TRect box = rect;
    box.right = box.left + CheckWidth();
    Canvas()->Brush().SetColor(Color());
    Canvas()->FillRect(box);
    const int side = std::min(CheckWidth() - 2, RectHeight(rect) - 2);
    TRect check = Bounds(box.left + 1, rect.top + (RectHeight(rect) - side) / 2, side, side);
    DrawFrameControl(Canvas()->Handle(), &check, DFC_BUTTON,
                     DFCS_BUTTONCHECK | (Checked(index) ? DFCS_CHECKED : 0) | (Enabled() ? 0 : DFCS_INACTIVE));
    rect.left = box.right;
    TCustomListBox::DrawItem(index, rect, state);
}

void TCheckListBox::WndProc(TMessage& message)
{
    if (message.Msg == WM_LBUTTONDOWN || message.Msg == WM_LBUTTONDBLCLK) {
        const POINT point = MessagePoint(message.LParam);
        const int index = ItemAtPos(point, true);
        if (index >= 0 && point.x < CheckWidth()) ToggleByUser(index);
    }
    if (message.Msg == WM_CHAR && message.WParam == VK_SPACE) {
        if (const int index = ItemIndex(); index >= 0) ToggleByUser(index);
        return;
    }
    TCustomListBox::WndProc(message);
}
