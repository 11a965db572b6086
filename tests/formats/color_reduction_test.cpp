#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "ColorReduction.h"

namespace {

// A 24-bit bottom-up image with the colour of each pixel given by Fn(x, y).
struct Image {
    int32_t Width, Height;
    std::vector<uint8_t> Bgr;
    std::vector<uint8_t> Indices;
    TReducedPalette Palette;

    template <typename Fn>
    Image(int32_t width, int32_t height, Fn colour)
        : Width(width), Height(height), Bgr(static_cast<size_t>(Stride24() * height)), Indices(static_cast<size_t>(Stride8() * height))
    {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const uint32_t c = colour(x, y);  // 0x00RRGGBB
                uint8_t* p = &Bgr[static_cast<size_t>((height - 1 - y) * Stride24() + 3 * x)];
                p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
            }
    }
    int64_t Stride24() const { return (Width * 24 + 31) / 32 * 4; }
    int64_t Stride8() const { return (Width * 8 + 31) / 32 * 4; }
    int Reduce(TColorReduction method, uint32_t& transparent)
    {
        return ReduceColors({Bgr.data(), Stride24(), Width, Height}, {Indices.data(), Stride8(), Width, Height}, method,
                            transparent, Palette);
    }
    int Reduce(TColorReduction method)
    {
        uint32_t none = 0xFFFFFFFF;
        return Reduce(method, none);
    }
    const uint8_t* Source(int32_t x, int32_t y) const { return &Bgr[static_cast<size_t>((Height - 1 - y) * Stride24() + 3 * x)]; }
    uint8_t Index(int32_t x, int32_t y) const { return Indices[static_cast<size_t>((Height - 1 - y) * Stride8() + x)]; }
    uint32_t Result(int32_t x, int32_t y) const
    {
        const TPaletteEntry& e = Palette[Index(x, y)];
        return static_cast<uint32_t>(e.Red << 16 | e.Green << 8 | e.Blue);
    }
    // Mean absolute difference per channel between source and palette colour.
    double MeanError() const
    {
        double sum = 0;
        for (int32_t y = 0; y < Height; ++y)
            for (int32_t x = 0; x < Width; ++x) {
                const uint8_t* p = Source(x, y);
                const TPaletteEntry& e = Palette[Index(x, y)];
                sum += std::abs(p[0] - e.Blue) + std::abs(p[1] - e.Green) + std::abs(p[2] - e.Red);
            }
        return sum / (3.0 * Width * Height);
    }
    size_t DistinctIndices() const
    {
        std::set<uint8_t> seen;
        for (int32_t y = 0; y < Height; ++y)
            for (int32_t x = 0; x < Width; ++x) seen.insert(Index(x, y));
        return seen.size();
    }
};

uint32_t Gradient(int32_t x, int32_t y)
{
    return static_cast<uint32_t>((x * 255 / 127) << 16 | (y * 255 / 127) << 8 | ((x + y) * 255 / 254));
}

TEST(ColorReduction, EveryMethodReducesAGradientWithinItsMeasuredError)
{
    // Bounds over what was measured on this 128 x 128 gradient of 16384
    // colours (mean absolute error per channel, 0-255): histogram 19.6 (its
    // masks coarsen to fit), median cut 7.4, 784 13.9, 666 12.8, ramps 85.1
    // (one channel per pixel), grey 32.5.
    struct Case {
        TColorReduction method;
        double bound;
        int used;
    };
    const Case cases[] = {{crHistogram, 21, 0},   {crMedianCut, 8.5, 256}, {crTrunc784, 15, 224},
                          {crTrunc666, 14, 216}, {crChannelRamps, 86, 0}, {crGrayscale, 34, 0}};
    for (const Case& c : cases) {
        Image image(128, 128, Gradient);
        const int used = image.Reduce(c.method);
        SCOPED_TRACE(testing::Message() << "method " << int(c.method) << " error " << image.MeanError());
        EXPECT_EQ(used, c.used);
        EXPECT_LE(image.DistinctIndices(), 256u);
        if (used > 0) {
            EXPECT_LE(image.DistinctIndices(), static_cast<size_t>(used));
        }
        EXPECT_LT(image.MeanError(), c.bound);
    }
}

TEST(ColorReduction, HistogramKeepsTheMostFrequentColoursExactly)
{
    // 300 colours: colour i < 256 on 3 pixels, the other 44 on one pixel each.
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 300; ++i)
        for (int n = i < 256 ? 3 : 1; n > 0; --n) pixels.push_back(i * 0x030507 & 0xFFFFFF);
    const int32_t width = 812;
    Image image(width, 1, [&](int32_t x, int32_t) { return pixels[static_cast<size_t>(x)]; });
    image.Reduce(crHistogram);
    for (int32_t x = 0; x < width; ++x) {
        const uint32_t want = pixels[static_cast<size_t>(x)];
        if (x < 768) {
            ASSERT_EQ(image.Result(x, 0), want) << x;
            continue;
        }
        // The rest take their nearest palette colour.
        auto distance = [&](uint32_t c) {
            const int dr = int(c >> 16) - int(want >> 16), dg = int(c >> 8 & 255) - int(want >> 8 & 255), db = int(c & 255) - int(want & 255);
            return dr * dr + dg * dg + db * db;
        };
        for (uint32_t i = 0; i < 256; ++i) ASSERT_LE(distance(image.Result(x, 0)), distance(i * 0x030507 & 0xFFFFFF));
    }
}

TEST(ColorReduction, HistogramCoarsensBlueFirstThenRed)
{
    struct Case {
        int distinct;
        bool redKeepsItsLowBit;
        uint32_t transparentAfter;
    };
    // Red x / 256, blue x mod 256. 3000 colours fit in 2049 entries once blue
    // drops its lowest bit; 8000 need red's lowest bit too.
    const Case cases[] = {{3000, true, 0x010000}, {8000, false, 0x000000}};
    for (const Case& c : cases) {
        Image image(c.distinct, 1, [](int32_t x, int32_t) { return static_cast<uint32_t>((x / 256) << 16 | (x % 256)); });
        uint32_t transparent = 0x010001;  // the pixel at x = 257
        image.Reduce(crHistogram, transparent);
        bool oddRed = false, oddBlue = false;
        for (const TPaletteEntry& e : image.Palette) oddRed |= (e.Red & 1) != 0, oddBlue |= (e.Blue & 1) != 0;
        SCOPED_TRACE(c.distinct);
        EXPECT_EQ(oddRed, c.redKeepsItsLowBit);
        EXPECT_FALSE(oddBlue);
        EXPECT_EQ(transparent, c.transparentAfter) << "the transparent colour follows its pixel's masked colour";
    }
}

TEST(ColorReduction, MedianCutSplitsEvenWhenOneColourHoldsMostPixels)
{
    // One colour: one box. Nine pixels of one colour and one of another:
    // the first bin holds more than half, and each side still keeps a bin.
    Image one(8, 8, [](int32_t, int32_t) { return 0x405060u; });
    EXPECT_EQ(one.Reduce(crMedianCut), 1);
    EXPECT_EQ(one.DistinctIndices(), 1u);

    Image skewed(10, 1, [](int32_t x, int32_t) { return x < 9 ? 0x102030u : 0xF0E0D0u; });
    EXPECT_EQ(skewed.Reduce(crMedianCut), 2);
    EXPECT_NE(skewed.Index(0, 0), skewed.Index(9, 0));
    EXPECT_EQ(skewed.Result(9, 0), 0xFFEFDFu);
}

TEST(ColorReduction, TruncationTakesTheNearestLevel)
{
    struct Case {
        int levels;
        uint8_t value;
        int index;
    };
    const Case cases[] = {{7, 0x2A, 1}, {7, 0x80, 3}, {4, 0x2A, 0}, {4, 0x2B, 1}, {6, 0xFF, 5}, {8, 0x12, 0}, {8, 0x13, 1}};
    for (const Case& c : cases) EXPECT_EQ(NearestLevelIndex(c.levels, c.value), c.index) << c.levels << " " << int(c.value);
    EXPECT_EQ(LevelValue(7, 1), 0x2B);
}

}  // namespace
