// Actions: a linked control follows its action's changes and runs it when
// clicked without a handler of its own; checked actions of a group take
// turns; a freed action leaves its clients without one.
#include <gtest/gtest.h>

#include "ActnList.h"
#include "Buttons.h"
#include "ControlTestSupport.h"

using namespace tvmtest;

TEST(Actions, LinkedControlFollowsTheActionAndRunsIt)
{
    TTestForm form(nullptr);
    auto* action = new TAction(&form);
    action->SetCaption("&Open");
    action->SetHint("Opens a file");
    int runs = 0;
    action->OnExecute = [&](TObject*) { ++runs; };
    TSpeedButton button(&form);
    button.SetParent(&form);
    button.SetAction(action);
    EXPECT_EQ(button.Caption(), "&Open");
    EXPECT_EQ(button.Hint, "Opens a file");

    action->SetEnabled(false);
    EXPECT_FALSE(button.Enabled());
    action->SetEnabled(true);
    action->SetCaption("&Close");
    EXPECT_EQ(button.Caption(), "&Close");

    button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    button.Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(runs, 1) << "a click without OnClick runs the action";
    int clicks = 0;
    button.OnClick = [&](TObject*) { ++clicks; };
    button.Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    button.Perform(WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(clicks, 1) << "the control's own handler comes first";

    delete action;
    EXPECT_EQ(button.Action(), nullptr);
}

TEST(Actions, CheckedActionsOfAGroupTakeTurnsAndADisabledOneDoesNotRun)
{
    TActionList list(nullptr);
    TAction left(nullptr), right(nullptr), apart(nullptr);
    for (TAction* action : {&left, &right, &apart}) {
        action->SetActionList(&list);
        action->GroupIndex = 1;
    }
    apart.GroupIndex = 2;
    left.SetChecked(true);
    apart.SetChecked(true);
    right.SetChecked(true);
    EXPECT_FALSE(left.Checked());
    EXPECT_TRUE(right.Checked());
    EXPECT_TRUE(apart.Checked()) << "another group";

    bool ran = false;
    left.OnExecute = [&](TObject*) { ran = true; };
    left.SetEnabled(false);
    EXPECT_FALSE(left.Execute());
    EXPECT_FALSE(ran);
}
