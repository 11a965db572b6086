#include "Text.h"

#include <algorithm>

namespace tvmplayer {
namespace {

Outline ReadGlyph(std::span<const uint8_t> bytes)
{
    SwfReader reader(bytes);
    return Assemble(ReadShapeRecords(reader, 1));
}

// The code table and the layout after a DefineFont2 or 3's glyphs.
void ReadCodesAndLayout(SwfReader& reader, uint8_t flags, size_t glyphs, Font& font)
{
    bool wideCodes = flags & 0x04;
    for (uint32_t i = 0; i < glyphs; ++i)
        font.GlyphOfCode.emplace(wideCodes ? reader.U16() : reader.U8(), i);
    if (!(flags & 0x80))
        return;
    font.Ascent = reader.U16();
    font.Descent = reader.U16();
    font.Leading = static_cast<int16_t>(reader.U16());
    for (uint32_t i = 0; i < glyphs; ++i) font.Advances.push_back(static_cast<int16_t>(reader.U16()));
}

}

Font ReadFont(std::span<const uint8_t> body, int version)
{
    Font font;
    if (version == 3)
        font.EmSquare = 1024 * 20;
    SwfReader reader(body);
    std::vector<uint32_t> offsets;
    size_t tableStart = 0, glyphsEnd = body.size();
    uint8_t flags = 0;
    try {
        if (version == 1) {
            uint32_t first = reader.U16();
            offsets.push_back(first);
            for (uint32_t i = 1; i < first / 2; ++i) offsets.push_back(reader.U16());
        } else {
            flags = reader.U8();
            bool wide = flags & 0x08;
            font.Bold = flags & 0x01;
            font.Italic = flags & 0x02;
            reader.U8();  // language
            std::span<const uint8_t> name = reader.Bytes(reader.U8());
            font.Name.assign(name.begin(), std::find(name.begin(), name.end(), 0));
            uint32_t count = reader.U16();
            tableStart = reader.Position();
            for (uint32_t i = 0; i <= count; ++i) offsets.push_back(wide ? reader.U32() : reader.U16());
            // The last offset is where the code table starts.
            glyphsEnd = std::min(body.size(), tableStart + offsets.back());
            offsets.pop_back();
        }
    } catch (const SwfFormatError&) {
        return font;
    }
    for (size_t i = 0; i < offsets.size(); ++i) {
        size_t start = tableStart + offsets[i];
        size_t end = i + 1 < offsets.size() ? tableStart + offsets[i + 1] : glyphsEnd;
        if (start < end && end <= body.size())
            font.Glyphs.push_back(ReadGlyph(body.subspan(start, end - start)));
        else
            font.Glyphs.emplace_back();
    }
    if (version > 1) {
        SwfReader tail(body.subspan(glyphsEnd));
        try {
            ReadCodesAndLayout(tail, flags, offsets.size(), font);
        } catch (const SwfFormatError&) {
            // Codes read so far still map; a cut layout measures by glyph.
        }
    }
    return font;
}

Text ReadText(SwfReader& body, int version)
{
    Text text;
    SkipRect(body);
    text.Transform = ReadMatrix(body);
    int glyphBits = body.U8(), advanceBits = body.U8();
    GlyphRun style;
    try {
        while (uint8_t flags = body.U8()) {
            if (flags & 0x08)
                style.FontId = body.U16();
            if (flags & 0x04)
                style.Argb = version == 2 ? ReadRgba(body) : ReadRgb(body);
            if (flags & 0x01)
                style.X = static_cast<int16_t>(body.U16());
            if (flags & 0x02)
                style.Y = static_cast<int16_t>(body.U16());
            if (flags & 0x08)
                style.Height = body.U16();
            GlyphRun run = style;
            run.Glyphs.clear();
            for (uint32_t i = body.U8(); i > 0; --i) {
                uint32_t index = body.UnsignedBits(glyphBits);
                run.Glyphs.push_back({index, static_cast<double>(body.SignedBits(advanceBits))});
            }
            body.Align();
            // The next record goes on where this one ended.
            for (const auto& glyph : run.Glyphs) style.X += glyph.second;
            text.Runs.push_back(std::move(run));
        }
    } catch (const SwfFormatError&) {
        // The runs read so far still show.
    }
    return text;
}

}
