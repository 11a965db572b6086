// Pictures and text of the media library: what the converter draws its
// overlays and frames with.
#include <gtest/gtest.h>

#include <algorithm>

#include "MclApi.h"
#include "MclTestPictures.h"

using mcltest::Pixels;

TEST(MclPicture, ReportsAllItsFacts)
{
    MclImage img = MclImgCreate();
    ASSERT_NE(img, 0u);
    for (int32_t bits : {24, 32}) {
        ASSERT_EQ(MclImgRedim(img, 5, 3, bits), MCL_OK);
        int32_t w = 0, h = 0, b = 0, stride = 0, alpha = -1, dpiX = 0, dpiY = 0, size = 0;
        ASSERT_EQ(MclImgGetInfo(img, &w, &h, &b, &stride, &alpha, &dpiX, &dpiY, &size), MCL_OK);
        EXPECT_EQ(w, 5);
        EXPECT_EQ(h, 3);
        EXPECT_EQ(b, bits);
        EXPECT_EQ(stride, bits == 24 ? 16 : 20);  // rows padded to 4 bytes, as a DIB's
        EXPECT_EQ(alpha, bits == 32);
        EXPECT_EQ(dpiX, 96);
        EXPECT_EQ(dpiY, 96);
        EXPECT_EQ(size, stride * 3);
    }
    EXPECT_EQ(MclImgGetInfo(img, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), MCL_OK);
    for (auto [w, h, bits] : {std::tuple{0, 3, 24}, {5, -1, 24}, {5, 3, 16}, {70000, 70000, 32}})
        EXPECT_EQ(MclImgRedim(img, w, h, bits), MCL_ERR_INVALID_ARGUMENT) << w << "x" << h << "x" << bits;
    MclImgFree(img);
    EXPECT_EQ(MclImgClear(img, 0), MCL_ERR_INVALID_HANDLE);
}

TEST(MclPicture, DIBRoundTripKeepsPixelsAndAlpha)
{
    for (int32_t bits : {24, 32}) {
        Pixels pattern = mcltest::Pattern(13, 7, bits, 0);  // odd width: padded rows
        MclImage img = mcltest::ToImage(pattern);
        MclImage copy = MclImgCreate();
        ASSERT_EQ(MclImgCopy(copy, img), MCL_OK);
        EXPECT_EQ(mcltest::FromImage(copy).Data, pattern.Data) << bits << " bits";
        MclImgFree(img);
        MclImgFree(copy);
    }
}

TEST(MclPicture, ClearTakesTransparencyFromTheHighByte)
{
    MclImage img = MclImgCreate();
    MclImgRedim(img, 2, 2, 32);
    MclImgClear(img, MclRGB(10, 20, 30));
    std::vector<uint8_t> opaque = mcltest::FromImage(img).Data;
    EXPECT_EQ(std::vector<uint8_t>(opaque.begin(), opaque.begin() + 4), (std::vector<uint8_t>{30, 20, 10, 255}));
    MclImgClear(img, 0xFF000000u | MclRGB(10, 20, 30));
    EXPECT_EQ(mcltest::FromImage(img).Data[3], 0);
    MclImgFree(img);
}

// A 4 x 4 half-transparent red square over an 8 x 6 blue picture: where the
// two overlap the result is half and half, elsewhere blue is untouched.
TEST(MclPicture, InsertBlendsAlphaAndClipsAnywhere)
{
    Pixels red{4, 4, 32, {}};
    for (int i = 0; i < 16; ++i) red.Data.insert(red.Data.end(), {0, 0, 255, 128});
    MclImage src = mcltest::ToImage(red);
    for (int32_t dstBits : {24, 32})
        for (auto [x, y] : {std::pair{-2, -2}, {6, -2}, {-2, 4}, {6, 4}, {2, 1}, {8, 0}, {0, 6}, {-4, -4},
                            {-100000, 5}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MIN}}) {
            MclImage dst = MclImgCreate();
            MclImgRedim(dst, 8, 6, dstBits);
            MclImgClear(dst, MclRGB(0, 0, 200));
            ASSERT_EQ(MclImgInsert(dst, src, x, y), MCL_OK);
            Pixels got = mcltest::FromImage(dst);
            for (int32_t py = 0; py < 6; ++py)
                for (int32_t px = 0; px < 8; ++px) {
                    bool inside = int64_t{px} >= x && int64_t{px} < int64_t{x} + 4 && int64_t{py} >= y &&
                                  int64_t{py} < int64_t{y} + 4;
                    const uint8_t* d = got.At(px, py);
                    // 128/255 of red over 127/255 of blue, rounded.
                    uint8_t blue = inside ? 100 : 200, redPart = inside ? 128 : 0;
                    ASSERT_EQ(d[0], blue) << x << "," << y << " at " << px << "," << py;
                    ASSERT_EQ(d[2], redPart) << x << "," << y << " at " << px << "," << py;
                    ASSERT_EQ(dstBits == 32 ? d[3] : 255, 255);
                }
            MclImgFree(dst);
        }
    MclImgFree(src);
}

TEST(MclPicture, InsertIntoTransparentPictureTakesTheSourceAlpha)
{
    Pixels half{1, 1, 32, {0, 0, 255, 100}};
    MclImage src = mcltest::ToImage(half);
    MclImage dst = MclImgCreate();
    MclImgRedim(dst, 1, 1, 32);
    MclImgClear(dst, 0xFF000000u);
    MclImgInsert(dst, src, 0, 0);
    EXPECT_EQ(mcltest::FromImage(dst).Data[3], 100);
    MclImgFree(src);
    MclImgFree(dst);
}

TEST(MclPicture, ResampleScalesCornersAndFlatAreas)
{
    Pixels quad{2, 2, 32, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 9, 9, 9, 0}};
    MclImage img = mcltest::ToImage(quad);
    ASSERT_EQ(MclImgResample(img, 8, 6), MCL_OK);
    Pixels got = mcltest::FromImage(img);
    ASSERT_EQ(got.Width, 8);
    ASSERT_EQ(got.Height, 6);
    EXPECT_EQ(std::vector<uint8_t>(got.At(0, 0), got.At(0, 0) + 4), (std::vector<uint8_t>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(got.At(7, 5), got.At(7, 5) + 4), (std::vector<uint8_t>{9, 9, 9, 0}));
    EXPECT_EQ(MclImgResample(img, 0, 5), MCL_ERR_INVALID_ARGUMENT);
    MclImgFree(img);
}

TEST(MclPicture, ShowDrawsOneToOneAndOpaque)
{
    Pixels pattern = mcltest::Pattern(9, 5, 32, 0);
    MclImage img = mcltest::ToImage(pattern);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 12, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(dc, target);
    ASSERT_EQ(MclImgShow(img, dc, 2, 1), MCL_OK);
    GdiFlush();
    const auto* shown = static_cast<const uint8_t*>(bits);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(shown[((y + 1) * 12 + x + 2) * 4 + c], pattern.At(x, y)[c]) << x << "," << y;
    DeleteDC(dc);
    DeleteObject(target);
    MclImgFree(img);
}

TEST(MclText, ExtentsGrowWithTheShadow)
{
    MclText text = MclTextCreate();
    ASSERT_EQ(MclTextSetFont(text, "Arial", 14, 1, 1), MCL_OK);
    int32_t w = 0, h = 0, shadowW = 0, shadowH = 0;
    ASSERT_EQ(MclTextGetExtents(text, "Tavelomatic", &w, &h), MCL_OK);
    EXPECT_GT(w, 40);
    EXPECT_GT(h, 10);
    ASSERT_EQ(MclTextShadow(text, 2, 1, 1), MCL_OK);
    MclTextGetExtents(text, "Tavelomatic", &shadowW, &shadowH);
    EXPECT_EQ(shadowW, w + 2);
    EXPECT_EQ(shadowH, h + 2);
    MclTextShadow(text, 3, -2, 0);
    MclTextGetExtents(text, "Tavelomatic", &shadowW, &shadowH);
    EXPECT_EQ(shadowW, w + 6);
    EXPECT_EQ(shadowH, h);
    EXPECT_EQ(MclTextSetFont(text, "Arial", 0, 0, 1), MCL_ERR_INVALID_ARGUMENT);
    MclTextFree(text);
    EXPECT_EQ(MclTextGetExtents(text, "x", &w, &h), MCL_ERR_INVALID_HANDLE);
}

// White text with a black shadow over blue: the text, its shadow and the
// soft edges between them land inside the box; nothing outside it changes.
TEST(MclText, DrawsAntiAliasedOverTheExistingPixels)
{
    MclText text = MclTextCreate();
    MclTextSetFont(text, "Arial", 16, 1, 1);
    MclTextShadow(text, 2, 1, 1);
    MclTextSetColor(text, MclRGB(255, 255, 255), MclRGB(0, 0, 0), 0x808080, -1);
    int32_t w = 0, h = 0;
    MclTextGetExtents(text, "Wg", &w, &h);
    MclImage img = MclImgCreate();
    MclImgRedim(img, 60, 40, 24);
    MclImgClear(img, MclRGB(0, 0, 200));
    ASSERT_EQ(MclImgText(img, text, 5, 4, "Wg"), MCL_OK);
    Pixels got = mcltest::FromImage(img);
    int white = 0, black = 0, between = 0;
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x) {
            const uint8_t* d = got.At(x, y);
            bool inBox = x >= 5 && x < 5 + w && y >= 4 && y < 4 + h;
            if (!inBox) {
                ASSERT_EQ(d[0], 200) << x << "," << y;
                continue;
            }
            if (d[0] == 255 && d[1] == 255) ++white;
            else if (d[0] == 0 && d[1] == 0) ++black;
            else if (d[1] > 0 && d[1] < 255) ++between;
        }
    EXPECT_GT(white, 10);
    EXPECT_GT(black, 10);
    EXPECT_GT(between, 5);
    MclImgFree(img);
    MclTextFree(text);
}
