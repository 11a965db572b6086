// The common dialogs run modally, hand their window to the caller while
// open (a file dialog is moved by its caller and closed from a timer), and
// give back what the user chose.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "Dialogs.h"
#include "GuiTestSupport.h"
#include "SysUtils.h"
#include "Timers.h"

#include <dlgs.h>

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

TEST(Dialogs, FileDialogIsCentredByItsCallerAndClosedByATimerWithANameTyped)
{
    ScratchDir dir;
    TTestForm form(nullptr, 640, 480);
    form.Show();
    TSaveDialog save;
    save.Owner = form.Handle();
    save.InitialDir = dir.Path();
    save.DefaultExt = "flv";
    save.Filter = "Movies (*.swf;*.flv)|*.swf;*.flv|All files|*.*";
    save.FilterIndex = 2;
    // A dialog that moved the current folder into the scratch folder would
    // keep it from being removed.
    save.Options |= ofNoChangeDir;
    RECT owner{}, shown{};
    GetWindowRect(form.Handle(), &owner);
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(200);
    save.OnShow = [&](TObject*) {
        // The handle is the dialog itself, not the hook's child: moving it
        // moves what the user sees.
        RECT dialog;
        GetWindowRect(save.Handle(), &dialog);
        const int width = dialog.right - dialog.left, height = dialog.bottom - dialog.top;
        SetWindowPos(save.Handle(), nullptr, (owner.left + owner.right - width) / 2, (owner.top + owner.bottom - height) / 2, 0,
                     0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        timer.SetEnabled(true);
    };
    timer.SetOnTimer([&](TObject*) {
        timer.SetEnabled(false);
        GetWindowRect(save.Handle(), &shown);
        // The name box is a combo in newer dialogs and an edit in older ones.
        const int nameBox = GetDlgItem(save.Handle(), cmb13) ? cmb13 : edt1;
        SendMessageA(save.Handle(), CDM_SETCONTROLTEXT, nameBox, reinterpret_cast<LPARAM>("clip"));
        PostMessageA(save.Handle(), WM_COMMAND, IDOK, 0);
    });
    int closed = 0;
    save.OnClose = [&](TObject*) { ++closed; };

    ASSERT_TRUE(save.Execute());
    EXPECT_NEAR((shown.left + shown.right) / 2, (owner.left + owner.right) / 2, 1) << "centred, and left there";
    EXPECT_NEAR((shown.top + shown.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    EXPECT_TRUE(AnsiSameText(save.FileName, dir.Path() + "clip.flv")) << save.FileName << ": the default extension added";
    EXPECT_EQ(save.Files, std::vector<std::string>{save.FileName});
    EXPECT_EQ(save.FilterIndex, 2);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(save.Handle(), nullptr);
}
