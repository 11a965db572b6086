#pragma once
// Fonts with embedded glyphs (DefineFont, DefineFont2, DefineFont3) and the
// static texts that set them (DefineText, DefineText2).
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "Shape.h"

namespace tvmplayer {

struct Font {
    std::vector<Outline> Glyphs;
    // Glyph coordinates per em: 1024, or 20 times that for DefineFont3.
    double EmSquare = 1024;
    // What DefineFont2 and 3 add for text fields; the metrics are in glyph
    // coordinates and stay empty or 0 when the font has no layout.
    std::string Name;
    bool Bold = false, Italic = false;
    std::unordered_map<uint32_t, uint32_t> GlyphOfCode;
    std::vector<double> Advances;
    double Ascent = 0, Descent = 0, Leading = 0;
};

struct GlyphRun {
    uint16_t FontId = 0;
    Colour Argb = 0xFF000000;
    double Height = 0;  // twips per em
    double X = 0, Y = 0;
    std::vector<std::pair<uint32_t, double>> Glyphs;  // index, advance in twips
};

struct Text {
    Matrix Transform;
    std::vector<GlyphRun> Runs;
};

// version: 1 for DefineFont, 2 or 3 for DefineFont2 and 3; the body after
// the font's id.
Font ReadFont(std::span<const uint8_t> body, int version);
// version: 1 for DefineText, 2 for DefineText2; the body after the id.
Text ReadText(SwfReader& body, int version);

}
