#include "Canvas.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "GraphicsTestSupport.h"
#include "ImageList.h"

#include <gtest/gtest.h>

using tvmtest::Surface;

namespace {

// An 8 x 8 picture: a red 4 x 4 square on a fuchsia background.
void PaintSquare(TBitmap& bitmap, TColor square = clRed)
{
    bitmap.SetSize(8, 8);
    bitmap.Canvas().Brush().SetColor(clFuchsia);
    bitmap.Canvas().FillRect(Rect(0, 0, 8, 8));
    bitmap.Canvas().Brush().SetColor(square);
    bitmap.Canvas().FillRect(Rect(2, 2, 6, 6));
}

TColor SysColor(int index) { return static_cast<TColor>(GetSysColor(index)); }

}

TEST(ImageList, MaskedImagesDrawThroughTheirMaskAndDisabledOnesEmbossed)
{
    TImageList list(nullptr, 8, 8);
    TBitmap picture;
    PaintSquare(picture);
    EXPECT_EQ(list.AddMasked(picture, clFuchsia), 0);
    EXPECT_EQ(picture.Canvas().Pixels(0, 0), clFuchsia);  // the caller's bitmap is left alone

    Surface surface(20, 10);
    surface.Fill(clTeal);
    list.Draw(surface.Canvas(), 0, 0, 0);
    list.Draw(surface.Canvas(), 10, 0, 0, false);
    EXPECT_EQ(surface.Pixel(0, 0), clTeal);
    EXPECT_EQ(surface.Pixel(3, 3), clRed);
    // Disabled: the square in shadow, its highlight one pixel down and right.
    EXPECT_EQ(surface.Pixel(12, 2), SysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(surface.Pixel(15, 5), SysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(surface.Pixel(16, 6), SysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(surface.Pixel(16, 3), SysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(surface.Pixel(11, 1), clTeal);
    EXPECT_EQ(surface.Pixel(17, 7), clTeal);
}

TEST(ImageList, SelectedImagesBlendWithTheBlendColour)
{
    TImageList list(nullptr, 8, 8);
    TBitmap picture;
    PaintSquare(picture, clBlack);
    list.AddMasked(picture, clFuchsia);
    list.BlendColor = clWhite;
    Surface surface(8, 8);
    surface.Fill(clTeal);
    list.DrawingStyle = dsSelected;
    list.Draw(surface.Canvas(), 0, 0, 0);
    // Half way to white over the square, mixed or dithered.
    int red = 0;
    for (int y = 2; y < 6; ++y)
        for (int x = 2; x < 6; ++x) red += GetRValue(static_cast<COLORREF>(surface.Pixel(x, y)));
    EXPECT_GT(red / 16, 0x40);
    EXPECT_LT(red / 16, 0xC0);
    EXPECT_EQ(surface.Pixel(0, 0), clTeal);
}

TEST(ImageList, AddReplaceDeleteAndGetBitmapKeepIndexesAndTellLinks)
{
    TImageList list(nullptr, 8, 8);
    int changes = 0;
    {
        TChangeLink link;
        link.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &list);
            ++changes;
        };
        list.RegisterChanges(&link);
        TBitmap strip;  // two cells wide: two images
        strip.SetSize(16, 8);
        strip.Canvas().Brush().SetColor(clRed);
        strip.Canvas().FillRect(Rect(0, 0, 8, 8));
        strip.Canvas().Brush().SetColor(clBlue);
        strip.Canvas().FillRect(Rect(8, 0, 16, 8));
        EXPECT_EQ(list.Add(strip, nullptr), 0);
        EXPECT_EQ(list.Count(), 2);
        TBitmap green;
        PaintSquare(green, clGreen);
        list.Replace(0, green, nullptr);
        list.Delete(1);
        EXPECT_EQ(changes, 3);
    }
    list.Clear();
    EXPECT_EQ(changes, 3);  // the link left with its owner
    EXPECT_EQ(list.Count(), 0);

    TBitmap green;
    PaintSquare(green, clGreen);
    list.AddMasked(green, clFuchsia);
    TBitmap out;
    list.BkColor = clYellow;
    list.GetBitmap(0, out);
    EXPECT_EQ(out.Width(), 8);
    EXPECT_EQ(out.Canvas().Pixels(3, 3), clGreen);
    EXPECT_EQ(out.Canvas().Pixels(0, 0), clYellow);
    EXPECT_THROW(list.Delete(5), EInvalidOperation);

    list.SetWidth(10);  // a new size empties the list
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, LeavesNoGdiObjectsBehind)
{
    const DWORD before = tvmtest::GdiObjectCount();
    {
        TImageList list(nullptr, 8, 8);
        TBitmap picture;
        PaintSquare(picture);
        list.AddMasked(picture, clFuchsia);
        list.Add(picture, nullptr);
        Surface surface(16, 16);
        list.Draw(surface.Canvas(), 0, 0, 0, false);
        list.Draw(surface.Canvas(), 0, 0, 1);
        TBitmap out;
        list.GetBitmap(0, out);
        DestroyIcon(list.GetIcon(0));
    }
    EXPECT_EQ(tvmtest::GdiObjectCount(), before);
}
