// Panels, group boxes and images: their frames keep aligned children inside,
// and they paint what they hold.
#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "ExtCtrls.h"

using namespace tvmtest;

TEST(ExtControls, AlignedChildrenFillThePanelInsideItsFrames)
{
    TTestForm form(nullptr);
    TPanel panel(&form);
    panel.SetBounds(10, 10, 120, 80);
    panel.SetBevelInner(bvLowered);
    panel.SetBevelWidth(2);
    panel.SetBorderWidth(3);
    panel.SetParent(&form);
    TPanel child(&form);
    child.SetParent(&panel);
    child.SetAlign(alClient);
    form.Show();
    // Outer bevel 2 + border 3 + inner bevel 2.
    EXPECT_EQ(child.BoundsRect().left, 7);
    EXPECT_EQ(child.BoundsRect().top, 7);
    EXPECT_EQ(child.Width(), 120 - 14);
    EXPECT_EQ(child.Height(), 80 - 14);

    panel.SetBevelInner(bvNone);
    EXPECT_EQ(child.BoundsRect().left, 5) << "a frame change realigns the children";
}

TEST(ExtControls, RaisedPanelIsLitFromTheTopLeft)
{
    TTestForm form(nullptr);
    TPanel panel(&form);
    panel.SetBounds(0, 0, 60, 40);
    panel.SetColor(clRed);
    panel.SetParent(&form);
    form.Show();
    form.Update();
    HWND window = panel.Handle();
    EXPECT_EQ(ClientPixel(window, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(ClientPixel(window, 59, 39), ColorToRGB(clBtnShadow));
    EXPECT_EQ(ClientPixel(window, 5, 20), RGB(255, 0, 0));
}

TEST(ExtControls, GroupBoxChildrenLieBelowTheCaption)
{
    TTestForm form(nullptr);
    TGroupBox box(&form);
    box.SetCaption("Options");
    box.SetParent(&form);
    TPanel child(&form);
    child.SetParent(&box);
    child.SetAlign(alTop);
    form.Show();
    EXPECT_GT(child.Top(), 5);
    EXPECT_GE(child.Left(), 1);
}

TEST(ExtControls, GroupBoxDrawsItsEtchedFrameAndCaption)
{
    TTestForm form(nullptr);
    TGroupBox box(&form);
    box.SetBounds(10, 10, 150, 80);
    box.SetCaption("Options");
    box.SetParent(&form);
    form.Show();
    form.Update();
    HWND window = box.Handle();
    ASSERT_EQ(GetParent(window), form.Handle()) << "a caption set before the parent makes no window of its own";
    EXPECT_EQ(ClientPixel(window, 0, 60), ColorToRGB(clBtnShadow)) << "the frame's left edge";
    EXPECT_EQ(ClientPixel(window, 140, 79), ColorToRGB(clBtnHighlight)) << "the etched bottom";
    int inked = 0;
    for (int x = 8; x < 60; ++x)
        for (int y = 0; y < 14; ++y) inked += ClientPixel(window, x, y) == ColorToRGB(clWindowText);
    EXPECT_GT(inked, 10) << "the caption in the top edge";
}

TEST(ExtControls, ImageSizesToItsPictureAndStretches)
{
    TTestForm form(nullptr);
    form.SetColor(clBlue);
    TImage image(&form);
    image.SetParent(&form);
    image.SetAutoSize(true);
    TBitmap bitmap;
    bitmap.SetSize(16, 12);
    bitmap.Canvas().Brush().SetColor(clLime);
    bitmap.Canvas().FillRect(Rect(0, 0, 16, 12));
    image.Picture()->Assign(&bitmap);
    EXPECT_EQ(image.Width(), 16);
    EXPECT_EQ(image.Height(), 12);

    image.SetAutoSize(false);
    image.SetBounds(0, 0, 64, 48);
    image.SetStretch(true);
    form.Show();
    form.Update();
    EXPECT_EQ(ClientPixel(form.Handle(), 60, 44), RGB(0, 255, 0));
    image.SetStretch(false);
    form.Update();
    EXPECT_EQ(ClientPixel(form.Handle(), 60, 44), RGB(0, 0, 255)) << "unstretched, the picture keeps its size";
}
