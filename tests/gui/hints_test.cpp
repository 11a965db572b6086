// Hints show after the pointer rests on a control that has one, and go
// when it moves on or the user clicks.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Hints.h"

using namespace tvmtest;

namespace {

void PumpFor(DWORD milliseconds)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(10)) Pump();
}

void MoveOver(TWinControl& window, POINT client)
{
    PostMessageA(window.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    Pump();
}

}

TEST(Hints, AWindowlessControlsHintShowsAfterThePause)
{
    TTestForm form(nullptr, 240, 160);
    TSwatch quiet(&form, &form, RGB(0, 0, 255), RECT{10, 10, 60, 60});
    TSwatch talking(&form, &form, RGB(255, 0, 0), RECT{100, 10, 150, 60});
    talking.Hint = "Red square";
    talking.ShowHint = true;
    form.Show();
    THintManager& hints = Application->Hints();
    hints.HintPause = 200;
    THintWindow* window = hints.HintWindow();

    MoveOver(form, POINT{30, 30});
    PumpFor(400);
    EXPECT_FALSE(window->Showing()) << "no hint of its own";

    MoveOver(form, POINT{120, 30});
    EXPECT_EQ(hints.Hint(), "Red square");
    EXPECT_FALSE(window->Showing()) << "not before the pause";
    PumpFor(600);
    ASSERT_TRUE(window->Showing());
    EXPECT_TRUE(IsWindowVisible(window->Handle()));
    EXPECT_EQ(window->Caption(), "Red square");
    const TRect needed = window->CalcHintRect(300, "Red square");
    EXPECT_GT(RectWidth(needed), 20);

    MoveOver(form, POINT{30, 30});
    EXPECT_FALSE(window->Showing()) << "moving to another control takes it away";
    EXPECT_EQ(hints.Hint(), "");

    hints.ShowHint = false;
    MoveOver(form, POINT{120, 30});
    PumpFor(400);
    EXPECT_FALSE(window->Showing()) << "the application's switch holds";
    hints.ShowHint = true;
}
