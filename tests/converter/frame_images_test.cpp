// The frame pipeline's picture work: overlay places, the aspect fit's
// geometry and its black bars, the text overlay's alpha.
#include <gtest/gtest.h>

#include "Canvas.h"
#include "Graphics.h"
#include "kvnFrameImages.h"

namespace {

TEST(FrameImages, OverlayPositionTable)
{
    // A 100 x 40 overlay in a 550 x 400 frame, margin 5, custom place (-30, 900).
    const struct {
        int position, left, top;
    } rows[] = {
        {0, 225, 180}, {1, 5, 5}, {2, 225, 5}, {3, 445, 5}, {4, 5, 355}, {5, 225, 355}, {6, 445, 355},
        {7, -30, 900},  // outside the frame: still there, clipping is the library's
        {8, 225, 180}, {255, 225, 180},
    };
    for (const auto& row : rows) {
        int left = 0, top = 0;
        GetOverlayPosition(row.position, 5, 550, 400, 100, 40, -30, 900, left, top);
        EXPECT_EQ(left, row.left) << row.position;
        EXPECT_EQ(top, row.top) << row.position;
    }
    // Halves truncate toward zero, also for an overlay wider than the frame.
    int left = 0, top = 0;
    GetOverlayPosition(0, 0, 101, 10, 200, 13, 0, 0, left, top);
    EXPECT_EQ(left, -49);
    EXPECT_EQ(top, -1);
}

TEST(FrameImages, AspectFitGeometry)
{
    const struct {
        int aspect, width, height;
        TkvnPlacement place;
    } rows[] = {
        {0, 550, 400, {0, 0, 550, 400}},
        {4, 550, 400, {0, 0, 550, 400}},
        {5, 550, 400, {0, 0, 550, 400}},
        {1, 550, 400, {75, 0, 400, 400}},   // pillars
        {2, 550, 400, {8, 0, 534, 400}},    // 550 - 533.33 rounds to 17, 8 a side
        {3, 550, 400, {0, 45, 550, 310}},   // letterbox: 400 - 309.375 rounds to 91, 45 a side
        {3, 640, 360, {0, 0, 640, 360}},    // already 16:9
        {2, 640, 360, {80, 0, 480, 360}},
        {1, 300, 301, {0, 0, 300, 301}},    // a bar of 1 pixel splits into none
    };
    for (const auto& row : rows) {
        EXPECT_EQ(AspectFitPlacement(row.aspect, row.width, row.height), row.place)
            << row.aspect << " " << row.width << "x" << row.height;
    }
}

// The picture is squeezed between black bars and the frame keeps its size.
TEST(FrameImages, FitDrawsPictureBetweenBlackBars)
{
    TBitmap frame;
    frame.SetPixelFormat(pf24bit);
    frame.SetSize(160, 90);
    TCanvas& canvas = frame.Canvas();
    canvas.Brush().SetColor(clWhite);
    canvas.FillRect(Rect(0, 0, 160, 90));
    FitFrameToAspect(frame, 1);  // 1:1: a 90 x 90 picture at x 35
    ASSERT_EQ(frame.Width(), 160);
    ASSERT_EQ(frame.Height(), 90);
    EXPECT_EQ(canvas.Pixels(10, 45) & 0xFFFFFF, 0u);
    EXPECT_EQ(canvas.Pixels(150, 45) & 0xFFFFFF, 0u);
    EXPECT_EQ(canvas.Pixels(80, 45) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixels(36, 2) & 0xFFFFFF, 0xFFFFFFu);

    MclImage image = MclImgCreate();
    MclImgRedim(image, 160, 90, 24);
    MclImgClear(image, MclRGB(255, 255, 255));
    FitFrameToAspect(image, 2);  // 4:3: 120 x 90 at x 20
    int32_t width = 0, height = 0;
    MclImgGetInfo(image, &width, &height, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(width, 160);
    EXPECT_EQ(height, 90);
    HBITMAP shown = MclImgToDIB(image);
    TBitmap back;
    back.SetHandle(shown);
    EXPECT_EQ(back.Canvas().Pixels(10, 45) & 0xFFFFFF, 0u);
    EXPECT_EQ(back.Canvas().Pixels(80, 45) & 0xFFFFFF, 0xFFFFFFu);
    MclImgFree(image);
}

// The text overlay is opaque on its letters and clear around them.
TEST(FrameImages, TextImageCarriesAlpha)
{
    MclImage text = MakeTextImage("HH", "Arial", 24, 1, 0x0000FF);
    int32_t width = 0, height = 0, bits = 0, stride = 0, hasAlpha = 0;
    ASSERT_EQ(MclImgGetInfo(text, &width, &height, &bits, &stride, &hasAlpha, nullptr, nullptr, nullptr), MCL_OK);
    ASSERT_GT(width, 10);
    ASSERT_GT(height, 10);
    EXPECT_EQ(bits, 32);
    EXPECT_TRUE(hasAlpha);
    HBITMAP dib = MclImgToDIB(text);
    ASSERT_NE(dib, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObject(dib, sizeof(section), &section), int(sizeof(section)));
    ASSERT_EQ(section.dsBm.bmBitsPixel, 32);
    int clear = 0, opaque = 0;
    for (int y = 0; y < height; ++y) {
        const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + y * section.dsBm.bmWidthBytes;
        for (int x = 0; x < width; ++x) {
            const uint8_t alpha = row[4 * x + 3];
            clear += alpha == 0;
            opaque += alpha == 255;
        }
    }
    EXPECT_GT(clear, width * height / 4) << "around the letters";
    EXPECT_GT(opaque, 20) << "the letters";
    DeleteObject(dib);
    MclImgFree(text);
}

}
