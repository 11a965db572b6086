#include <gtest/gtest.h>

#include "GifCodec.h"
#include "GifTestSupport.h"
#include "UxUtils.h"
#include "gui/ControlTestSupport.h"
#include "gui/GraphicsTestSupport.h"

using tvmtest::Surface;

namespace {

constexpr TColor Red = RGB(255, 0, 0), Green = RGB(0, 255, 0), Blue = RGB(0, 0, 255);

// Red with a green left column and a white right one.
TColor Keyed(int x, int)
{
    return x == 0 ? Green : x == 3 ? RGB(255, 255, 255) : Red;
}

TEST(UxDrawing, StretchBitmapKeyedLeavesTheKeyColourOut)
{
    struct Case {
        const char* what;
        TColor key;
        TColor left, middle;  // at the stretched left column and inside
    };
    const Case cases[] = {
        {"a key colour", Green, Blue, Red},
        {"no key", clNone, Green, Red},
        {"the bottom-left pixel", clDefault, Blue, Red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto bitmap = giftest::MakeBitmap(4, 2, Keyed);
        Surface surface(16, 8);
        surface.Fill(Blue);
        // Twice the size, at (4, 2); W and H below 1 would take the bitmap's size.
        StretchBitmapKeyed(surface.Canvas(), 4, 2, 8, 4, *bitmap, 0, 0, 0, 0, c.key);
        EXPECT_EQ(surface.Pixel(4, 2), c.left);
        EXPECT_EQ(surface.Pixel(5, 5), c.left);
        EXPECT_EQ(surface.Pixel(7, 3), c.middle);
        EXPECT_EQ(surface.Pixel(3, 2), Blue) << "nothing outside the rectangle";
        EXPECT_EQ(surface.Pixel(12, 2), Blue);
    }

    // A rectangle of the bitmap unscaled: its columns 1 to 3.
    auto bitmap = giftest::MakeBitmap(4, 2, Keyed);
    Surface surface(8, 4);
    surface.Fill(Blue);
    PaintBitmapRectTransparent(surface.Canvas(), 0, 0, *bitmap, Rect(1, 0, 4, 2), RGB(255, 255, 255));
    EXPECT_EQ(surface.Pixel(0, 0), Red);
    EXPECT_EQ(surface.Pixel(2, 1), Blue);
}

TEST(UxDrawing, GifImageDrawsItsFrameSeeThrough)
{
    TGIFImage image;
    auto bitmap = giftest::MakeBitmap(4, 2, Keyed);
    image.AddFrame(bitmap.get());
    image.GetFrame(0).SetTransparentColor(Green);
    Surface surface(8, 4);
    surface.Fill(Blue);
    surface.Canvas().Draw(0, 0, image);
    EXPECT_EQ(surface.Pixel(0, 0), Blue);
    EXPECT_EQ(surface.Pixel(1, 1), Red);
    // Not transparent: drawn plainly.
    image.SetTransparent(false);
    surface.Canvas().Draw(0, 0, image);
    EXPECT_EQ(surface.Pixel(0, 0), Green);
}

}  // namespace

namespace {

TEST(UxDrawing, PaintParentImagePaintsWhatLiesBehind)
{
    tvmtest::TTestForm form(nullptr, 100, 100);
    form.SetColor(Red);
    tvmtest::TSwatch before(&form, &form, Blue, Rect(10, 10, 30, 30));
    tvmtest::TSwatch hidden(&form, &form, RGB(0, 255, 255), Rect(50, 20, 55, 25));
    hidden.SetVisible(false);
    tvmtest::TSwatch control(&form, &form, Green, Rect(20, 20, 60, 60));
    tvmtest::TSwatch after(&form, &form, RGB(255, 255, 0), Rect(40, 40, 50, 50));
    Surface surface(40, 40);
    surface.Fill(clBlack);
    PaintParentImage(control, surface.Canvas());
    EXPECT_EQ(surface.Pixel(0, 0), Blue) << "a sibling before the control";
    EXPECT_EQ(surface.Pixel(15, 15), Red) << "the parent's background";
    EXPECT_EQ(surface.Pixel(25, 25), Red) << "not a sibling after it";
    EXPECT_EQ(surface.Pixel(32, 2), Red) << "not a hidden sibling";
    EXPECT_EQ(before.ControlState() & csPaintCopy, 0u);
}

}  // namespace
