#include "ScrollBox.h"

#include <algorithm>

#include "FlagScope.h"

namespace {

constexpr int LineStep = 16;

}

TScrollBox::TScrollBox(TComponent* owner) : TCustomControl(owner)
{
    SetBounds(Left(), Top(), 185, 41);
    SetControlStyle(ControlStyle() | csAcceptsControls);
}

void TScrollBox::SetBorderStyle(TBorderStyle style)
{
    if (style == borderStyle_) return;
    borderStyle_ = style;
    if (HandleAllocated()) RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    if (borderStyle_ == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TScrollBox::CreateWnd()
{
    TCustomControl::CreateWnd();
    UpdateScrollBars();
}

SIZE TScrollBox::Range()
{
    SIZE range{0, 0};
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* control = Controls(i);
        // Aligned children follow the window, so they never need scrolling.
        if (!control->Visible() || control->Align() != alNone) continue;
        RECT bounds = control->BoundsRect();
        range.cx = std::max<LONG>(range.cx, bounds.right + position_.x);
        range.cy = std::max<LONG>(range.cy, bounds.bottom + position_.y);
    }
    return range;
}

void TScrollBox::ScrollTo(int x, int y)
{
    RECT client = ClientRect();
    SIZE range = Range();
    x = std::clamp<int>(x, 0, std::max<int>(0, range.cx - client.right));
    y = std::clamp<int>(y, 0, std::max<int>(0, range.cy - client.bottom));
    const int dx = position_.x - x;
    const int dy = position_.y - y;
    if (dx || dy) {
        TFlagScope updating(updating_);
        position_ = POINT{x, y};
        for (int i = 0; i < ControlCount(); ++i) {
            TControl* control = Controls(i);
            if (control->Align() != alNone) continue;
            control->SetBounds(control->Left() + dx, control->Top() + dy, control->Width(), control->Height());
        }
        Invalidate();
    }
    UpdateScrollBars();
}

void TScrollBox::ScrollInView(TControl* control)
{
    if (!control || control->Parent() != this) return;
    RECT client = ClientRect();
    RECT bounds = control->BoundsRect();
    int x = position_.x;
    int y = position_.y;
    if (bounds.right > client.right) x += bounds.right - client.right;
    if (bounds.left < 0) x += bounds.left;
    if (bounds.bottom > client.bottom) y += bounds.bottom - client.bottom;
    if (bounds.top < 0) y += bounds.top;
    ScrollTo(x, y);
}

void TScrollBox::UpdateScrollBars()
{
    if (!HandleAllocated() || updating_) return;
    TFlagScope updating(updating_);
    // Showing one bar narrows the client area, which can call for the
    // other: twice settles it.
    for (int pass = 0; pass < 2; ++pass) {
        RECT client = ClientRect();
        SIZE range = Range();
        const int pages[2] = {client.right, client.bottom};
        const LONG ranges[2] = {range.cx, range.cy};
        const int positions[2] = {position_.x, position_.y};
        for (int bar : {SB_HORZ, SB_VERT}) {
            SCROLLINFO info{sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS, 0, 0, 0, 0, 0};
            const bool needed = ranges[bar] > pages[bar];
            info.nMax = needed ? ranges[bar] - 1 : 0;
            info.nPage = needed ? pages[bar] : 0;
            info.nPos = needed ? positions[bar] : 0;
            SetScrollInfo(Handle(), bar, &info, TRUE);
        }
    }
}

void TScrollBox::AlignControls(TControl* control, RECT& rect)
{
    TCustomControl::AlignControls(control, rect);
    UpdateScrollBars();
}

void TScrollBox::ControlBoundsChanged(TControl*)
{
    // A child that shrank may leave the position beyond what is needed.
    if (!updating_) ScrollTo(position_.x, position_.y);
}

int TScrollBox::ScrollCode(int bar, int code)
{
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), bar, &info);
    switch (code) {
    case SB_LINEUP: return info.nPos - LineStep;
    case SB_LINEDOWN: return info.nPos + LineStep;
    case SB_PAGEUP: return info.nPos - static_cast<int>(info.nPage);
    case SB_PAGEDOWN: return info.nPos + static_cast<int>(info.nPage);
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return info.nTrackPos;
    case SB_TOP: return info.nMin;
    case SB_BOTTOM: return info.nMax;
    default: return info.nPos;
    }
}

void TScrollBox::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_HSCROLL:
        // Only the window's own bars: a child's scroll bar reports through lParam.
        if (message.LParam) break;
        ScrollTo(ScrollCode(SB_HORZ, LOWORD(message.WParam)), position_.y);
        return;
    case WM_VSCROLL:
        if (message.LParam) break;
        ScrollTo(position_.x, ScrollCode(SB_VERT, LOWORD(message.WParam)));
        return;
    case WM_MOUSEWHEEL: {
        const int notches = GET_WHEEL_DELTA_WPARAM(message.WParam) / WHEEL_DELTA;
        ScrollTo(position_.x, position_.y - notches * 3 * LineStep);
        message.Result = 0;
        return;
    }
    case WM_SIZE:
        TCustomControl::WndProc(message);
        // A larger window may show more than the position leaves room for.
        ScrollTo(position_.x, position_.y);
        return;
    }
    TCustomControl::WndProc(message);
}
