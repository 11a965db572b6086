// The colour and font dialogs run modally, hand their window to the caller
// while open, and give back what the user chose.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Dialogs.h"

using namespace tvmtest;

TEST(Dialogs, ConfirmedAndCancelledDialogsGiveBackWhatTheyShow)
{
    TTestForm form(nullptr);
    form.Show();
    TColorDialog colors;
    colors.Owner = form.Handle();
    colors.Color = clRed;
    colors.OnShow = [&](TObject*) { PostMessageA(colors.Handle(), WM_COMMAND, IDCANCEL, 0); };
    EXPECT_FALSE(colors.Execute());
    EXPECT_EQ(colors.Color, clRed);

    TFontDialog fonts;
    fonts.Owner = form.Handle();
    fonts.Font()->SetSize(14);
    fonts.OnShow = [&](TObject*) { PostMessageA(fonts.Handle(), WM_COMMAND, IDOK, 0); };
    ASSERT_TRUE(fonts.Execute());
    const std::string name = fonts.Font()->GetName();
    const int size = fonts.Font()->GetSize();
    ASSERT_TRUE(fonts.Execute());
    EXPECT_EQ(fonts.Font()->GetName(), name) << "confirmed unchanged, the font stays";
    EXPECT_EQ(fonts.Font()->GetSize(), size);
}
