#include "SwfText.h"

#include "SwfBits.h"
#include "SwfDrawing.h"

namespace tvmtest {

Bytes SquareFont2(uint16_t id, const std::string& name, const std::string& codes)
{
    // The square glyph of SquareFont, after its id and offset table.
    Bytes square = SquareFont(0);
    square.erase(square.begin(), square.begin() + 4);
    auto count = static_cast<uint32_t>(codes.size());
    BitWriter w;
    w.Bytes(id, 2);
    w.Bytes(codes.empty() ? 0x00 : 0x80, 1);  // layout when there are glyphs
    w.Bytes(1, 1);
    w.Bytes(static_cast<uint32_t>(name.size()), 1);
    for (char c : name) w.Bytes(static_cast<uint8_t>(c), 1);
    w.Bytes(count, 2);
    if (codes.empty())
        return w.Finish();
    uint32_t tableSize = 2 * (count + 1);
    for (uint32_t i = 0; i <= count; ++i) w.Bytes(tableSize + i * static_cast<uint32_t>(square.size()), 2);
    for (uint32_t i = 0; i < count; ++i) w.Append(square);
    for (char c : codes) w.Bytes(static_cast<uint8_t>(c), 1);
    w.Bytes(1024, 2);  // ascent
    w.Bytes(256, 2);   // descent
    w.Bytes(0, 2);     // leading
    for (uint32_t i = 0; i < count; ++i) w.Bytes(1280, 2);
    for (uint32_t i = 0; i < count; ++i) w.Bytes(0, 1);  // empty bounds
    w.Bytes(0, 2);                                       // no kerning
    return w.Finish();
}

Bytes EditTextTag(const SwfEditText& f)
{
    BitWriter w;
    w.Bytes(f.id, 2);
    w.Put(31, 5);
    for (int32_t v : {f.x0, f.x1, f.y0, f.y1}) w.PutSigned(v, 31);
    w.Align();
    uint8_t first = 0x80 | (f.wordWrap ? 0x40 : 0) | (f.multiline ? 0x20 : 0) | 0x04 | (f.fontId ? 0x01 : 0);
    uint8_t second = 0x20 | (f.border ? 0x08 : 0) | (f.html ? 0x02 : 0) | (f.outlines ? 0x01 : 0);
    w.Bytes(first, 1);
    w.Bytes(second, 1);
    if (f.fontId) {
        w.Bytes(f.fontId, 2);
        w.Bytes(f.height, 2);
    }
    for (int shift : {16, 8, 0, 24}) w.Bytes(f.argb >> shift & 0xFF, 1);
    w.Bytes(f.align, 1);
    w.Bytes(f.leftMargin, 2);
    w.Bytes(0, 2);  // right margin
    w.Bytes(0, 2);  // indent
    w.Bytes(0, 2);  // leading
    for (char c : f.variable) w.Bytes(static_cast<uint8_t>(c), 1);
    w.Bytes(0, 1);
    for (char c : f.text) w.Bytes(static_cast<uint8_t>(c), 1);
    w.Bytes(0, 1);
    return w.Finish();
}

}
