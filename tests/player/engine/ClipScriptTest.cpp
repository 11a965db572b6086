// Scripts acting on the clips of the stage: what tags placed and what
// scripts made is one display list, so that what a script does to a clip
// shows in the picture, and sprites' own frame actions and clip events run.
#include <gtest/gtest.h>

#include "ActionTestSupport.h"
#include "StageDrawing.h"
#include "SwfDrawing.h"
#include "SwfText.h"

namespace {

using namespace actiontest;
using namespace tvmtest;
using tvmplayer::MoviePlayer;

constexpr uint32_t Red = 0xFFFF0000, White = 0xFFFFFFFF;
constexpr uint16_t TagExportAssets = 56;

// A red square of 10 pixels at the origin (id 1) and a sprite of it (id 2,
// exported as "square").
SwfTags& SquareSprite(SwfTags& tags)
{
    Bytes exported = {1, 0, 2, 0};
    for (char c : std::string("square")) exported.push_back(static_cast<uint8_t>(c));
    exported.push_back(0);
    return tags.Tag(TagDefineShape3, RectangleShape(1, {0, 0, 10 * Px, 10 * Px}, SolidFill(Red)))
        .Sprite(2, 1, SwfTags().Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1})).ShowFrame().End().Take())
        .Tag(TagExportAssets, exported);
}

// target.name = value
SwfActions& Set(SwfActions& actions, const char* target, const char* name, SwfValue value)
{
    return actions.Push({target}).Op(GetVariable).Push({name, value}).Op(SetMember);
}

// new flash.package.name(the arguments and their count pushed before)
SwfActions& Flash(SwfActions& actions, const char* package, const char* name)
{
    return actions.Push({"flash"}).Op(GetVariable).Push({package}).Op(GetMember).Push({name}).Op(NewMethod);
}

SwfActions& Geom(SwfActions& actions, const char* name)
{
    return Flash(actions, "geom", name);
}

SwfActions& TraceMember(SwfActions& actions, const char* object, const char* name)
{
    return actions.Push({object}).Op(GetVariable).Push({name}).Op(GetMember).Op(Trace);
}

// target.method(arguments...), its result dropped.
SwfActions& Invoke(SwfActions& actions, const char* target, const char* method, std::initializer_list<SwfValue> arguments)
{
    for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument)
        actions.Push({*argument});
    return actions.Push({static_cast<int>(arguments.size()), target}).Op(GetVariable).Push({method}).Op(CallMethod).Op(Pop);
}

Bytes Say(const char* text)
{
    return SwfActions().Push({text}).Op(Trace).Take();
}

class ClipScripts : public testing::Test {
protected:
    TestClock clock;
    Recorder recorder;
    MoviePlayer player{clock};

    void SetUp() override { player.SetScriptEvents(recorder); }

    void Load(const Bytes& tags, uint16_t frames = 1)
    {
        SwfMovie movie;
        movie.version = 8;
        movie.widthTwips = movie.heightTwips = 100 * Px;
        movie.frameCount = frames;
        movie.tags = tags;
        ASSERT_TRUE(player.Load(MakeSwf(movie)));
    }

    std::vector<uint32_t> Draw()
    {
        std::vector<uint32_t> pixels(100 * 100);
        player.Render({pixels.data(), 100, 100, 100});
        return pixels;
    }
};

TEST_F(ClipScripts, WhatScriptsDoToClipsShows)
{
    struct Row {
        const char* name;
        Bytes actions;
        std::vector<Probe> probes;
        const char* lines = "";
    };
    SwfActions moved, hidden, scaled, faded, attached, duplicated, removed, byTarget, swapped;
    Set(moved, "box", "_x", 50);
    Set(hidden, "box", "_visible", false);
    Set(scaled, "box", "_xscale", 300);
    Set(faded, "box", "_alpha", 50);
    Invoke(attached, "_root", "attachMovie", {"square", "a", 3});
    Set(attached, "a", "_y", 50);
    Invoke(duplicated, "box", "duplicateMovieClip", {"b", 4});
    Set(duplicated, "b", "_x", 80);
    Invoke(removed, "_root", "attachMovie", {"square", "a", 3});
    Set(removed, "a", "_x", 40);
    Invoke(removed, "a", "removeMovieClip", {});
    byTarget.Push({"box", 0, 60}).Op(SetProperty);
    // A faint clip above the box; swapped, the box lies above it.
    Invoke(swapped, "_root", "attachMovie", {"square", "g", 0});
    Set(swapped, "g", "_alpha", 40);
    Set(swapped, "box", "_visible", false);
    Invoke(swapped, "box", "swapDepths", {"g"});
    for (const char* clip : {"box", "g"})
        swapped.Push({0, clip}).Op(GetVariable).Push({"getDepth"}).Op(CallMethod).Op(Trace);
    SwfActions coloured, transformed, moved2, inverted, shadowed, scrolled;
    coloured.Push({"c", "box"}).Op(GetVariable).Push({1, "Color"}).Op(NewObject).Op(SetVariable);
    Invoke(coloured, "c", "setRGB", {0x00FF00});
    coloured.Push({0, "c"}).Op(GetVariable).Push({"getRGB"}).Op(CallMethod).Op(Trace);
    // box.transform.colorTransform = new flash.geom.ColorTransform(1, 1, 1, 1, 0, 0, 255, 0)
    transformed.Push({"box"}).Op(GetVariable).Push({"transform"}).Op(GetMember).Push({"colorTransform"});
    Geom(transformed.Push({0, 255, 0, 0, 1, 1, 1, 1, 8}), "ColorTransform").Op(SetMember);
    // box.transform.matrix = new flash.geom.Matrix(2, 0, 0, 1, 40, 0)
    moved2.Push({"box"}).Op(GetVariable).Push({"transform"}).Op(GetMember).Push({"matrix"});
    Geom(moved2.Push({0, 40, 1, 0, 0, 2, 6}), "Matrix").Op(SetMember);
    for (const char* name : {"_x", "_xscale"}) TraceMember(moved2, "box", name);
    Set(inverted, "box", "blendMode", "invert");
    // box.filters = [new flash.filters.DropShadowFilter(20, 0, 0x0000FF, 1, 0, 0)]
    shadowed.Push({"box"}).Op(GetVariable).Push({"filters"});
    shadowed.Push({0, 0, 1, 0x0000FF, 0, 20, 6}).Push({"flash"}).Op(GetVariable).Push({"filters"}).Op(GetMember)
        .Push({"DropShadowFilter"}).Op(NewMethod).Push({1}).Op(InitArray).Op(SetMember);
    // box.scrollRect = new flash.geom.Rectangle(5, 0, 5, 10)
    scrolled.Push({"box"}).Op(GetVariable).Push({"scrollRect"});
    Geom(scrolled.Push({10, 5, 0, 5, 4}), "Rectangle").Op(SetMember);
    // b = new BitmapData(20, 10, false, blue); its right half green; on the root above the box.
    SwfActions bitmap;
    Flash(bitmap.Push({"b", double(0xFF0000FF), false, 10, 20, 4}), "display", "BitmapData").Op(SetVariable);
    Geom(bitmap.Push({double(0xFF00FF00), 10, 10, 0, 10, 4}), "Rectangle");
    bitmap.Push({2, "b"}).Op(GetVariable).Push({"fillRect"}).Op(CallMethod).Op(Pop);
    bitmap.Push({5, "b"}).Op(GetVariable).Push({2, "_root"}).Op(GetVariable).Push({"attachBitmap"}).Op(CallMethod).Op(Pop);
    TraceMember(bitmap, "b", "width");
    bitmap.Push({5, 15, 2, "b"}).Op(GetVariable).Push({"getPixel"}).Op(CallMethod).Op(Trace);
    // The box drawn into a transparent bitmap at 20, 20, shown by a clip at 50, 0.
    SwfActions drawn;
    Flash(drawn.Push({"b", 0, true, 40, 40, 4}), "display", "BitmapData").Op(SetVariable);
    Geom(drawn.Push({20, 20, 1, 0, 0, 1, 6}), "Matrix").Push({"box"}).Op(GetVariable);
    drawn.Push({2, "b"}).Op(GetVariable).Push({"draw"}).Op(CallMethod).Op(Pop);
    Invoke(drawn, "_root", "createEmptyMovieClip", {"c", 6});
    Set(drawn, "c", "_x", 50);
    drawn.Push({1, "b"}).Op(GetVariable).Push({2, "c"}).Op(GetVariable).Push({"attachBitmap"}).Op(CallMethod).Op(Pop);
    drawn.Push({25, 25, 2, "b"}).Op(GetVariable).Push({"getPixel32"}).Op(CallMethod).Op(Trace);
    // The square attached at 5, 0 masks the box and shows only as its mask.
    SwfActions masked;
    Invoke(masked, "_root", "attachMovie", {"square", "m", 2});
    Set(masked, "m", "_x", 5);
    masked.Push({"m"}).Op(GetVariable).Push({1, "box"}).Op(GetVariable).Push({"setMask"}).Op(CallMethod).Op(Pop);
    // Bounds and points between the box's space and the stage's.
    SwfActions placed;
    Set(placed, "box", "_x", 20);
    Set(placed, "box", "_xscale", 200);
    for (SwfValue space : {SwfValue("_root"), SwfValue("box")}) {
        placed.Push({space}).Op(GetVariable).Push({1, "box"}).Op(GetVariable).Push({"getBounds"}).Op(CallMethod);
        placed.Op(PushDuplicate).Push({"xMin"}).Op(GetMember).Op(Trace).Push({"xMax"}).Op(GetMember).Op(Trace);
    }
    placed.Push({"p", "x", 1, "y", 2, 2}).Op(InitObject).Op(SetVariable);
    placed.Push({"p"}).Op(GetVariable).Push({1, "box"}).Op(GetVariable).Push({"localToGlobal"}).Op(CallMethod).Op(Pop);
    TraceMember(placed, "p", "x");
    placed.Push({"p"}).Op(GetVariable).Push({1, "box"}).Op(GetVariable).Push({"globalToLocal"}).Op(CallMethod).Op(Pop);
    TraceMember(placed, "p", "x");
    for (int x : {30, 45}) placed.Push({5, x, 2, "box"}).Op(GetVariable).Push({"hitTest"}).Op(CallMethod).Op(Trace);
    // The stage's size; a key that is never down.
    SwfActions stage;
    for (const char* name : {"width", "height"}) TraceMember(stage, "Stage", name);
    stage.Push({"Key"}).Op(GetVariable).Push({"LEFT"}).Op(GetMember).Push({1, "Key"}).Op(GetVariable)
        .Push({"isDown"}).Op(CallMethod).Op(Trace);
    std::vector<Row> rows = {
        {"moved", moved.Take(), {{55, 5, Red}, {5, 5, White}}},
        {"hidden", hidden.Take(), {{5, 5, White}}},
        {"scaled", scaled.Take(), {{25, 5, Red}, {35, 5, White}}},
        {"faded", faded.Take(), {{5, 5, 0xFFFF8080}}},
        {"attached", attached.Take(), {{5, 55, Red}, {5, 5, Red}}},
        {"duplicated", duplicated.Take(), {{85, 5, Red}, {5, 5, Red}}},
        {"removed", removed.Take(), {{45, 5, White}, {5, 5, Red}}},
        {"by target", byTarget.Take(), {{65, 5, Red}, {5, 5, White}}},
        {"swapped", swapped.Take(), {{5, 5, 0xFFFF9999}}, "0|-16383"},
        {"coloured", coloured.Take(), {{5, 5, 0xFF00FF00}}, "65280"},
        {"colour transform", transformed.Take(), {{5, 5, 0xFFFF00FF}, {15, 5, White}}},
        {"matrix", moved2.Take(), {{45, 5, Red}, {55, 5, Red}, {65, 5, White}, {5, 5, White}}, "40|200"},
        {"blend mode", inverted.Take(), {{5, 5, 0xFF000000}, {15, 5, White}}},
        {"filters", shadowed.Take(), {{5, 5, Red}, {25, 5, 0xFF0000FF}, {15, 5, White}}},
        {"scroll rectangle", scrolled.Take(), {{2, 5, Red}, {7, 5, White}}},
        {"stage", stage.Take(), {{5, 5, Red}}, "100|100|false"},
        {"masked", masked.Take(), {{2, 5, White}, {7, 5, Red}, {12, 5, White}}},
        {"bounds and points", placed.Take(), {{25, 5, Red}, {35, 5, Red}}, "20|40|0|10|22|1|true|false"},
        {"bitmap", bitmap.Take(), {{5, 5, 0xFF0000FF}, {15, 5, 0xFF00FF00}, {25, 5, White}}, "20|65280"},
        {"drawn into a bitmap", drawn.Take(), {{75, 25, Red}, {65, 25, White}, {5, 5, Red}}, "4294901760"},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        SwfTags tags;
        SquareSprite(tags)
            .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2, .name = "box"}))
            .DoAction(row.actions)
            .ShowFrame();
        Load(tags.End().Take());
        ExpectProbes(Draw(), row.probes, 3);
        EXPECT_EQ(recorder.Joined(), row.lines);
        recorder.Lines.clear();
    }
}

// A square of the drawing methods from x0, y0 to x1, y1 in clip d.
SwfActions& DrawSquare(SwfActions& actions, int x0, int y0, int x1, int y1)
{
    Invoke(actions, "d", "moveTo", {x0, y0});
    for (auto [x, y] : {std::pair{x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) Invoke(actions, "d", "lineTo", {x, y});
    return actions;
}

TEST_F(ClipScripts, DrawingMethodsDrawBelowTheClipsChildren)
{
    constexpr uint32_t Blue = 0xFF0000FF, Green = 0xFF00FF00;
    struct Row {
        const char* name;
        std::vector<Probe> probes;
        int tolerance = 3;
    };
    std::vector<std::pair<Row, SwfActions>> rows;
    auto add = [&](Row row) -> SwfActions& {
        rows.push_back({row, SwfActions()});
        return Invoke(rows.back().second, "_root", "createEmptyMovieClip", {"d", 1});
    };
    SwfActions& filled = add({"filled square", {{20, 20, Blue}, {5, 5, White}, {35, 35, White}}});
    Invoke(filled, "d", "beginFill", {0x0000FF});
    Invoke(DrawSquare(filled, 10, 10, 30, 30), "d", "endFill", {});

    // The fill closes itself at endFill; the child at 15, 15 covers it.
    SwfActions& below = add({"below a child", {{20, 20, Red}, {12, 12, Blue}, {28, 12, Blue}}});
    Invoke(below, "d", "beginFill", {0x0000FF, 100});
    Invoke(below, "d", "moveTo", {10, 10});
    for (auto [x, y] : {std::pair{30, 10}, {30, 30}, {10, 30}}) Invoke(below, "d", "lineTo", {x, y});
    Invoke(below, "d", "endFill", {});
    Invoke(below, "d", "attachMovie", {"square", "s", 1});
    below.Push({"d"}).Op(GetVariable).Push({"s"}).Op(GetMember).Push({"_x", 15}).Op(SetMember);
    below.Push({"d"}).Op(GetVariable).Push({"s"}).Op(GetMember).Push({"_y", 15}).Op(SetMember);

    SwfActions& cleared = add({"cleared", {{20, 20, White}}});
    Invoke(cleared, "d", "beginFill", {0x0000FF});
    Invoke(DrawSquare(cleared, 10, 10, 30, 30), "d", "clear", {});

    SwfActions& line = add({"line", {{50, 50, Green}, {50, 45, White}, {20, 50, Green}}});
    Invoke(line, "d", "lineStyle", {4, 0x00FF00, 100});
    Invoke(line, "d", "moveTo", {0, 50});
    Invoke(line, "d", "lineTo", {100, 50});

    SwfActions& curve = add({"curve", {{50, 60, Green}, {50, 80, White}}});
    Invoke(curve, "d", "lineStyle", {4, 0x00FF00});
    Invoke(curve, "d", "moveTo", {0, 100});
    Invoke(curve, "d", "curveTo", {50, 20, 100, 100});

    // Black to white from left to right over the stage.
    SwfActions& gradient = add({"gradient", {{2, 50, 0xFF000000}, {50, 50, 0xFF808080}, {98, 50, White}}, 12});
    gradient.Push({"matrixType", "box", "x", 0, "y", 0, "w", 100, "h", 100, "r", 0, 6}).Op(InitObject);
    gradient.Push({255, 0, 2}).Op(InitArray).Push({100, 100, 2}).Op(InitArray).Push({0xFFFFFF, 0, 2}).Op(InitArray);
    gradient.Push({"linear", 5, "d"}).Op(GetVariable).Push({"beginGradientFill"}).Op(CallMethod).Op(Pop);
    Invoke(DrawSquare(gradient, 0, 0, 100, 100), "d", "endFill", {});

    // A bitmap of 10 by 10, green on its left half and blue on its right,
    // fills a square 40 by 20 at the origin; arguments: what the call's
    // arguments after the bitmap push, the last first.
    auto bitmapFill = [&](Row row, SwfActions arguments, int count) -> SwfActions& {
        SwfActions& actions = add(row);
        Flash(actions.Push({"b", double(0xFF0000FF), false, 10, 10, 4}), "display", "BitmapData").Op(SetVariable);
        Geom(actions.Push({double(0xFF00FF00), 10, 5, 0, 0, 4}), "Rectangle");
        actions.Push({2, "b"}).Op(GetVariable).Push({"fillRect"}).Op(CallMethod).Op(Pop);
        actions.Append(arguments.Take()).Push({"b"}).Op(GetVariable).Push({count + 1, "d"}).Op(GetVariable);
        actions.Push({"beginBitmapFill"}).Op(CallMethod).Op(Pop);
        return Invoke(DrawSquare(actions, 0, 0, 40, 20), "d", "endFill", {});
    };
    bitmapFill({"bitmap fill repeated", {{2, 5, Green}, {7, 5, Blue}, {12, 5, Green}, {37, 15, Blue}, {45, 5, White}}},
               {}, 0);
    bitmapFill({"bitmap fill clamped", {{2, 5, Green}, {7, 5, Blue}, {12, 5, Blue}, {2, 15, Green}, {37, 15, Blue}}},
               SwfActions().Push({false, Null()}), 2);
    // Scaled twice and moved 5 pixels right: green from 5 to 15, blue to 25.
    SwfActions scaled;
    Geom(scaled.Push({0, 5, 2, 0, 0, 2, 6}), "Matrix");
    bitmapFill({"bitmap fill under a matrix", {{2, 5, Blue}, {7, 5, Green}, {17, 5, Blue}, {27, 5, Green}}},
               std::move(scaled), 1);
    // The fill shows the bitmap as it is when drawn: filled red after the fill was drawn.
    SwfActions& changed = bitmapFill({"bitmap changed afterwards", {{2, 5, Red}, {37, 15, Red}}}, {}, 0);
    Geom(changed.Push({double(0xFFFF0000), 10, 10, 0, 0, 4}), "Rectangle");
    changed.Push({2, "b"}).Op(GetVariable).Push({"fillRect"}).Op(CallMethod).Op(Pop);

    // Red to blue along a line across the stage.
    SwfActions& stroked = add({"gradient line", {{1, 50, Red}, {50, 50, 0xFF800080}, {99, 50, Blue}, {50, 40, White}}, 14});
    Invoke(stroked, "d", "lineStyle", {10, 0x000000});
    stroked.Push({"matrixType", "box", "x", 0, "y", 0, "w", 100, "h", 100, "r", 0, 6}).Op(InitObject);
    stroked.Push({255, 0, 2}).Op(InitArray).Push({100, 100, 2}).Op(InitArray).Push({0x0000FF, 0xFF0000, 2}).Op(InitArray);
    stroked.Push({"linear", 5, "d"}).Op(GetVariable).Push({"lineGradientStyle"}).Op(CallMethod).Op(Pop);
    Invoke(stroked, "d", "moveTo", {0, 50});
    Invoke(stroked, "d", "lineTo", {100, 50});

    for (auto& [row, actions] : rows) {
        SCOPED_TRACE(row.name);
        SwfTags tags;
        SquareSprite(tags).DoAction(actions.Take()).ShowFrame();
        Load(tags.End().Take());
        ExpectProbes(Draw(), row.probes, row.tolerance);
        EXPECT_EQ(recorder.Joined(), "");
    }
}

// f = new TextFormat(arguments...)
SwfActions& NewFormat(SwfActions& actions, std::initializer_list<SwfValue> arguments)
{
    actions.Push({"f"});
    for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument)
        actions.Push({*argument});
    return actions.Push({static_cast<int>(arguments.size()), "TextFormat"}).Op(NewObject).Op(SetVariable);
}

// t.method(f)
SwfActions& WithFormat(SwfActions& actions, const char* method)
{
    return actions.Push({"f"}).Op(GetVariable).Push({1, "t"}).Op(GetVariable).Push({method}).Op(CallMethod).Op(Pop);
}

TEST_F(ClipScripts, TextFieldsThatScriptsMakeShowTheirText)
{
    constexpr uint32_t Blue = 0xFF0000FF, Green = 0xFF00FF00;
    struct Row {
        const char* name;
        std::vector<Probe> probes;
        const char* lines = "";
    };
    std::vector<std::pair<Row, SwfActions>> rows;
    // Each a field from 10, 10 to 90, 90 (until moved) in the square font, 20 pixels high:
    // its first line's glyphs stand from y 12 to 32, from x 12, 37, 62.
    auto add = [&](Row row, std::initializer_list<SwfValue> format) -> SwfActions& {
        rows.push_back({row, SwfActions()});
        SwfActions& actions = rows.back().second;
        Invoke(actions, "_root", "createTextField", {"t", 1, 10, 10, 80, 80});
        Set(actions, "t", "embedFonts", true);
        return WithFormat(NewFormat(actions, format), "setNewTextFormat");
    };
    Set(add({"plain", {{22, 22, Blue}, {34, 22, White}, {47, 22, Blue}, {70, 22, White}}, "AA|2"},
            {"Squares", 20, 0x0000FF}),
        "t", "text", "AA");
    TraceMember(rows.back().second, "t", "text");
    TraceMember(rows.back().second, "t", "length");

    SwfActions& right = add({"right", {{73, 22, Blue}, {22, 22, White}}},
                            {"Squares", 20, 0x0000FF, Null(), Null(), Null(), Null(), Null(), "right"});
    Set(right, "t", "text", "A");

    SwfActions& html = add({"html", {{22, 22, Red}, {47, 22, Blue}}, "AA"},
                           {"Squares", 20, 0x0000FF});
    Set(html, "t", "html", true);
    Set(html, "t", "htmlText", "<font color='#FF0000'>A</font>A");
    TraceMember(html, "t", "text");

    SwfActions& box = add({"background and place", {{50, 50, Green}, {5, 5, White}, {40, 12, Blue}, {60, 12, Green}, {22, 22, White}}},
                          {"Squares", 20, 0x0000FF});
    Set(box, "t", "background", true);
    Set(box, "t", "backgroundColor", 0x00FF00);
    Set(box, "t", "text", "A");
    Set(box, "t", "_x", 30);
    Set(box, "t", "_y", 0);

    // A field bound to a variable shows its value.
    SwfActions& bound = add({"bound to a variable", {{22, 22, Blue}, {47, 22, White}}, "v"}, {"Squares", 20, 0x0000FF});
    Set(bound, "t", "variable", "v");
    bound.Push({"v", "A"}).Op(SetVariable);
    TraceMember(bound, "t", "variable");

    // Sized to its two glyphs, 25 pixels apart, and its gutters.
    SwfActions& fitted = add({"auto size", {{60, 15, Green}, {70, 15, White}, {22, 22, Blue}}, "50|54|left"},
                             {"Squares", 20, 0x0000FF});
    Set(fitted, "t", "background", true);
    Set(fitted, "t", "backgroundColor", 0x00FF00);
    Set(fitted, "t", "autoSize", true);
    Set(fitted, "t", "text", "AA");
    for (const char* name : {"textWidth", "_width", "autoSize"}) TraceMember(fitted, "t", name);

    // A format set afterwards restyles the text there is; getTextFormat tells.
    SwfActions& restyled = add({"restyled", {{22, 22, Red}}, "20|Squares"}, {"Squares", 20, 0x0000FF});
    Set(restyled, "t", "text", "A");
    WithFormat(NewFormat(restyled, {Null(), Null(), 0xFF0000}), "setTextFormat");
    restyled.Push({0, "t"}).Op(GetVariable).Push({"getTextFormat"}).Op(CallMethod).Op(PushDuplicate);
    restyled.Push({"size"}).Op(GetMember).Op(Trace).Push({"font"}).Op(GetMember).Op(Trace);

    // t.getTextFormat(range...)[name] traced.
    auto traceFormat = [](SwfActions& actions, std::initializer_list<SwfValue> range, const char* name) {
        for (auto index = std::rbegin(range); index != std::rend(range); ++index) actions.Push({*index});
        actions.Push({static_cast<int>(range.size()), "t"}).Op(GetVariable).Push({"getTextFormat"}).Op(CallMethod);
        actions.Push({name}).Op(GetMember).Op(Trace);
    };
    // t.setTextFormat(range..., f)
    auto formatRange = [](SwfActions& actions, std::initializer_list<SwfValue> range) {
        actions.Push({"f"}).Op(GetVariable);
        for (auto index = std::rbegin(range); index != std::rend(range); ++index) actions.Push({*index});
        actions.Push({static_cast<int>(range.size()) + 1, "t"}).Op(GetVariable).Push({"setTextFormat"});
        actions.Op(CallMethod).Op(Pop);
    };
    SwfActions& ranges = add({"two colours over two ranges",
                              {{22, 22, Blue}, {47, 22, Red}, {72, 22, Red}},
                              "null|20|255|16711680"},
                             {"Squares", 20, 0x0000FF});
    Set(ranges, "t", "text", "AAA");
    formatRange(NewFormat(ranges, {Null(), Null(), 0xFF0000}), {1, 3});
    traceFormat(ranges, {0, 3}, "color");
    traceFormat(ranges, {0, 3}, "size");
    traceFormat(ranges, {0}, "color");
    traceFormat(ranges, {2}, "color");

    // The second character at half the size stands on the same baseline.
    SwfActions& sized = add({"own size", {{22, 15, Blue}, {40, 15, White}, {40, 28, Blue}}}, {"Squares", 20, 0x0000FF});
    Set(sized, "t", "text", "AA");
    formatRange(NewFormat(sized, {Null(), 10}), {1});

    // Alignment holds for the paragraph the range touches, not the next.
    SwfActions& aligned = add({"aligned paragraph", {{73, 22, Blue}, {22, 22, White}, {22, 47, Blue}, {73, 47, White}}},
                              {"Squares", 20, 0x0000FF});
    Set(aligned, "t", "multiline", true);
    Set(aligned, "t", "text", "A\nA");
    formatRange(NewFormat(aligned, {Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), "right"}), {0, 1});

    // The tags of HTML make the same runs as formats set on ranges, and
    // htmlText tells the runs in its own HTML, which reads back as it was.
    SwfActions& html2 = add({"html runs",
                             {{22, 22, Red}, {47, 22, Blue}},
                             "null|16711680|<P ALIGN=\"LEFT\"><FONT FACE=\"Squares\" SIZE=\"20\" COLOR=\"#FF0000\">A</FONT>"
                             "<FONT FACE=\"Squares\" SIZE=\"20\" COLOR=\"#0000FF\"><B>A</B></FONT></P>|AA"},
                            {"Squares", 20, 0x0000FF});
    Set(html2, "t", "html", true);
    Set(html2, "t", "htmlText", "<p><font color='#FF0000'>A</font><b>A</b></p>");
    traceFormat(html2, {0, 2}, "color");
    traceFormat(html2, {0}, "color");
    TraceMember(html2, "t", "htmlText");
    html2.Push({"t"}).Op(GetVariable).Push({"htmlText", "t"}).Op(GetVariable).Push({"htmlText"}).Op(GetMember).Op(SetMember);
    TraceMember(html2, "t", "text");

    // replaceSel puts its text at the caret in the format for new text.
    SwfActions& replaced = add({"replaced selection", {{22, 22, Red}, {47, 22, Blue}}, "AA|16711680|255"},
                               {"Squares", 20, 0x0000FF});
    Set(replaced, "t", "text", "A");
    WithFormat(NewFormat(replaced, {Null(), Null(), 0xFF0000}), "setNewTextFormat");
    Invoke(replaced, "t", "replaceSel", {"A"});
    TraceMember(replaced, "t", "text");
    traceFormat(replaced, {0}, "color");
    traceFormat(replaced, {1}, "color");

    // Text put into a paragraph takes its layout, whatever the format for new text says.
    SwfActions& inserted = add({"inserted into a paragraph", {{48, 22, Blue}, {73, 22, Blue}, {22, 22, White}}},
                               {"Squares", 20, 0x0000FF});
    Set(inserted, "t", "text", "A");
    formatRange(NewFormat(inserted, {Null(), Null(), Null(), Null(), Null(), Null(), Null(), Null(), "right"}), {});
    Invoke(inserted, "t", "replaceSel", {"A"});

    for (auto& [row, actions] : rows) {
        SCOPED_TRACE(row.name);
        SwfTags tags;
        tags.Tag(TagDefineFont2, SquareFont2(1, "Squares", "A")).DoAction(actions.Take()).ShowFrame();
        Load(tags.End().Take());
        ExpectProbes(Draw(), row.probes, 3);
        EXPECT_EQ(recorder.Joined(), row.lines);
        recorder.Lines.clear();
    }
}

TEST_F(ClipScripts, RegisteredClassesMakeTheirSymbolsClips)
{
    // function F() { this.made = "yes"; trace("made"); }
    // F.prototype.hello = function () { trace("hello " + this._name); };
    // F.prototype.onLoad = function () { trace("loaded"); };
    // Object.registerClass("square", F);
    SwfActions init;
    init.DefineFunction("F", {}, SwfActions().Push({"this"}).Op(GetVariable).Push({"made", "yes"}).Op(SetMember)
                                     .Push({"made"}).Op(Trace).Take());
    init.Push({"F"}).Op(GetVariable).Push({"prototype"}).Op(GetMember).Push({"hello"});
    init.DefineFunction("", {}, SwfActions().Push({"hello ", "this"}).Op(GetVariable).Push({"_name"}).Op(GetMember)
                                    .Op(Add2).Op(Trace).Take());
    init.Op(SetMember);
    init.Push({"F"}).Op(GetVariable).Push({"prototype"}).Op(GetMember).Push({"onLoad"});
    init.DefineFunction("", {}, SwfActions().Push({"loaded"}).Op(Trace).Take()).Op(SetMember);
    init.Push({"F"}).Op(GetVariable).Push({"square", 2, "Object"}).Op(GetVariable).Push({"registerClass"})
        .Op(CallMethod).Op(Pop);
    SwfActions frame;
    Invoke(frame, "_root", "attachMovie", {"square", "a", 3});
    Invoke(frame, "a", "hello", {});
    TraceMember(frame, "a", "made");
    SwfTags tags;
    SquareSprite(tags).DoInitAction(2, init.Take()).DoAction(frame.Take()).ShowFrame();
    Load(tags.End().Take());
    EXPECT_EQ(recorder.Joined(), "made|hello a|yes|loaded") << "the load comes once the frame's actions ran";
}

TEST_F(ClipScripts, GotoOnANamedSpriteShowsItsFrame)
{
    // The sprite's second frame moves its square to 50, 50.
    Bytes frames = SwfTags()
                       .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                       .ShowFrame()
                       .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .matrix = SwfMatrix{.tx = 50 * Px, .ty = 50 * Px}}))
                       .ShowFrame()
                       .End()
                       .Take();
    SwfActions go;
    Invoke(go, "anim", "gotoAndStop", {2});
    go.Push({"anim"}).Op(GetVariable).Push({"_currentframe"}).Op(GetMember).Op(Trace);
    SwfTags tags;
    SquareSprite(tags)
        .Sprite(3, 2, frames)
        .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 3, .name = "anim"}))
        .DoAction(go.Take())
        .ShowFrame();
    Load(tags.End().Take());
    EXPECT_EQ(recorder.Joined(), "2");
    ExpectProbes(Draw(), {{55, 55, Red}, {5, 5, White}}, 3);
    player.Step();
    ExpectProbes(Draw(), {{55, 55, Red}, {5, 5, White}}, 3);
}

TEST_F(ClipScripts, SpriteFramesAndClipEventsRun)
{
    // A sprite of two frames that say so, placed with load, enterFrame and
    // unload handlers in the root's first frame and removed in its third.
    Bytes sprite = SwfTags().DoAction(Say("f1")).ShowFrame().DoAction(Say("f2")).ShowFrame().End().Take();
    SwfPlace place{.depth = 1, .id = 3, .name = "s"};
    place.clipActions = {{0x01, Say("load")}, {0x02, Say("enter")}, {0x04, Say("unload")}};
    SwfTags tags;
    tags.Sprite(3, 2, sprite)
        .Tag(TagPlaceObject2, PlaceObject2(place))
        .ShowFrame()
        .ShowFrame()
        .Tag(TagRemoveObject2, {1, 0})
        .DoAction(SwfActions().Op(Stop).Take())
        .ShowFrame();
    Load(tags.End().Take(), 3);
    EXPECT_EQ(recorder.Joined(), "f1|load");
    recorder.Lines.clear();
    player.Step();
    EXPECT_EQ(recorder.Joined(), "f2|enter");
    recorder.Lines.clear();
    player.Step();
    EXPECT_EQ(recorder.Joined(), "unload") << "a removed clip's frame runs nothing";
}

TEST_F(ClipScripts, ClipsThatStayKeepTheirStateWhenTheTimelineGoesBack)
{
    // The root loops over two frames; its box stays, and so does its
    // variable. Moved by a script, it no longer follows the timeline's moves.
    SwfActions grow;
    grow.Push({"box"}).Op(GetVariable).Push({"v", "box"}).Op(GetVariable).Push({"v"}).Op(GetMember)
        .Push({"a"}).Op(Add2).Op(SetMember);
    grow.Push({"box"}).Op(GetVariable).Push({"v"}).Op(GetMember).Op(Trace);
    SwfActions move;
    Set(move, "box", "_x", 50);
    SwfTags tags;
    SquareSprite(tags)
        .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 2, .name = "box"}))
        .DoAction(move.Take())
        .ShowFrame()
        .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .matrix = SwfMatrix{.tx = 20 * Px}}))
        .DoAction(grow.Take())
        .ShowFrame();
    Load(tags.End().Take(), 2);
    player.Step();
    player.Step();
    player.Step();
    EXPECT_EQ(recorder.Joined(), "undefineda|undefinedaa");
    ExpectProbes(Draw(), {{55, 5, Red}, {5, 5, White}}, 3);
}

}
