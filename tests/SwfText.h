#pragma once
// The text tags of the movies the tests write: fonts for text fields and
// the fields themselves, lengths in twips.
#include <cstdint>
#include <string>

#include "Bytes.h"

namespace tvmtest {

enum SwfTextTag : uint16_t {
    TagDefineEditText = 37,
    TagDefineFont2 = 48,
};

// A DefineFont2 body whose glyphs for each of codes are squares an em wide
// standing on the baseline, each advancing 1.25 em; ascent an em, descent a
// quarter. No codes: a device font of that name.
Bytes SquareFont2(uint16_t id, const std::string& name, const std::string& codes);

struct SwfEditText {
    uint16_t id = 0;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    uint16_t fontId = 0;
    uint16_t height = 400;
    uint32_t argb = 0xFF000000;
    bool wordWrap = false, multiline = false, html = false, border = false, outlines = true;
    uint8_t align = 0;  // left, right, centre, justify
    uint16_t leftMargin = 0;
    std::string variable;
    std::string text;
};

Bytes EditTextTag(const SwfEditText& field);

}
