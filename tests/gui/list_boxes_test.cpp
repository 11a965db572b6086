// List boxes keep their rows with the control; a check list box keeps each
// row's check wherever the row moves and hands owner drawing the text area.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "ListBoxes.h"

using namespace tvmtest;

TEST(ListBoxes, ChecksTravelWithTheirRows)
{
    TCheckListBox list(nullptr);
    list.Items()->SetCommaText("a,b,c,d");
    list.SetChecked(1, true);
    list.Items()->Move(1, 3);
    EXPECT_EQ(list.Items()->GetCommaText(), "a,c,d,b");
    EXPECT_TRUE(list.Checked(3));
    EXPECT_FALSE(list.Checked(1));
    list.Items()->Exchange(3, 0);
    EXPECT_EQ(list.Items()->GetCommaText(), "b,c,d,a");
    EXPECT_TRUE(list.Checked(0));
    list.Items()->Delete(0);
    EXPECT_FALSE(list.Checked(0)) << "a deleted row takes its check with it";
    EXPECT_THROW(list.Checked(3), EStringListError);
}

TEST(ListBoxes, ClickOnTheBoxTogglesAndDrawingGetsTheTextArea)
{
    TTestForm form(nullptr, 240, 200);
    TCheckListBox list(&form);
    list.Items()->SetCommaText("one,two");
    list.SetParent(&form);
    std::vector<RECT> drawn;
    list.OnDrawItem = [&](TWinControl*, int, TRect rect, TOwnerDrawState) { drawn.push_back(rect); };
    int checks = 0;
    list.OnClickCheck = [&](TObject*) { ++checks; };
    form.Show();
    form.Update();
    ASSERT_FALSE(drawn.empty());
    const TRect row = list.ItemRect(0);
    EXPECT_GT(drawn.front().left, row.left) << "the box lies left of the text area";
    EXPECT_EQ(drawn.front().right, row.right);

    const TRect second = list.ItemRect(1);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, second.top + 2));
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, second.top + 2));
    EXPECT_TRUE(list.Checked(1));
    EXPECT_EQ(checks, 1);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, row.top + 2));
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(60, row.top + 2));
    EXPECT_FALSE(list.Checked(0)) << "a click on the text only selects";
    EXPECT_EQ(list.ItemIndex(), 0);
}

TEST(ListBoxes, RowsAndChoiceSurviveANewWindowAndCodeFiresNoClick)
{
    TTestForm form(nullptr);
    TListBox list(&form);
    list.Items()->SetCommaText("x,y,z");
    list.SetParent(&form);
    int clicks = 0;
    list.OnClick = [&](TObject*) { ++clicks; };
    form.Show();
    list.SetItemIndex(1);
    EXPECT_EQ(clicks, 0);
    list.SetMultiSelect(true);
    EXPECT_EQ(SendMessageA(list.Handle(), LB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(list.ItemIndex(), 1);
    list.SetSelected(2, true);
    EXPECT_EQ(list.SelCount(), 2);

    list.SetMultiSelect(false);
    list.SetFocus();
    list.SetItemIndex(0);
    PostMessageA(list.Handle(), WM_KEYDOWN, VK_DOWN, 1);
    Pump();
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(clicks, 1) << "the user's choice is a click";
}
