// Scroll boxes scroll children that reach beyond them; splitters resize the
// control beside them within their limits.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "ScrollBox.h"

using namespace tvmtest;

namespace {

SCROLLINFO BarOf(HWND window, int bar)
{
    SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(window, bar, &info)) info.nMax = -1;
    return info;
}

}

TEST(ScrollBox, BarsFollowTheChildrenAndScrollingMovesThem)
{
    TTestForm form(nullptr, 300, 300);
    TScrollBox box(&form);
    box.SetBorderStyle(bsNone);
    box.SetBounds(0, 0, 120, 100);
    box.SetParent(&form);
    TPanel inner(&form);
    inner.SetBounds(0, 0, 400, 250);
    inner.SetParent(&box);
    form.Show();
    HWND window = box.Handle();
    const RECT client = box.ClientRect();
    EXPECT_EQ(BarOf(window, SB_HORZ).nMax, 399);
    EXPECT_EQ(BarOf(window, SB_VERT).nMax, 249);
    EXPECT_EQ(BarOf(window, SB_VERT).nPage, static_cast<UINT>(client.bottom)) << "the page is the client area";

    box.ScrollTo(50, 10000);
    EXPECT_EQ(box.HorzPosition(), 50);
    EXPECT_EQ(box.VertPosition(), 250 - client.bottom) << "kept within what the children need";
    EXPECT_EQ(inner.Left(), -50);
    EXPECT_EQ(inner.Top(), client.bottom - 250);

    SendMessageA(window, WM_HSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(box.HorzPosition(), 34);
    SendMessageA(window, WM_HSCROLL, SB_TOP, 0);
    EXPECT_EQ(inner.Left(), 0);

    inner.SetBounds(inner.Left(), inner.Top(), 50, 50);
    EXPECT_EQ(box.VertPosition(), 0) << "a child that shrank brings the contents back";
    EXPECT_EQ(inner.Top(), 0);
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_VSCROLL) << "no bar when all shows";

    inner.SetBounds(200, 180, 40, 40);
    box.ScrollInView(&inner);
    const RECT shown = inner.BoundsRect();
    const RECT now = box.ClientRect();
    EXPECT_LE(shown.right, now.right);
    EXPECT_LE(shown.bottom, now.bottom);
    EXPECT_GE(shown.left, 0);
}

TEST(Splitter, DraggingResizesTheControlBesideItWithinMinSize)
{
    TTestForm form(nullptr, 300, 120);
    TPanel left(&form);
    left.SetAlign(alLeft);
    left.SetBounds(0, 0, 100, 10);
    left.SetParent(&form);
    TSplitter splitter(&form);
    splitter.SetParent(&form);
    splitter.SetLeft(100);
    TPanel rest(&form);
    rest.SetAlign(alClient);
    rest.SetParent(&form);
    int moved = 0;
    splitter.OnMoved = [&](TObject*) { ++moved; };
    form.Show();
    ASSERT_EQ(splitter.Left(), 100);

    HWND window = form.Handle();
    auto drag = [&](int fromX, int toX) {
        SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(fromX, 20));
        SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(toX, 20));
        SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(toX, 20));
    };
    drag(101, 151);
    EXPECT_EQ(left.Width(), 150);
    EXPECT_EQ(splitter.Left(), 150);
    EXPECT_EQ(moved, 1);

    drag(151, 1000);
    EXPECT_EQ(rest.Width(), splitter.MinSize) << "what lies beyond keeps its minimum";
    drag(splitter.Left() + 1, 0);
    EXPECT_EQ(left.Width(), splitter.MinSize);

    splitter.SetEnabled(false);
    drag(splitter.Left() + 1, 200);
    EXPECT_EQ(left.Width(), splitter.MinSize) << "a disabled splitter does not move";
    EXPECT_EQ(moved, 3);
}
