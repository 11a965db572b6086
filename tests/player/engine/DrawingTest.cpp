// The stage drawn: shapes, gradients, bitmaps, sprites, masks, morphs and
// colour transforms, each checked at chosen pixels of a 100x100 stage.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "StageDrawing.h"
#include "SwfDrawing.h"
#include "SwfFilters.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmplayer;
using namespace tvmtest;

constexpr uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF, White = 0xFFFFFFFF, Black = 0xFF000000;

Bytes Movie(const Bytes& tags, uint16_t frames = 1)
{
    return StageMovie(tags, frames);
}

SwfRect Pixels(int x0, int y0, int x1, int y1)
{
    return {x0 * Px, y0 * Px, x1 * Px, y1 * Px};
}

// One shape filling the stage with fill, placed at depth 1.
Bytes FilledStage(const Bytes& fill, const Bytes& before = {})
{
    SwfTags tags;
    if (!before.empty()) tags.Tag(TagDefineBitsLossless2, before);
    return Movie(tags.Background(0xFFFFFF)
                     .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 100, 100), fill))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .ShowFrame()
                     .End()
                     .Take());
}

// A gradient square side of `pixels`, centred on x = centre (pixels).
SwfGradient Gradient(uint8_t type, uint8_t spread, double pixels, double centre)
{
    SwfGradient g;
    g.type = type;
    g.spread = spread;
    g.matrix.a = g.matrix.d = pixels * Px / 32768.0;
    g.matrix.tx = static_cast<int32_t>(centre * Px);
    g.matrix.ty = 50 * Px;
    return g;
}

Bytes LinearBlackToWhite(uint8_t spread)
{
    SwfGradient g = Gradient(0x10, spread, 25, 12.5);
    g.stops = {{0, Black}, {255, White}};
    return FilledStage(GradientFill(g));
}

// A 2x2 checker of red and blue, each bitmap pixel 5 stage pixels wide.
Bytes Checker(uint8_t fillType)
{
    SwfMatrix scale{.a = 5 * Px, .d = 5 * Px};
    return FilledStage(BitmapFill(fillType, 7, scale), LosslessBitmap(7, 2, 2, {Red, Blue, Blue, Red}));
}

// A green JPEG at half alpha, behind an erroneous marker pair, over white.
Bytes GreenJpegHalfAlpha()
{
    Bytes image = Jpeg(8, 8, 0, 255, 0);
    image.insert(image.begin(), {0xFF, 0xD9, 0xFF, 0xD8});
    Bytes body{9, 0};
    for (int i = 0; i < 4; ++i) body.push_back(static_cast<uint8_t>(image.size() >> (8 * i)));
    body.insert(body.end(), image.begin(), image.end());
    Bytes alpha = Deflate(Bytes(64, 128));
    body.insert(body.end(), alpha.begin(), alpha.end());
    SwfMatrix scale{.a = 20 * Px, .d = 20 * Px};
    return Movie(SwfTags()
                     .Tag(TagDefineBitsJpeg3, body)
                     .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 100, 100), BitmapFill(0x41, 9, scale)))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .ShowFrame()
                     .End()
                     .Take());
}

Bytes RedSquare(const SwfPlace& place, SwfRect rect = {410, 400, 1200, 1200})
{
    SwfPlace placed = place;
    placed.id = 1;
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, rect, SolidFill(Red)))
                     .Tag(TagPlaceObject2, PlaceObject2(placed))
                     .ShowFrame()
                     .End()
                     .Take());
}

Bytes Outlined(uint16_t lineWidth)
{
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, {410, 400, 1200, 1200}, SolidFill(White), lineWidth, Black))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .ShowFrame()
                     .End()
                     .Take());
}

// A red square in a sprite in a sprite; the inner one moves it 20 pixels
// right on its second frame. The main timeline removes it on its third.
Bytes NestedSprites()
{
    Bytes inner = SwfTags()
                      .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                      .ShowFrame()
                      .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .matrix = SwfMatrix{.tx = 20 * Px}}))
                      .ShowFrame()
                      .End()
                      .Take();
    Bytes outer = SwfTags().Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2})).ShowFrame().End().Take();
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 20, 20), SolidFill(Red)))
                     .Sprite(2, 2, inner)
                     .Sprite(3, 1, outer)
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 5, .id = 3, .matrix = SwfMatrix{.tx = 10 * Px, .ty = 10 * Px}}))
                     .ShowFrame()
                     .ShowFrame()
                     .Tag(TagRemoveObject2, {5, 0})
                     .ShowFrame()
                     .End()
                     .Take(),
                 3);
}

// The left half of the stage masks a red square over all of it.
Bytes Masked()
{
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 50, 100), SolidFill(0x20000000)))
                     .Tag(TagDefineShape3, RectangleShape(2, Pixels(0, 0, 100, 100), SolidFill(Red)))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1, .clipDepth = 2}))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 2, .id = 2}))
                     .ShowFrame()
                     .End()
                     .Take());
}

Bytes Morph(uint16_t ratio)
{
    return Movie(SwfTags()
                     .Tag(TagDefineMorphShape, MorphRectangle(1, Pixels(0, 0, 20, 20), Pixels(0, 0, 80, 20), Red, Blue))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1, .ratio = ratio}))
                     .ShowFrame()
                     .End()
                     .Take());
}

// Two square glyphs 20 pixels high, the first from x 20 to 40 above the
// baseline at y 40.
Bytes TwoSquareGlyphs()
{
    return Movie(SwfTags()
                     .Tag(TagDefineFont, SquareFont(1))
                     .Tag(TagDefineText2, SquareText(2, 1, 20 * Px, 20 * Px, 40 * Px, Blue, 2))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2}))
                     .ShowFrame()
                     .End()
                     .Take());
}

struct DrawCase {
    const char* name;
    std::function<Bytes()> movie;
    int steps;
    std::vector<Probe> probes;
    int tolerance = 3;
};

std::ostream& operator<<(std::ostream& out, const DrawCase& c)
{
    return out << c.name;
}

class Drawing : public testing::TestWithParam<DrawCase> {};

TEST_P(Drawing, PixelsAreAsDrawn)
{
    const DrawCase& c = GetParam();
    ExpectProbes(DrawStage(c.movie(), c.steps), c.probes, c.tolerance);
}

SwfColours HalfRedPlusGreen()
{
    SwfColours c;
    c.mul[0] = 0.5;
    c.add[1] = 100;
    return c;
}

SwfColours HalfAlpha()
{
    SwfColours c;
    c.mul[3] = 0.5;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Stage, Drawing,
    testing::Values(
        // The square's left edge lies half way across pixel column 20.
        DrawCase{"square", [] { return RedSquare({}); }, 0,
                 {{40, 40, Red}, {10, 40, White}, {20, 40, 0xFFFF8080}, {59, 59, Red}, {60, 59, White}}, 4},
        // Character id 0 is a character like any other (ffmpeg's movies use it).
        DrawCase{"character id 0",
                 [] {
                     // PlaceObject2 with a character, at depth 1, of id 0.
                     return Movie(SwfTags()
                                      .Tag(TagDefineShape3, RectangleShape(0, {410, 400, 1200, 1200}, SolidFill(Red)))
                                      .Tag(TagPlaceObject2, Bytes{0x02, 1, 0, 0, 0})
                                      .ShowFrame()
                                      .End()
                                      .Take());
                 },
                 0, {{40, 40, Red}}},
        DrawCase{"colour transform multiply and add", [] { return RedSquare({.colours = HalfRedPlusGreen()}); }, 0,
                 {{40, 40, 0xFF806400}}},
        DrawCase{"colour transform alpha", [] { return RedSquare({.colours = HalfAlpha()}); }, 0,
                 {{40, 40, 0xFFFF7F7F}}},
        DrawCase{"matrix", [] { return RedSquare({.matrix = SwfMatrix{.a = 0.5, .d = 0.5, .tx = 500}}); }, 0,
                 {{46, 25, Red}, {46, 35, White}}},
        DrawCase{"hairline", [] { return Outlined(0); }, 0, {{20, 40, Black}, {40, 40, White}}, 12},
        DrawCase{"wide line", [] { return Outlined(200); }, 0, {{24, 40, Black}, {40, 40, White}, {16, 40, Black}}},
        DrawCase{"linear gradient ends and middle",
                 [] {
                     SwfGradient g = Gradient(0x10, 0, 100, 50);
                     g.stops = {{0, Red}, {255, Blue}};
                     return FilledStage(GradientFill(g));
                 },
                 0, {{0, 50, 0xFFFE0001}, {99, 50, 0xFF0100FE}, {50, 50, 0xFF7E0081}}},
        DrawCase{"linear gradient padded", [] { return LinearBlackToWhite(0); }, 0,
                 {{5, 50, 0xFF383838}, {30, 50, White}}},
        DrawCase{"linear gradient reflected", [] { return LinearBlackToWhite(1); }, 0,
                 {{5, 50, 0xFF383838}, {30, 50, 0xFFC7C7C7}}},
        DrawCase{"linear gradient repeated", [] { return LinearBlackToWhite(2); }, 0,
                 {{5, 50, 0xFF383838}, {30, 50, 0xFF383838}, {55, 50, 0xFF383838}}},
        // Focus half way to the right edge: black there, a third of the
        // way to green at the centre.
        DrawCase{"focal radial gradient",
                 [] {
                     SwfGradient g = Gradient(0x13, 0, 100, 50);
                     g.focal = 0.5;
                     g.stops = {{0, Black}, {255, 0xFF00FF00}};
                     return FilledStage(GradientFill(g));
                 },
                 0, {{75, 50, Black}, {50, 50, 0xFF005500}, {0, 50, 0xFF00FF00}}, 8},
        DrawCase{"repeating bitmap", [] { return Checker(0x42); }, 0,
                 {{2, 2, Red}, {7, 2, Blue}, {12, 2, Red}, {2, 7, Blue}, {52, 52, Red}, {57, 52, Blue}}},
        DrawCase{"clipped bitmap", [] { return Checker(0x43); }, 0, {{2, 2, Red}, {12, 2, Blue}, {52, 2, Blue}}},
        DrawCase{"jpeg with alpha", GreenJpegHalfAlpha, 0, {{50, 50, 0xFF7FFF7F}}, 6},
        DrawCase{"nested sprite, first frame", NestedSprites, 0, {{20, 20, Red}, {40, 20, White}}},
        DrawCase{"nested sprite, moved", NestedSprites, 1, {{20, 20, White}, {40, 20, Red}}},
        DrawCase{"nested sprite, removed", NestedSprites, 2, {{20, 20, White}, {40, 20, White}}},
        DrawCase{"mask", Masked, 0, {{25, 50, Red}, {75, 50, White}}},
        DrawCase{"morph at 0", [] { return Morph(0); }, 0, {{10, 10, Red}, {45, 10, White}}},
        DrawCase{"morph at half", [] { return Morph(32768); }, 0, {{10, 10, 0xFF7F0080}, {45, 10, 0xFF7F0080}, {55, 10, White}}},
        DrawCase{"text glyph bounds", TwoSquareGlyphs, 0,
                 {{21, 21, Blue}, {38, 38, Blue}, {58, 30, Blue}, {19, 30, White}, {30, 41, White}, {30, 19, White},
                  {61, 30, White}}},
        DrawCase{"morph at 1", [] { return Morph(65535); }, 0, {{10, 10, Blue}, {75, 10, Blue}}}));

// A sprite that places itself a pixel further right, again and again.
Bytes SelfPlacingSprite()
{
    Bytes body = SwfTags()
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 2, .id = 2, .matrix = SwfMatrix{.tx = Px}}))
                     .ShowFrame()
                     .End()
                     .Take();
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 1, 10), SolidFill(Red)))
                     .Sprite(2, 1, body)
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2}))
                     .ShowFrame()
                     .End()
                     .Take());
}

Bytes GradientWithoutStops()
{
    return FilledStage(GradientFill(Gradient(0x12, 0, 100, 50)));
}

// A bitmap that claims 4000x4000 pixels and brings four.
Bytes BitmapShortOfItsSize()
{
    Bytes bitmap = LosslessBitmap(7, 1, 1, {Red});
    bitmap[3] = bitmap[5] = 0xA0;
    bitmap[4] = bitmap[6] = 0x0F;
    return FilledStage(BitmapFill(0x40, 7, SwfMatrix{.a = Px, .d = Px}), bitmap);
}

// Coordinates at the ends of their bit fields, the widest line there is.
Bytes FarSquare()
{
    const int32_t far = -(1 << 30);
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, {far, far, far + 65535, far + 65535}, SolidFill(Red),
                                                          0xFFFF, Blue))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .ShowFrame()
                     .End()
                     .Take());
}

struct HostileCase {
    const char* name;
    std::function<Bytes()> movie;
    Probe probe;
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c)
{
    return out << c.name;
}

class Hostile : public testing::TestWithParam<HostileCase> {};

// Each draws what can be drawn, and ends.
TEST_P(Hostile, DrawsWhatCanBeDrawn)
{
    const HostileCase& c = GetParam();
    std::vector<uint32_t> pixels = DrawStage(c.movie(), 3);
    uint32_t got = pixels[static_cast<size_t>(c.probe.y) * 100 + c.probe.x];
    EXPECT_TRUE(Near(got, c.probe.argb, 3)) << std::hex << got;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, Hostile,
    testing::Values(HostileCase{"sprite placing itself", SelfPlacingSprite, {MaxNesting - 2, 5, Red}},
                    HostileCase{"gradient without stops", GradientWithoutStops, {50, 50, White}},
                    HostileCase{"bitmap short of its size", BitmapShortOfItsSize, {50, 50, White}},
                    HostileCase{"coordinates at their limits", FarSquare, {50, 50, White}}));

TEST(StageScale, ShowAllCentresAndExactFitStretches)
{
    Bytes swf = RedSquare({});
    std::vector<uint32_t> centred = DrawStage(swf, 0, 200, 100);
    EXPECT_EQ(centred[40 * 200 + 90], Red) << "the stage starts 50 pixels in";
    EXPECT_EQ(centred[40 * 200 + 120], White);
    std::vector<uint32_t> stretched = DrawStage(swf, 0, 200, 100, ScaleMode::ExactFit);
    EXPECT_EQ(stretched[40 * 200 + 110], Red);
    EXPECT_EQ(stretched[40 * 200 + 125], White);
}

TEST(StageScale, TransparentStageKeepsAlpha)
{
    std::vector<uint32_t> pixels = DrawStage(RedSquare({.colours = HalfAlpha()}), 0, 100, 100, ScaleMode::ShowAll, true);
    EXPECT_EQ(pixels[5], 0u);
    EXPECT_TRUE(Near(pixels[40 * 100 + 40], 0x80800000, 2)) << std::hex << pixels[40 * 100 + 40];
}

// Shapes that move on by whole pixels, one of them a fraction off the pixel
// grid, one turned and outlined, one a mask, one multiplied; the bitmap is
// defined again in frame 2 and the colours change in frame 3.
Bytes MovingShapes()
{
    SwfGradient g = Gradient(0x13, 0, 40, 20);
    g.focal = 0.5;
    g.stops = {{0, Red}, {128, 0x8000FF00}, {255, Blue}};
    SwfTags tags;
    tags.Background(0xFFFFFF)
        .Tag(TagDefineBitsLossless2, LosslessBitmap(7, 2, 2, {Red, Blue, Blue, 0x80008000}))
        .Tag(TagDefineShape3, RectangleShape(1, Pixels(0, 0, 40, 40), GradientFill(g), 200, 0xFF000000))
        .Tag(TagDefineShape3, RectangleShape(2, Pixels(0, 0, 30, 30), BitmapFill(0x40, 7, SwfMatrix{.a = 5 * Px, .d = 5 * Px})));
    for (int frame = 0; frame < 4; ++frame) {
        if (frame == 2) tags.Tag(TagDefineBitsLossless2, LosslessBitmap(7, 2, 2, {Blue, White, Red, Blue}));
        SwfPlace turned{.depth = 1, .matrix = SwfMatrix{.a = 0.8, .b = 0.6, .c = -0.6, .d = 0.8, .tx = (40 + 3 * frame) * Px, .ty = 5 * Px}};
        SwfPlace offGrid{.depth = 2, .matrix = SwfMatrix{.tx = (20 + 2 * frame) * Px + 7, .ty = (50 - frame) * Px + 13}};
        // A mask, and a multiplied shape under it, drawn through groups.
        SwfPlace mask{.depth = 3, .matrix = SwfMatrix{.tx = (50 + frame) * Px, .ty = 40 * Px}};
        SwfPlace multiplied{.depth = 4, .matrix = SwfMatrix{.tx = (45 + 2 * frame) * Px, .ty = 45 * Px}};
        if (frame == 0) turned.id = 1, offGrid.id = 2, mask.id = 2, mask.clipDepth = 4, multiplied.id = 1;
        if (frame == 3) offGrid.colours = HalfRedPlusGreen();
        tags.Tag(TagPlaceObject2, PlaceObject2(turned))
            .Tag(TagPlaceObject2, PlaceObject2(offGrid))
            .Tag(TagPlaceObject2, PlaceObject2(mask))
            .Tag(TagPlaceObject3, PlaceObject3(multiplied, {}, 3))
            .ShowFrame();
    }
    return Movie(tags.End().Take(), 4);
}

// A player that draws every frame copies shapes from the pictures it kept;
// each frame must look as it does drawn afresh.
TEST(ShapePictures, FramesDrawnAgainMatchFramesDrawnAfresh)
{
    Bytes swf = MovingShapes();
    NoClock clock;
    MoviePlayer player(clock);
    ASSERT_TRUE(player.Load(swf));
    std::vector<uint32_t> pixels(100 * 100);
    for (int frame = 0; frame < 4; ++frame) {
        if (frame > 0) player.Step();
        player.Render({pixels.data(), 100, 100, 100});
        std::vector<uint32_t> afresh = DrawStage(swf, frame);
        int differing = 0;
        for (size_t i = 0; i < pixels.size(); ++i) differing += !Near(pixels[i], afresh[i], 2);
        EXPECT_EQ(differing, 0) << "frame " << frame;
    }
}

// Pictures are copied onto the stage by hand: pixel for pixel as cairo
// would, for rows long and short, translucent, opaque and empty runs, and
// pictures hanging over every edge.
TEST(ShapePictures, CopiedAsCairoCopiesThem)
{
    constexpr int Side = 37;
    std::vector<uint32_t> picture(Side * Side);
    for (int i = 0; i < Side * Side; ++i) {
        uint32_t alpha = i % 5 == 0 ? 0 : i % 7 == 0 ? 255 : (i * 53) % 256;
        if (i / Side > 30) alpha = 255;  // whole opaque runs
        if (i / Side < 3) alpha = 0;     // whole empty runs
        uint32_t colour = (i * 2654435761u) & 0xFFFFFF;
        picture[i] = Premultiply(alpha << 24 | colour);
    }
    for (auto [dx, dy] : {std::pair{0, 0}, {5, 3}, {-9, 20}, {30, -11}, {-40, 0}}) {
        std::vector<uint32_t> byHand(Side * Side), byCairo;
        for (int i = 0; i < Side * Side; ++i) byHand[i] = Premultiply((i * 40503u) | 0x30000000u << (i % 3));
        byCairo = byHand;
        CompositeOver({picture.data(), Side, Side, Side}, {byHand.data(), Side, Side, Side}, dx, dy);
        auto image = [](std::vector<uint32_t>& pixels) {
            return cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                       CAIRO_FORMAT_ARGB32, Side, Side, Side * 4);
        };
        cairo_surface_t* source = image(picture);
        cairo_surface_t* target = image(byCairo);
        cairo_t* cairo = cairo_create(target);
        cairo_set_source_surface(cairo, source, dx, dy);
        cairo_paint(cairo);
        cairo_destroy(cairo);
        cairo_surface_destroy(target);
        cairo_surface_destroy(source);
        EXPECT_EQ(byHand, byCairo) << "offset " << dx << "," << dy;
    }
}

}
