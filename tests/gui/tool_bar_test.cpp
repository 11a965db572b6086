// The tool bar: its buttons' clicks, check buttons that stay down, buttons
// standing for menu items, buttons drawn by the program in the state the
// pointer leaves them in, and the real pointer's hover and hints.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Hints.h"
#include "Menus.h"
#include "ToolBars.h"

using namespace tvmtest;

namespace {

POINT Centre(const TControl& control)
{
    RECT r = control.BoundsRect();
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void Send(HWND window, UINT msg, WPARAM keys, POINT at)
{
    SendMessageA(window, msg, keys, MAKELPARAM(at.x, at.y));
}

struct TToolBarFixture {
    TTestForm form{nullptr, 320, 120};
    TToolBar bar{&form};
    TToolButton open{&form};
    TToolButton save{&form};
    TToolButton bold{&form};
    TMessageLog log;

    TToolBarFixture()
    {
        bar.SetFlat(true);
        bar.SetShowCaptions(true);
        bar.SetParent(&form);
        for (TToolButton* button : {&open, &save, &bold}) {
            button->SetParent(&bar);
            button->OnClick = [this, button](TObject*) { log.push_back(button->Caption()); };
        }
        open.SetCaption("Open");
        save.SetCaption("Save");
        bold.SetCaption("Bold");
        bold.SetStyle(tbsCheck);
        form.Show();
        form.Update();
    }

    void Click(const TToolButton& button)
    {
        Send(bar.Handle(), WM_MOUSEMOVE, 0, Centre(button));
        Send(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(button));
        Send(bar.Handle(), WM_LBUTTONUP, 0, Centre(button));
        Pump();
    }
};

}

TEST(ToolBar, ButtonsStandWhereTheBarDrawsThemAndClickAsTheUserClicks)
{
    TToolBarFixture f;
    EXPECT_EQ(f.open.Index(), 0);
    EXPECT_EQ(f.bold.Index(), 2);
    EXPECT_GT(f.open.Width(), 0);
    EXPECT_GE(f.save.Left(), f.open.Left() + f.open.Width()) << "side by side, in order";

    f.Click(f.save);
    EXPECT_EQ(f.log, (TMessageLog{"Save"}));

    EXPECT_FALSE(f.bold.Down());
    f.Click(f.bold);
    EXPECT_TRUE(f.bold.Down()) << "a check button stays down";
    f.save.SetCaption("Save as");
    EXPECT_TRUE(f.bold.Down()) << "and stays down when the bar rebuilds its buttons";
    f.Click(f.bold);
    EXPECT_FALSE(f.bold.Down());

    f.save.SetEnabled(false);
    f.log.clear();
    f.Click(f.save);
    EXPECT_TRUE(f.log.empty()) << "a disabled button does not click";
}

TEST(ToolBar, ButtonBoundToAMenuItemTakesItsCaptionAndClicksIt)
{
    TToolBarFixture f;
    TMainMenu menu(nullptr);
    auto* help = new TMenuItem(&menu);
    help->SetCaption("&Help");
    menu.Items()->Add(help);
    int clicks = 0;
    help->OnClick = [&](TObject*) { ++clicks; };
    TToolButton item(&f.form);
    item.SetParent(&f.bar);
    item.SetMenuItem(help);
    EXPECT_EQ(item.Caption(), "&Help");
    f.Click(item);
    EXPECT_EQ(clicks, 1);
}

TEST(ToolBar, CustomDrawSeesHotAndPressedStatesAndMayPaintTheButtonItself)
{
    TToolBarFixture f;
    std::vector<std::pair<TToolButton*, TCustomDrawState>> drawn;
    f.bar.OnCustomDrawButton = [&](TToolBar* bar, TToolButton* button, TCustomDrawState state, bool& defaultDraw) {
        drawn.emplace_back(button, state);
        if (button != &f.open) return;
        bar->Canvas()->Brush().SetColor(clRed);
        bar->Canvas()->FillRect(button->BoundsRect());
        defaultDraw = false;
    };
    auto stateOf = [&](TToolButton* button) {
        // The last state the button was drawn in; the bar is painted first.
        f.bar.Update();
        TCustomDrawState state = 0x80000000;
        for (const auto& [b, s] : drawn)
            if (b == button) state = s;
        return state;
    };
    f.bar.Repaint();
    for (TToolButton* button : {&f.open, &f.save, &f.bold}) EXPECT_EQ(stateOf(button) & (cdsHot | cdsSelected), 0u);
    const POINT openCentre = Centre(f.open);
    EXPECT_EQ(ClientPixel(f.bar.Handle(), openCentre.x, openCentre.y), RGB(255, 0, 0)) << "the handler painted it";

    Send(f.bar.Handle(), WM_MOUSEMOVE, 0, Centre(f.save));
    EXPECT_NE(stateOf(&f.save) & cdsHot, 0u) << "under the pointer";
    Send(f.bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Centre(f.save));
    EXPECT_NE(stateOf(&f.save) & cdsSelected, 0u) << "while pressed";
    Send(f.bar.Handle(), WM_LBUTTONUP, 0, Centre(f.save));
    EXPECT_EQ(stateOf(&f.save) & cdsSelected, 0u) << "released";

    Send(f.bar.Handle(), WM_MOUSEMOVE, 0, Centre(f.bold));
    EXPECT_EQ(stateOf(&f.save) & cdsHot, 0u) << "the pointer moved on";
    EXPECT_NE(stateOf(&f.bold) & cdsHot, 0u);
    EXPECT_EQ(f.log, (TMessageLog{"Save"}));
}

TEST(ToolBar, PointerRestingOnAButtonMakesItHotAndShowsItsHintUntilItLeaves)
{
    TToolBarFixture f;
    SetForegroundWindow(f.form.Handle());
    f.save.Hint = "Save the file";
    f.save.ShowHint = true;
    TWndMethod saveProc = f.save.WindowProc;
    f.save.WindowProc = [&](TMessage& message) {
        if (message.Msg == CM_MOUSEENTER) f.log.push_back("enter");
        if (message.Msg == CM_MOUSELEAVE) f.log.push_back("leave");
        saveProc(message);
    };
    TCustomDrawState saveState = 0;
    f.bar.OnCustomDrawButton = [&](TToolBar*, TToolButton* button, TCustomDrawState state, bool&) {
        if (button == &f.save) saveState = state;
    };
    THintManager& hints = Application->Hints();
    const unsigned pause = hints.HintPause, hidePause = hints.HintHidePause;
    hints.HintPause = 200;
    // Only the pointer's leaving may take the hint away.
    hints.HintHidePause = 60000;
    THintWindow* window = hints.HintWindow();

    SendMouseInput(f.bar.ClientToScreen(Centre(f.save)));
    EXPECT_TRUE(PumpUntil([&] { return (saveState & cdsHot) != 0; })) << "drawn hot under the pointer";
    EXPECT_EQ(f.log, (TMessageLog{"enter"}));
    ASSERT_TRUE(PumpUntil([&] { return window->Showing(); }));
    EXPECT_EQ(window->Caption(), "Save the file");

    SendMouseInput(POINT{20, 20});
    EXPECT_TRUE(PumpUntil([&] { return !window->Showing(); })) << "the pointer left the bar";
    EXPECT_TRUE(PumpUntil([&] { return (saveState & cdsHot) == 0; }));
    EXPECT_EQ(f.log, (TMessageLog{"enter", "leave"}));
    hints.HintPause = pause;
    hints.HintHidePause = hidePause;
}
