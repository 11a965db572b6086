#pragma once
// The drawing tags of the movies the tests write: shapes, bitmaps, morphs
// and placements, with colours as 0xAARRGGBB and lengths in twips.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

enum SwfDrawingTag : uint16_t {
    TagDefineFont = 10,
    TagPlaceObject2 = 26,
    TagRemoveObject2 = 28,
    TagDefineShape3 = 32,
    TagDefineText2 = 33,
    TagDefineBitsJpeg3 = 35,
    TagDefineBitsLossless2 = 36,
    TagDefineMorphShape = 46,
};

struct SwfMatrix {
    double a = 1, b = 0, c = 0, d = 1;  // x' = a x + c y + tx, y' = b x + d y + ty
    int32_t tx = 0, ty = 0;
};

struct SwfColours {
    double mul[4] = {1, 1, 1, 1};  // red, green, blue, alpha
    int add[4] = {0, 0, 0, 0};
};

struct SwfGradient {
    uint8_t type = 0x10;  // 0x10 linear, 0x12 radial, 0x13 focal
    SwfMatrix matrix;
    std::vector<std::pair<uint8_t, uint32_t>> stops;  // ratio, colour
    uint8_t spread = 0;  // 0 pad, 1 reflect, 2 repeat
    double focal = 0;
};

struct SwfRect {
    int32_t x0, y0, x1, y1;
};

// Fill styles of DefineShape3.
Bytes SolidFill(uint32_t argb);
Bytes GradientFill(const SwfGradient& gradient);
Bytes BitmapFill(uint8_t type, uint16_t bitmapId, const SwfMatrix& matrix);

// A DefineShape3 body: one rectangle filled with fill, and outlined
// lineWidth twips wide (0: a hairline) when lineWidth is given.
Bytes RectangleShape(uint16_t id, SwfRect rect, const Bytes& fill, std::optional<uint16_t> lineWidth = std::nullopt,
                     uint32_t lineArgb = 0);
// A DefineMorphShape body: one rectangle becoming another, colour to colour.
Bytes MorphRectangle(uint16_t id, SwfRect from, SwfRect to, uint32_t fromArgb, uint32_t toArgb);
// A DefineBitsLossless2 body in its 32-bit format, pixels premultiplied.
Bytes LosslessBitmap(uint16_t id, int width, int height, const std::vector<uint32_t>& pixels);

// A DefineFont body whose one glyph is a square an em wide standing on the
// baseline.
Bytes SquareFont(uint16_t id);
// A DefineText2 body: count of that glyph, each an em on from the last,
// height twips to the em, the first at x, y.
Bytes SquareText(uint16_t id, uint16_t fontId, uint16_t height, int16_t x, int16_t y, uint32_t argb, int count);

struct SwfPlace {
    uint16_t depth = 1;
    uint16_t id = 0;  // 0: the object at depth is only changed
    std::optional<SwfMatrix> matrix = std::nullopt;
    std::optional<SwfColours> colours = std::nullopt;
    std::optional<uint16_t> ratio = std::nullopt;
    uint16_t clipDepth = 0;
    std::string name = {};
    // onClipEvent handlers: the events' bits and the actions, as a movie of
    // version 6 or later holds them.
    std::vector<std::pair<uint32_t, Bytes>> clipActions = {};
};

Bytes PlaceObject2(const SwfPlace& place);

}
