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

TEST(UxDrawing, DisabledBitmapsShadowWhatIsNotTheMonoColour)
{
    // A 4 x 4 white bitmap with a black 2 x 2 square at (1, 1).
    auto bitmap = giftest::MakeBitmap(4, 4, [](int x, int y) {
        return x >= 1 && x <= 2 && y >= 1 && y <= 2 ? RGB(0, 0, 0) : RGB(255, 255, 255);
    });
    std::unique_ptr<TBitmap> disabled(MakeDisabledBitmapEx(*bitmap, RGB(255, 255, 255), Blue, Green, Red, true));
    ASSERT_EQ(disabled->Width(), 4);
    auto pixel = [&](int x, int y) { return GetPixel(disabled->Canvas().Handle(), x, y); };
    EXPECT_EQ(pixel(0, 0), Blue) << "the mono colour stays background";
    EXPECT_EQ(pixel(1, 1), Red) << "the shadow in place";
    EXPECT_EQ(pixel(3, 3), Green) << "the highlight one pixel down and right";
    std::unique_ptr<TBitmap> flat(MakeDisabledBitmapEx(*bitmap, RGB(255, 255, 255), Blue, Green, Red, false));
    EXPECT_EQ(GetPixel(flat->Canvas().Handle(), 3, 3), Blue) << "no highlight asked";
}

TEST(UxDrawing, GlyphCellsAreCutAlongTheRows)
{
    // Four cells in two rows of two: red, green / blue, white.
    auto strip = giftest::MakeBitmap(8, 6, [](int x, int y) {
        const TColor cells[] = {Red, Green, Blue, RGB(255, 255, 255)};
        return cells[(y / 3) * 2 + x / 4];
    });
    TBitmap cell;
    for (auto [index, colour] : {std::pair{0, Red}, {1, Green}, {2, Blue}, {-5, Red}}) {
        ExtractGlyphCell(*strip, cell, 2, index, 2);
        EXPECT_EQ(cell.Width(), 4);
        EXPECT_EQ(cell.Height(), 3);
        EXPECT_EQ(GetPixel(cell.Canvas().Handle(), 2, 1), colour) << index;
    }
    ExtractGlyphCell(*strip, cell, 0, 0, 0);
    EXPECT_EQ(cell.Width(), 8) << "no columns count as one";
}
