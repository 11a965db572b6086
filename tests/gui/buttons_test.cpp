// Buttons with glyphs: what they paint by state, the modal result of a
// bitmap button, and speed buttons that stay down alone in their group.
#include <gtest/gtest.h>

#include "Buttons.h"
#include "ControlTestSupport.h"

using namespace tvmtest;

namespace {

// A red square whose bottom-left pixel, green, marks the transparent colour.
void MakeGlyph(TBitmap& glyph, int cells)
{
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(16 * cells, 16);
    glyph.Canvas().Brush().SetColor(clRed);
    glyph.Canvas().FillRect(Rect(0, 0, 16 * cells, 16));
    for (int cell = 1; cell < cells; ++cell) {
        glyph.Canvas().Brush().SetColor(clBlue);
        glyph.Canvas().FillRect(Rect(16 * cell, 0, 16 * cell + 16, 16));
    }
    glyph.Canvas().SetPixels(0, 15, clLime);
}

void ClickAt(HWND window, int x, int y, int releaseX = -1)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    if (releaseX >= 0) SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(releaseX, y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(releaseX >= 0 ? releaseX : x, y));
}

}

TEST(BitBtn, DrawsItsGlyphStaysOwnerDrawnAndSetsTheModalResult)
{
    TTestForm form(nullptr);
    TBitBtn button(&form);
    button.SetBounds(10, 10, 80, 30);
    TBitmap glyph;
    MakeGlyph(glyph, 1);
    button.SetGlyph(&glyph);
    button.SetDefault(true);
    button.ModalResult = mrOk;
    button.SetParent(&form);
    form.Show();
    form.Update();
    HWND window = button.Handle();
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW) << "Default keeps the owner drawing";
    EXPECT_EQ(ClientPixel(window, 40, 15), RGB(255, 0, 0));
    EXPECT_EQ(ClientPixel(window, 32, 22), ColorToRGB(clBtnFace)) << "the transparent corner shows the face";

    button.SetEnabled(false);
    button.Update();
    const COLORREF greyed = ClientPixel(window, 40, 15);
    EXPECT_TRUE(GetRValue(greyed) == GetGValue(greyed) && GetGValue(greyed) == GetBValue(greyed))
        << "one cell is greyed when disabled";
    button.SetEnabled(true);

    SendMessageA(window, BM_CLICK, 0, 0);
    EXPECT_EQ(form.ModalResult(), mrOk);
}

TEST(SpeedButton, GroupKeepsOneButtonDownAndAPressLeftOutsideIsNoClick)
{
    TTestForm form(nullptr, 200, 100);
    TSpeedButton buttons[3] = {TSpeedButton(&form), TSpeedButton(&form), TSpeedButton(&form)};
    int clicks = 0;
    for (int i = 0; i < 3; ++i) {
        buttons[i].SetBounds(i * 30, 0, 25, 25);
        buttons[i].GroupIndex = 1;
        buttons[i].OnClick = [&](TObject*) { ++clicks; };
        buttons[i].SetParent(&form);
    }
    form.Show();
    HWND window = form.Handle();
    ClickAt(window, 5, 5);
    EXPECT_TRUE(buttons[0].Down());
    ClickAt(window, 35, 5);
    EXPECT_TRUE(buttons[1].Down());
    EXPECT_FALSE(buttons[0].Down()) << "the group's other button comes up";
    ClickAt(window, 35, 5);
    EXPECT_TRUE(buttons[1].Down()) << "the last down button stays down";
    buttons[1].AllowAllUp = true;
    ClickAt(window, 35, 5);
    EXPECT_FALSE(buttons[1].Down());
    EXPECT_EQ(clicks, 4);

    ClickAt(window, 65, 5, 150);
    EXPECT_EQ(clicks, 4) << "released outside the button";
    EXPECT_FALSE(buttons[2].Down());
}

TEST(SpeedButton, FlatButtonShowsNoFrameUntilDownAndItsDownCellWhenDown)
{
    TTestForm form(nullptr, 200, 100);
    TSpeedButton button(&form);
    button.SetBounds(10, 10, 30, 30);
    button.SetFlat(true);
    TBitmap glyph;
    MakeGlyph(glyph, 4);
    button.SetGlyph(&glyph);
    button.SetNumGlyphs(4);
    button.GroupIndex = 2;
    button.SetParent(&form);
    form.Show();
    form.Update();
    HWND window = form.Handle();
    EXPECT_EQ(ClientPixel(window, 10, 10), ColorToRGB(button.Color())) << "no frame while flat and up";
    EXPECT_EQ(ClientPixel(window, 25, 25), RGB(255, 0, 0)) << "the up cell";

    button.SetDown(true);
    form.Update();
    EXPECT_EQ(ClientPixel(window, 10, 10), ColorToRGB(clBtnShadow)) << "a down flat button is sunk";
    EXPECT_EQ(ClientPixel(window, 26, 26), RGB(0, 0, 255)) << "the down cell, one pixel lower";
}
