#include "SwfDrawing.h"

#include <cmath>

#include "SwfBits.h"
#include "SwfFixtures.h"

namespace tvmtest {
namespace {

void PutRgba(BitWriter& w, uint32_t argb)
{
    for (int shift : {16, 8, 0, 24}) w.Bytes(argb >> shift & 0xFF, 1);
}

void PutRect(BitWriter& w, SwfRect rect)
{
    w.Align();
    w.Put(31, 5);
    for (int32_t v : {rect.x0, rect.x1, rect.y0, rect.y1}) w.PutSigned(v, 31);
    w.Align();
}

void PutMatrix(BitWriter& w, const SwfMatrix& m)
{
    w.Align();
    auto fixed = [](double v) { return static_cast<int32_t>(std::lround(v * 65536)); };
    w.Put(1, 1);
    w.Put(31, 5);
    w.PutSigned(fixed(m.a), 31);
    w.PutSigned(fixed(m.d), 31);
    w.Put(1, 1);
    w.Put(31, 5);
    w.PutSigned(fixed(m.b), 31);
    w.PutSigned(fixed(m.c), 31);
    w.Put(31, 5);
    w.PutSigned(m.tx, 31);
    w.PutSigned(m.ty, 31);
    w.Align();
}

void PutColours(BitWriter& w, const SwfColours& c)
{
    w.Align();
    w.Put(3, 2);  // add and multiply terms
    w.Put(15, 4);
    for (double mul : c.mul) w.PutSigned(static_cast<int32_t>(std::lround(mul * 256)), 15);
    for (int add : c.add) w.PutSigned(add, 15);
    w.Align();
}

void PutStraightEdge(BitWriter& w, int32_t dx, int32_t dy)
{
    w.Put(0b11, 2);  // an edge, straight
    w.Put(15, 4);    // 17 bits a delta, the most there are
    w.Put(1, 1);     // both deltas
    w.PutSigned(dx, 17);
    w.PutSigned(dy, 17);
}

// Style change with a move to the rectangle's corner, then its four edges
// clockwise and the end record.
void PutRectangleRecords(BitWriter& w, SwfRect r, uint32_t fillBits, uint32_t lineBits)
{
    w.Put(0, 1);
    w.Put(0, 1);                // no new styles
    w.Put(lineBits ? 1 : 0, 1);
    w.Put(fillBits ? 1 : 0, 1);  // fill style 1
    w.Put(0, 1);                // fill style 0
    w.Put(1, 1);                // move to
    w.Put(31, 5);
    w.PutSigned(r.x0, 31);
    w.PutSigned(r.y0, 31);
    if (fillBits) w.Put(1, fillBits);
    if (lineBits) w.Put(1, lineBits);
    PutStraightEdge(w, r.x1 - r.x0, 0);
    PutStraightEdge(w, 0, r.y1 - r.y0);
    PutStraightEdge(w, r.x0 - r.x1, 0);
    PutStraightEdge(w, 0, r.y0 - r.y1);
    w.Put(0, 6);
    w.Align();
}

}

Bytes SolidFill(uint32_t argb)
{
    BitWriter w;
    w.Bytes(0x00, 1);
    PutRgba(w, argb);
    return w.Finish();
}

Bytes GradientFill(const SwfGradient& g)
{
    BitWriter w;
    w.Bytes(g.type, 1);
    PutMatrix(w, g.matrix);
    w.Put(g.spread, 2);
    w.Put(0, 2);
    w.Put(static_cast<uint32_t>(g.stops.size()), 4);
    for (auto [ratio, argb] : g.stops) {
        w.Bytes(ratio, 1);
        PutRgba(w, argb);
    }
    if (g.type == 0x13)
        w.Bytes(static_cast<uint16_t>(static_cast<int16_t>(std::lround(g.focal * 256))), 2);
    return w.Finish();
}

Bytes BitmapFill(uint8_t type, uint16_t bitmapId, const SwfMatrix& matrix)
{
    BitWriter w;
    w.Bytes(type, 1);
    w.Bytes(bitmapId, 2);
    PutMatrix(w, matrix);
    return w.Finish();
}

Bytes RectangleShape(uint16_t id, SwfRect rect, const Bytes& fill, std::optional<uint16_t> lineWidth,
                     uint32_t lineArgb)
{
    BitWriter w;
    w.Bytes(id, 2);
    PutRect(w, rect);
    w.Bytes(1, 1);
    w.Append(fill);
    w.Bytes(lineWidth ? 1 : 0, 1);
    if (lineWidth) {
        w.Bytes(*lineWidth, 2);
        PutRgba(w, lineArgb);
    }
    w.Put(1, 4);
    w.Put(lineWidth ? 1 : 0, 4);
    PutRectangleRecords(w, rect, 1, lineWidth ? 1 : 0);
    return w.Finish();
}

Bytes MorphRectangle(uint16_t id, SwfRect from, SwfRect to, uint32_t fromArgb, uint32_t toArgb)
{
    BitWriter styles;
    styles.Bytes(1, 1);
    styles.Bytes(0x00, 1);
    PutRgba(styles, fromArgb);
    PutRgba(styles, toArgb);
    styles.Bytes(0, 1);  // no line styles
    styles.Put(1, 4);
    styles.Put(0, 4);
    PutRectangleRecords(styles, from, 1, 0);
    Bytes start = styles.Finish();
    BitWriter end;
    end.Put(0, 4);
    end.Put(0, 4);
    PutRectangleRecords(end, to, 0, 0);

    BitWriter w;
    w.Bytes(id, 2);
    PutRect(w, from);
    PutRect(w, to);
    w.Bytes(static_cast<uint32_t>(start.size()), 4);
    w.Append(start);
    w.Append(end.Finish());
    return w.Finish();
}

Bytes LosslessBitmap(uint16_t id, int width, int height, const std::vector<uint32_t>& pixels)
{
    Bytes argb;
    for (uint32_t p : pixels)
        for (int shift : {24, 16, 8, 0}) argb.push_back(static_cast<uint8_t>(p >> shift));
    BitWriter w;
    w.Bytes(id, 2);
    w.Bytes(5, 1);
    w.Bytes(static_cast<uint32_t>(width), 2);
    w.Bytes(static_cast<uint32_t>(height), 2);
    w.Append(Deflate(argb));
    return w.Finish();
}

Bytes SquareFont(uint16_t id)
{
    BitWriter w;
    w.Bytes(id, 2);
    w.Bytes(2, 2);  // the offset table: one glyph right after it
    w.Put(1, 4);
    w.Put(0, 4);
    PutRectangleRecords(w, {0, -1024, 1024, 0}, 1, 0);
    return w.Finish();
}

Bytes SquareText(uint16_t id, uint16_t fontId, uint16_t height, int16_t x, int16_t y, uint32_t argb, int count)
{
    BitWriter w;
    w.Bytes(id, 2);
    PutRect(w, {0, 0, 0, 0});
    PutMatrix(w, {});
    w.Bytes(1, 1);   // glyph index bits
    w.Bytes(16, 1);  // advance bits
    w.Bytes(0x8F, 1);  // font, colour, x and y
    w.Bytes(fontId, 2);
    PutRgba(w, argb);
    w.Bytes(static_cast<uint16_t>(x), 2);
    w.Bytes(static_cast<uint16_t>(y), 2);
    w.Bytes(height, 2);
    w.Bytes(static_cast<uint32_t>(count), 1);
    for (int i = 0; i < count; ++i) {
        w.Put(0, 1);
        w.Put(height, 16);
    }
    w.Bytes(0, 1);
    return w.Finish();
}

Bytes PlaceObject2(const SwfPlace& place)
{
    BitWriter w;
    uint8_t flags = (place.id ? 0x02 : 0x01) | (place.matrix ? 0x04 : 0) | (place.colours ? 0x08 : 0)
                    | (place.ratio ? 0x10 : 0) | (place.name.empty() ? 0 : 0x20) | (place.clipDepth ? 0x40 : 0)
                    | (place.clipActions.empty() ? 0 : 0x80);
    w.Bytes(flags, 1);
    w.Bytes(place.depth, 2);
    if (place.id) w.Bytes(place.id, 2);
    if (place.matrix) PutMatrix(w, *place.matrix);
    if (place.colours) PutColours(w, *place.colours);
    if (place.ratio) w.Bytes(*place.ratio, 2);
    Bytes out = w.Finish();
    if (!place.name.empty())
        out.insert(out.end(), place.name.c_str(), place.name.c_str() + place.name.size() + 1);
    auto u16 = [&](uint32_t value) { out.insert(out.end(), {uint8_t(value), uint8_t(value >> 8)}); };
    auto u32 = [&](uint32_t value) { u16(value & 0xFFFF), u16(value >> 16); };
    if (place.clipDepth) u16(place.clipDepth);
    if (!place.clipActions.empty()) {
        uint32_t all = 0;
        for (const auto& [events, code] : place.clipActions) all |= events;
        u16(0);
        u32(all);
        for (const auto& [events, code] : place.clipActions) {
            u32(events);
            u32(static_cast<uint32_t>(code.size()));
            out.insert(out.end(), code.begin(), code.end());
        }
        u32(0);
    }
    return out;
}

}
