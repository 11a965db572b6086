#include "ControlTestSupport.h"

#include <gtest/gtest.h>

using namespace tvmtest;

namespace {

DWORD StyleOf(TForm& form)
{
    return static_cast<DWORD>(GetWindowLongPtrA(form.Handle(), GWL_STYLE));
}

DWORD ExStyleOf(TForm& form)
{
    return static_cast<DWORD>(GetWindowLongPtrA(form.Handle(), GWL_EXSTYLE));
}

}

TEST(FormProperties, BorderStyleAndIconsMakeTheWindowsFrame)
{
    constexpr DWORD Buttons = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    struct {
        TFormBorderStyle border;
        TBorderIcons icons;
        DWORD style;
        DWORD exStyle;
    } cases[] = {
        {bsSizeable, biSystemMenu | biMinimize | biMaximize, WS_CAPTION | WS_THICKFRAME | Buttons, 0},
        {bsSingle, biSystemMenu | biMinimize, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0},
        {bsNone, biSystemMenu | biMinimize | biMaximize, WS_POPUP, 0},
        {bsDialog, biSystemMenu | biMinimize | biHelp, WS_POPUP | WS_CAPTION | WS_SYSMENU,
         WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP},
        {bsToolWindow, biSystemMenu, WS_CAPTION | WS_SYSMENU, WS_EX_TOOLWINDOW},
        {bsSizeToolWin, 0, WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW},
    };
    constexpr DWORD Observed = WS_POPUP | WS_CAPTION | WS_THICKFRAME | Buttons;
    constexpr DWORD ObservedEx = WS_EX_DLGMODALFRAME | WS_EX_CONTEXTHELP | WS_EX_TOOLWINDOW;
    TTestForm form(nullptr);
    form.HandleNeeded();
    for (auto& c : cases) {
        form.SetBorderIcons(c.icons);
        form.SetBorderStyle(c.border);
        EXPECT_EQ(StyleOf(form) & Observed, c.style) << c.border;
        EXPECT_EQ(ExStyleOf(form) & ObservedEx, c.exStyle) << c.border;
    }
}

TEST(FormProperties, StayOnTopAndPositionAndWindowState)
{
    TTestForm form(nullptr);
    form.SetFormStyle(fsStayOnTop);
    form.SetPosition(poScreenCenter);
    form.SetWindowState(wsMaximized);
    EXPECT_TRUE(ExStyleOf(form) & WS_EX_TOPMOST);
    RECT bounds;
    GetWindowRect(form.Handle(), &bounds);
    EXPECT_EQ(bounds.left, (GetSystemMetrics(SM_CXSCREEN) - 200) / 2);
    EXPECT_EQ(bounds.top, (GetSystemMetrics(SM_CYSCREEN) - 150) / 2);
    form.SetFormStyle(fsNormal);
    EXPECT_FALSE(ExStyleOf(form) & WS_EX_TOPMOST);

    EXPECT_FALSE(IsZoomed(form.Handle())) << "a hidden form keeps its state for when it is shown";
    form.Show();
    EXPECT_TRUE(IsZoomed(form.Handle()));
    EXPECT_EQ(form.WindowState(), wsMaximized);
    form.SetWindowState(wsNormal);
    EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST(FormProperties, ActiveControlIsForgottenWhenItGoes)
{
    TTestForm form(nullptr);
    auto* panel = new TWinControl(&form);
    panel->SetParent(&form);
    auto* inner = new TWinControl(&form);
    inner->SetParent(panel);
    form.SetActiveControl(inner);
    form.SetActiveOleControl(inner);
    EXPECT_EQ(form.ActiveControl(), inner);
    panel->Free();
    EXPECT_EQ(form.ActiveControl(), nullptr);
    EXPECT_EQ(form.ActiveOleControl(), nullptr);

    TTestForm other(nullptr);
    TWinControl stranger(&other);
    stranger.SetParent(&other);
    EXPECT_THROW(form.SetActiveControl(&stranger), EInvalidOperation);
}
