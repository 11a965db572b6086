// The 32-bit ARGB bitmap: its one blend formula, its sizes and clipping, its
// scaling and its drawing onto DIBs, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cstdint>

#include "ControlTestSupport.h"
#include "fe_bitmap.h"

namespace {

TEST(FeBitmapBlend, SourceOverDestinationByTheSourcesAlpha)
{
    struct {
        TfeColor Source, Destination, Expected;
    } cases[] = {
        {0x00FFFFFF, 0xFF123456, 0xFF123456},  // transparent source leaves the destination
        {0xFFABCDEF, 0xFF123456, 0xFFABCDEF},  // opaque source replaces it
        {0x80FFFFFF, 0xFF000000, 0xFF808080},  // half white over black
        {0x80000000, 0xFFFFFFFF, 0xFF7F7F7F},  // half black over white
        {0xFEFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},  // white over white stays white
        {0x40FF0000, 0xFF0000FF, 0xFF4000BF},  // a quarter of red over blue
        {0x80FF0000, 0x00000000, 0x80800000},  // over nothing the cover is the source's
        {0x80FF0000, 0x800000FF, 0xC080007F},  // two halves cover three quarters
    };
    for (auto c : cases)
        EXPECT_EQ(BlendPixel(c.Source, c.Destination), c.Expected) << std::hex << c.Source << " over " << c.Destination;
}

TEST(FeBitmap, SizesCountByTheirAbsoluteValueAndZeroChangesNothing)
{
    TfeBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetSize(-20, 10);
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(bitmap.Height(), 10);
    EXPECT_EQ(bitmap.BitmapInfo().biHeight, -10) << "top-down";
    EXPECT_EQ(*bitmap.PixelPtr(19, 9), 0u);
    bitmap.SetSize(0, 10);
    EXPECT_EQ(bitmap.Width(), 20);

    bitmap.FillRect(TfeRect{-5, -5, 1000, 1000}, 0xFF010203);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(*bitmap.PixelPtr(x, y), 0xFF010203u);
    bitmap.SetPixel(20, 0, 0);
    bitmap.SetPixel(0, -1, 0);
    EXPECT_EQ(*bitmap.PixelPtr(19, 0), 0xFF010203u);
    bitmap.SetPixel(3, 4, 0x80FFFFFF);
    bitmap.CheckAlpha();
    EXPECT_TRUE(bitmap.AlphaBlend);
    bitmap.SetAlpha(0);
    bitmap.CheckAlpha();
    EXPECT_FALSE(bitmap.AlphaBlend);
}

TEST(FeBitmap, StretchingSamplesTheNearestPixelAndAOnePixelColumnTheMiddle)
{
    TfeBitmap source;
    source.SetSize(4, 1);
    for (int x = 0; x < 4; ++x) source.SetPixel(x, 0, 0xFF000000 | (x + 1));
    TfeBitmap target;
    target.SetSize(8, 2);
    source.StretchDrawToBitmap(target, TfeRect{0, 0, 7, 2}, TfeRect{0, 0, 4, 1});
    // Columns 0..6 sample trunc(i * 3 / 6): 0 0 1 1 2 2 3.
    const TfeColor expected[] = {1, 1, 2, 2, 3, 3, 4};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(*target.PixelPtr(x, y), 0xFF000000 | expected[x]) << x << "," << y;
    EXPECT_EQ(*target.PixelPtr(7, 0), 0u) << "outside the destination";

    target.SetPixel(7, 0, 0);
    source.StretchDrawToBitmap(target, TfeRect{7, 0, 8, 1}, TfeRect{0, 0, 4, 1});
    EXPECT_EQ(*target.PixelPtr(7, 0), 0xFF000002u) << "(0 + 4 - 1) div 2 is column 1";

    // A source rectangle outside the bitmap draws nothing.
    target.FillRect(TfeRect{0, 0, 8, 2}, 0);
    source.StretchDrawToBitmap(target, TfeRect{0, 0, 8, 2}, TfeRect{0, 0, 5, 1});
    EXPECT_EQ(*target.PixelPtr(0, 0), 0u);
}

TEST(FeBitmap, DrawsOntoADibOpaqueKeyedAndBlended)
{
    TfeBitmap bitmap;
    bitmap.SetSize(3, 1);
    bitmap.SetPixel(0, 0, 0xFF0000FF);  // opaque blue
    bitmap.SetPixel(1, 0, 0xFF7F007F);  // the key colour
    bitmap.SetPixel(2, 0, 0x80FF0000);  // half red

    struct {
        const char* Mode;
        bool Transparent, AlphaBlend;
        COLORREF Expected[3];  // over a white DIB, as GDI colours
    } cases[] = {
        {"opaque", false, false, {RGB(0, 0, 255), RGB(127, 0, 127), RGB(255, 0, 0)}},
        {"keyed", true, false, {RGB(0, 0, 255), RGB(255, 255, 255), RGB(255, 0, 0)}},
        {"blended", false, true, {RGB(0, 0, 255), RGB(127, 0, 127), RGB(255, 127, 127)}},
    };
    for (auto c : cases) {
        tvmtest::TPixels dib(5, 3);
        RECT all{0, 0, 5, 3};
        FillRect(dib.DC(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        bitmap.Transparent = c.Transparent;
        bitmap.AlphaBlend = c.AlphaBlend;
        bitmap.Draw(dib.DC(), 1, 1);
        GdiFlush();
        for (int x = 0; x < 3; ++x) EXPECT_EQ(dib.At(x + 1, 1), c.Expected[x]) << c.Mode << " pixel " << x;
        EXPECT_EQ(dib.At(0, 1), RGB(255, 255, 255)) << c.Mode << ": nothing beside it";
        EXPECT_EQ(dib.At(1, 0), RGB(255, 255, 255)) << c.Mode;
    }
}

TEST(FeBitmap, DrawingIntoAnotherBitmapsDCGoesToItsPixels)
{
    TfeBitmap source;
    source.SetSize(2, 2);
    source.FillRect(TfeRect{0, 0, 2, 2}, 0x80FFFFFF);
    source.AlphaBlend = true;
    TfeBitmap target;
    target.SetSize(4, 4);
    target.FillRect(TfeRect{0, 0, 4, 4}, 0xFF000000);
    source.DrawTo(target.GetCanvas(), 1, 1);
    EXPECT_EQ(*target.PixelPtr(1, 1), 0xFF808080u);
    EXPECT_EQ(*target.PixelPtr(2, 2), 0xFF808080u);
    EXPECT_EQ(*target.PixelPtr(0, 0), 0xFF000000u);
    EXPECT_EQ(*target.PixelPtr(3, 3), 0xFF000000u);
}

TEST(FeBitmap, AssigningA32BitBitmapKeepsItsAlphaAndAnyOtherComesOutOpaque)
{
    TBitmap dib;
    dib.SetPixelFormat(pf32bit);
    dib.SetSize(2, 1);
    auto* row = static_cast<uint32_t*>(dib.ScanLine(0));
    row[0] = 0xFF102030;
    row[1] = 0x00000000;
    TfeBitmap bitmap;
    bitmap.Assign(&dib);
    EXPECT_EQ(*bitmap.PixelPtr(0, 0), 0xFF102030u);
    EXPECT_FALSE(bitmap.AlphaBlend) << "alphas of only 0 and 255";
    row = static_cast<uint32_t*>(dib.ScanLine(0));
    row[1] = 0x80000000;
    bitmap.Assign(&dib);
    EXPECT_TRUE(bitmap.AlphaBlend);

    TBitmap rgb;
    rgb.SetPixelFormat(pf24bit);
    rgb.SetSize(1, 1);
    rgb.Canvas().SetPixels(0, 0, RGB(1, 2, 3));
    bitmap.Assign(&rgb);
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_EQ(*bitmap.PixelPtr(0, 0), 0xFF010203u);

    TfeBitmap copy;
    bitmap.Name = "frame";
    copy.Assign(&bitmap);
    EXPECT_EQ(copy.Name, "frame");
    EXPECT_EQ(*copy.PixelPtr(0, 0), 0xFF010203u);
}

}
