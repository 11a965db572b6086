// Filters and blend modes of PlaceObject3, checked at chosen pixels of a
// 100x100 stage: blurred edges, shadows' offsets and softness, glows,
// bevels, colour matrices, convolutions, and each blend mode's arithmetic.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <vector>

#include "StageDrawing.h"
#include "SwfDrawing.h"
#include "SwfFilters.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmtest;

constexpr uint32_t Red = 0xFFFF0000, White = 0xFFFFFFFF, Black = 0xFF000000, Blue = 0xFF0000FF;

SwfRect Pixels(int x0, int y0, int x1, int y1)
{
    return {x0 * Px, y0 * Px, x1 * Px, y1 * Px};
}

// A red square placed with filters over white.
Bytes Filtered(SwfRect square, const std::vector<Bytes>& filters)
{
    return StageMovie(SwfTags()
                          .Background(0xFFFFFF)
                          .Tag(TagDefineShape3, RectangleShape(1, square, SolidFill(Red)))
                          .Tag(TagPlaceObject3, PlaceObject3({.depth = 1, .id = 1}, filters))
                          .ShowFrame()
                          .End()
                          .Take());
}

struct FilterCase {
    const char* name;
    std::function<Bytes()> movie;
    std::vector<Probe> probes;
    int tolerance = 3;
};

std::ostream& operator<<(std::ostream& out, const FilterCase& c)
{
    return out << c.name;
}

class Filters : public testing::TestWithParam<FilterCase> {};

TEST_P(Filters, PixelsAreAsFiltered)
{
    ExpectProbes(DrawStage(GetParam().movie()), GetParam().probes, GetParam().tolerance);
}

// The square from 40 to 60 blurred 10 pixels wide: each pixel the mean of
// 11, so the edge climbs in steps of 1/11 from x 35 to 45.
INSTANTIATE_TEST_SUITE_P(
    PlaceObject3, Filters,
    testing::Values(
        FilterCase{"blur edge gradient", [] { return Filtered(Pixels(40, 30, 60, 70), {BlurFilter(10, 10, 1)}); },
                   {{34, 50, White}, {36, 50, 0xFFFFD0D0}, {40, 50, 0xFFFF7474}, {44, 50, 0xFFFF1717}, {46, 50, Red},
                    {50, 50, Red}},
                   4},
        FilterCase{"drop shadow offset",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {DropShadowFilter({.distance = 10})}); },
                   {{35, 30, Red}, {45, 30, Black}, {15, 30, White}, {45, 35, Black}, {45, 45, White}, {55, 30, White}, {30, 15, White}}},
        FilterCase{"drop shadow softness",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {DropShadowFilter({.blurX = 10, .blurY = 10, .distance = 10})}); },
                   {{44, 30, Black}, {50, 30, 0xFF8B8B8B}, {56, 30, White}},
                   6},
        FilterCase{"drop shadow knocked out",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {DropShadowFilter({.distance = 10, .knockout = true})}); },
                   {{35, 30, White}, {45, 30, Black}}},
        FilterCase{"drop shadow with the object hidden",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {DropShadowFilter({.distance = 10, .composite = false})}); },
                   {{25, 30, White}, {35, 30, Black}, {45, 30, Black}}},
        FilterCase{"inner shadow",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {DropShadowFilter({.distance = 10, .inner = true})}); },
                   {{25, 30, Black}, {35, 30, Red}, {45, 30, White}}},
        FilterCase{"glow",
                   [] { return Filtered(Pixels(20, 20, 40, 40), {GlowFilter({.argb = 0xFF00FF00, .blurX = 10, .blurY = 10})}); },
                   {{18, 30, 0xFFA2FFA2}, {10, 30, White}, {30, 30, Red}},
                   8},
        FilterCase{"colour matrix swapping red and blue",
                   [] {
                       return Filtered(Pixels(20, 20, 40, 40),
                                       {ColourMatrixFilter({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0})});
                   },
                   {{30, 30, Blue}, {10, 30, White}}},
        // Each pixel takes its left neighbour's colour: the square moves right.
        FilterCase{"convolution",
                   [] {
                       return Filtered(Pixels(20, 20, 40, 40),
                                       {ConvolutionFilter(3, 3, {0, 0, 0, 1, 0, 0, 0, 0, 0}, 1, 0, false, false)});
                   },
                   {{20, 30, White}, {21, 30, Red}, {40, 30, Red}, {41, 30, White}}},
        FilterCase{"filters in order",
                   [] {
                       return Filtered(Pixels(20, 20, 40, 40),
                                       {DropShadowFilter({.distance = 10}),
                                        ColourMatrixFilter({0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0})});
                   },
                   {{35, 30, Blue}, {45, 30, Black}}}));

// The bevel lights the square's top left inner edge and darkens its bottom
// right, and leaves its middle alone.
TEST(Bevel, HighlightsAndShadesOppositeEdges)
{
    SwfShadow bevel{.blurX = 4, .blurY = 4, .angle = std::numbers::pi / 4, .distance = 4, .inner = true};
    std::vector<uint32_t> pixels = DrawStage(Filtered(Pixels(20, 20, 40, 40), {BevelFilter(bevel, White)}));
    uint32_t lit = pixels[30 * 100 + 21], shaded = pixels[30 * 100 + 38];
    EXPECT_GT(lit >> 8 & 0xFF, 60u) << std::hex << lit;
    EXPECT_LT(shaded >> 16 & 0xFF, 200u) << std::hex << shaded;
    EXPECT_EQ(pixels[30 * 100 + 30], Red);
}

// A button's first part swaps red and blue; its second, after it, still shows.
TEST(ButtonFilters, PartsAfterAFilteredOneShow)
{
    std::vector<float> swap{0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    Bytes swf = StageMovie(SwfTags()
                               .Background(0xFFFFFF)
                               .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 20, 20), SolidFill(Red)))
                               .Tag(TagDefineButton2, Button2(2, {{.id = 1, .depth = 1, .matrix = {}, .filters = {ColourMatrixFilter(swap)}},
                                                                  {.id = 1, .depth = 2, .matrix = {.tx = 50 * Px}, .filters = {}}}))
                               .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2}))
                               .ShowFrame()
                               .End()
                               .Take());
    ExpectProbes(DrawStage(swf), {{10, 10, Blue}, {60, 10, Red}, {35, 10, White}}, 3);
}

constexpr uint32_t Dest = 0xFF904020, Source = 0xFF40C080;

// The stage covered with Dest, and a square of Source in its middle drawn
// with the blend mode.
Bytes Blended(uint8_t mode)
{
    return StageMovie(SwfTags()
                          .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 100, 100), SolidFill(Dest)))
                          .Tag(TagDefineShape3, RectangleShape(2, Pixels(25, 25, 75, 75), SolidFill(Source)))
                          .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                          .Tag(TagPlaceObject3, PlaceObject3({.depth = 2, .id = 2}, {}, mode))
                          .ShowFrame()
                          .End()
                          .Take());
}

// The same inside a sprite drawn as a layer, over a white stage; the
// source square at half alpha.
Bytes BlendedInLayer(uint8_t mode)
{
    Bytes sprite = SwfTags()
                       .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                       .Tag(TagPlaceObject3, PlaceObject3({.depth = 2, .id = 2}, {}, mode))
                       .ShowFrame()
                       .End()
                       .Take();
    return StageMovie(SwfTags()
                          .Background(0xFFFFFF)
                          .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 100, 100), SolidFill(Dest)))
                          .Tag(TagDefineShape3, RectangleShape(2, Pixels(25, 25, 75, 75), SolidFill(0x80000000)))
                          .Sprite(3, 1, sprite)
                          .Tag(TagPlaceObject3, PlaceObject3({.depth = 1, .id = 3}, {}, 2))
                          .ShowFrame()
                          .End()
                          .Take());
}

struct BlendCase {
    const char* name;
    std::function<Bytes()> movie;
    uint32_t inside, outside;
};

std::ostream& operator<<(std::ostream& out, const BlendCase& c)
{
    return out << c.name;
}

class Blend : public testing::TestWithParam<BlendCase> {};

TEST_P(Blend, ArithmeticPerChannel)
{
    ExpectProbes(DrawStage(GetParam().movie()), {{50, 50, GetParam().inside}, {10, 10, GetParam().outside}}, 3);
}

// Dest (144, 64, 32) under Source (64, 192, 128).
INSTANTIATE_TEST_SUITE_P(
    PlaceObject3, Blend,
    testing::Values(BlendCase{"normal", [] { return Blended(1); }, Source, Dest},
                    BlendCase{"layer", [] { return Blended(2); }, Source, Dest},
                    BlendCase{"multiply", [] { return Blended(3); }, 0xFF243010, Dest},
                    BlendCase{"screen", [] { return Blended(4); }, 0xFFACD090, Dest},
                    BlendCase{"lighten", [] { return Blended(5); }, 0xFF90C080, Dest},
                    BlendCase{"darken", [] { return Blended(6); }, 0xFF404020, Dest},
                    BlendCase{"difference", [] { return Blended(7); }, 0xFF508060, Dest},
                    BlendCase{"add", [] { return Blended(8); }, 0xFFD0FFA0, Dest},
                    BlendCase{"subtract", [] { return Blended(9); }, 0xFF500000, Dest},
                    BlendCase{"invert", [] { return Blended(10); }, 0xFF6FBFDF, Dest},
                    BlendCase{"alpha on the stage draws nothing", [] { return Blended(11); }, Dest, Dest},
                    BlendCase{"erase on the stage draws nothing", [] { return Blended(12); }, Dest, Dest},
                    BlendCase{"overlay", [] { return Blended(13); }, 0xFF596020, Dest},
                    BlendCase{"hardlight", [] { return Blended(14); }, 0xFF48A121, Dest},
                    BlendCase{"alpha in a layer", [] { return BlendedInLayer(11); }, 0xFFC79F8F, White},
                    BlendCase{"erase in a layer", [] { return BlendedInLayer(12); }, 0xFFC79F8F, Dest}));

}
