// Spin edits: the value within its limits, unreadable text raising, and
// steps by keys and by the arrows.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Exceptions.h"
#include "Spin.h"

using namespace tvmtest;

TEST(SpinEdit, ValueKeepsWithinTheLimitsAndRaisesOnUnreadableText)
{
    TTestForm form(nullptr);
    TSpinEdit edit(&form);
    edit.SetParent(&form);
    form.Show();
    struct Case {
        int min, max;
        const char* text;
        int value;
    } cases[] = {
        {0, 10, "7", 7},   {0, 10, "15", 10},     {0, 10, "-3", 0},
        {0, 0, "-3", -3},  {0, 0, "99999999", 99999999}, {1, 9999999, "0", 1},
    };
    for (const Case& c : cases) {
        edit.SetLimits(c.min, c.max);
        edit.SetText(c.text);
        EXPECT_EQ(edit.Value(), c.value) << c.min << ".." << c.max << " " << c.text;
    }
    edit.SetLimits(0, 10);
    edit.SetValue(20);
    EXPECT_EQ(edit.Text(), "10");
    for (const char* bad : {"", "12x", "abc", " - "}) {
        edit.SetText(bad);
        EXPECT_THROW(edit.Value(), EConvertError) << "'" << bad << "'";
    }
}

TEST(SpinEdit, KeysAndArrowsStepTheValueAndLettersAreRefused)
{
    TTestForm form(nullptr);
    TSpinEdit edit(&form);
    edit.SetParent(&form);
    edit.SetLimits(0, 3);
    edit.Increment = 2;
    form.Show();
    HWND window = edit.Handle();
    SendMessageA(window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(edit.Value(), 2);
    SendMessageA(window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(edit.Value(), 3) << "a step stops at the limit";

    edit.SetText("x");
    SendMessageA(window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(edit.Text(), "0") << "unreadable text steps from the minimum";

    HWND arrows = GetWindow(window, GW_CHILD);
    ASSERT_NE(arrows, nullptr);
    RECT box;
    GetClientRect(arrows, &box);
    const LPARAM top = MAKELPARAM(box.right / 2, 2);
    SendMessageA(arrows, WM_LBUTTONDOWN, MK_LBUTTON, top);
    SendMessageA(arrows, WM_LBUTTONUP, 0, top);
    EXPECT_EQ(edit.Value(), 2) << "the upper arrow steps up";

    edit.SetSelStart(0);
    edit.SetSelLength(1);
    for (char c : std::string("a1")) SendMessageA(window, WM_CHAR, static_cast<BYTE>(c), 1);
    EXPECT_EQ(edit.Text(), "1") << "the letter is refused, the digit replaces the selection";
}
