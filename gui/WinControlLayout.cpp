#include "WinControls.h"

#include "Exceptions.h"
#include "FlagScope.h"
#include "Forms.h"

#include <algorithm>

// ---- Children

TControl* TWinControl::Controls(int index) const
{
    if (index < 0 || index >= ControlCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return controls_[index];
}

void TWinControl::MoveControl(TControl* control, bool toFront)
{
    controls_.erase(std::find(controls_.begin(), controls_.end(), control));
    auto firstWindowed = std::find_if(controls_.begin(), controls_.end(), [](TControl* c) { return AsWinControl(c); });
    TWinControl* windowed = AsWinControl(control);
    if (windowed)
        controls_.insert(toFront ? controls_.end() : firstWindowed, control);
    else
        controls_.insert(toFront ? firstWindowed : controls_.begin(), control);
    if (windowed && windowed->handle_)
        SetWindowPos(windowed->handle_, toFront ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::InsertControl(TControl* control)
{
    controls_.push_back(control);
    MoveControl(control, true);
    TWinControl* windowed = AsWinControl(control);
    if (windowed) tabList_.push_back(windowed);
    control->parent_ = this;
    control->anchorBounds_ = control->BoundsRect();
    RECT client = ClientRect();
    control->anchorParentSize_ = SIZE{client.right, client.bottom};
    if (control->parentColor_) control->TakeParentColor();
    if (control->parentFont_) control->TakeParentFont();
    if (windowed && handle_) windowed->HandleNeeded();
    if (control->align_ != alNone) Realign();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control)
{
    if (TForm* form = GetParentForm(this)) form->ControlRemoved(control);
    control->Invalidate();
    if (captureControl_ == control) control->SetMouseCapture(false);
    if (mouseControl_ == control) mouseControl_ = nullptr;
    controls_.erase(std::find(controls_.begin(), controls_.end(), control));
    TWinControl* windowed = AsWinControl(control);
    if (windowed) tabList_.erase(std::find(tabList_.begin(), tabList_.end(), windowed));
    control->parent_ = nullptr;
    if (windowed) windowed->DestroyHandle();
    if (control->align_ != alNone) Realign();
}

void TWinControl::Broadcast(TMessage& message)
{
    for (TControl* control : controls_) {
        control->WindowProc(message);
        if (message.Result) return;
    }
}

TControl* TWinControl::ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls)
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* control = *it;
        if (!allowWinControls && AsWinControl(control)) continue;
        RECT bounds = control->BoundsRect();
        if (control->visible_ && (control->enabled_ || allowDisabled) && PtInRect(&bounds, point)) return control;
    }
    return nullptr;
}

// ---- Bounds and alignment

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (handle_)
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        ApplyBounds(left, top, width, height);
}

void TWinControl::UpdateBounds()
{
    // A minimised window reports a parking place, not its bounds.
    if (IsIconic(handle_)) return;
    RECT bounds;
    GetWindowRect(handle_, &bounds);
    if (GetWindowLongPtrA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&bounds), 2);
    ApplyBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

RECT TWinControl::ClientRect()
{
    if (!handle_) return TControl::ClientRect();
    RECT client;
    GetClientRect(handle_, &client);
    return client;
}

POINT TWinControl::ClientOrigin()
{
    if (!handle_) return parent_ ? TControl::ClientOrigin() : POINT{left_, top_};
    POINT origin{0, 0};
    ::ClientToScreen(handle_, &origin);
    return origin;
}

void TWinControl::SizeChanged()
{
    Realign();
}

void TWinControl::Realign()
{
    if (aligning_) return;
    TFlagScope aligning(aligning_);
    AnchorChildren();
    RECT rect = ClientRect();
    AlignControls(nullptr, rect);
}

void TWinControl::AnchorChildren()
{
    RECT client = ClientRect();
    for (TControl* control : controls_) {
        TAnchors anchors = control->anchors_;
        if (control->align_ != alNone || anchors == (akLeft | akTop)) continue;
        RECT bounds = control->anchorBounds_;
        int dx = client.right - control->anchorParentSize_.cx;
        int dy = client.bottom - control->anchorParentSize_.cy;
        if (anchors & akRight) {
            if (anchors & akLeft)
                bounds.right += dx;
            else
                OffsetRect(&bounds, dx, 0);
        }
        if (anchors & akBottom) {
            if (anchors & akTop)
                bounds.bottom += dy;
            else
                OffsetRect(&bounds, 0, dy);
        }
        control->SetBoundsRect(bounds);
    }
}

void TWinControl::AlignControls(TControl*, RECT& rect)
{
    // Within one alignment the controls keep their order from the edge they
    // stick to: the nearest first.
    auto distance = [](TControl* c, TAlign align) {
        switch (align) {
        case alTop:
            return c->top_;
        case alBottom:
            return -(c->top_ + c->height_);
        case alLeft:
            return c->left_;
        case alRight:
            return -(c->left_ + c->width_);
        default:
            return 0;
        }
    };
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<TControl*> aligned;
        for (TControl* control : controls_)
            if (control->align_ == align && control->visible_) aligned.push_back(control);
        std::stable_sort(aligned.begin(), aligned.end(),
                         [&](TControl* a, TControl* b) { return distance(a, align) < distance(b, align); });
        for (TControl* control : aligned) {
            int width = std::max(0, static_cast<int>(rect.right - rect.left));
            int height = std::max(0, static_cast<int>(rect.bottom - rect.top));
            int w = std::min(control->width_, width);
            int h = std::min(control->height_, height);
            switch (align) {
            case alTop:
                control->SetBounds(rect.left, rect.top, width, h);
                rect.top += h;
                break;
            case alBottom:
                control->SetBounds(rect.left, rect.bottom - h, width, h);
                rect.bottom -= h;
                break;
            case alLeft:
                control->SetBounds(rect.left, rect.top, w, height);
                rect.left += w;
                break;
            case alRight:
                control->SetBounds(rect.right - w, rect.top, w, height);
                rect.right -= w;
                break;
            default:
                control->SetBounds(rect.left, rect.top, width, height);
            }
        }
    }
}

// ---- Focus and tab order

void TWinControl::SetTabStop(bool tabStop)
{
    tabStop_ = tabStop;
    if (!handle_) return;
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    SetWindowLongPtrA(handle_, GWL_STYLE, tabStop ? style | WS_TABSTOP : style & ~static_cast<LONG_PTR>(WS_TABSTOP));
}

int TWinControl::TabOrder() const
{
    if (!parent_) return -1;
    auto& list = parent_->tabList_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (!parent_) return;
    auto& list = parent_->tabList_;
    list.erase(std::find(list.begin(), list.end(), this));
    order = std::clamp(order, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + order, this);
}

bool TWinControl::CanFocus()
{
    for (TWinControl* control = this; control; control = control->parent_)
        if (!control->visible_ || !control->enabled_) return false;
    return true;
}

bool TWinControl::Focused() const
{
    return handle_ && GetFocus() == handle_;
}

void TWinControl::SetFocus()
{
    ::SetFocus(Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list)
{
    for (TWinControl* control : tabList_) {
        list.push_back(control);
        control->GetTabOrderList(list);
    }
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop)
{
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    int count = static_cast<int>(list.size());
    int at = static_cast<int>(std::find(list.begin(), list.end(), current) - list.begin());
    if (at == count) at = forward ? -1 : count;
    for (int step = 1; step <= count; ++step) {
        TWinControl* candidate = list[((at + (forward ? step : -step)) % count + count) % count];
        if (candidate == current) return;
        if ((!checkTabStop || candidate->tabStop_) && candidate->CanFocus()) {
            candidate->SetFocus();
            return;
        }
    }
}
