#pragma once
// Lays styled text out in a text field's box: lines broken at the field's
// width when it wraps, aligned, indented and spaced as their paragraphs
// say. One layout for every kind of text field; what measures and draws
// the glyphs (embedded outlines or a device font) is the caller's.
#include <cstdint>
#include <string>
#include <vector>

#include "Records.h"
#include "Text.h"

namespace tvmplayer {

enum class TextAlign : uint8_t { Left, Right, Centre, Justify };

// "left", "right", "center" or "justify", as scripts and HTML name them;
// other names are left.
TextAlign AlignNamed(const std::string& name);
const char* AlignName(TextAlign align);

// How a run of characters looks. Lengths in twips.
struct TextStyle {
    const Font* Embedded = nullptr;  // draws with its glyphs when set
    std::string Family = "Times New Roman";
    bool Bold = false, Italic = false, Underline = false;
    double Size = 240;
    Colour Argb = 0xFF000000;
    // A link's address and window: drawn as any other text.
    std::string Url, Target;

    bool operator==(const TextStyle&) const = default;
};

struct ParagraphStyle {
    TextAlign Align = TextAlign::Left;
    double LeftMargin = 0, RightMargin = 0, Indent = 0, Leading = 0;

    bool operator==(const ParagraphStyle&) const = default;
};

// Characters in one style; '\n' ends a paragraph, and the paragraph style
// of the span that holds its first character holds for it.
struct TextSpan {
    std::u32string Text;
    TextStyle Style;
    ParagraphStyle Paragraph;
};

class FontMetrics {
public:
    virtual ~FontMetrics() = default;
    virtual double Advance(const TextStyle& style, char32_t code) = 0;
    // Above and below the baseline.
    virtual void Extents(const TextStyle& style, double& ascent, double& descent) = 0;
};

struct PlacedGlyph {
    size_t Span = 0;  // whose style it has
    char32_t Code = 0;
    double X = 0, Y = 0;  // its origin on the baseline
    double Advance = 0;
};

struct TextBox {
    double Width = 0;  // inside the field's gutters
    bool WordWrap = false;
    bool Multiline = false;
};

// Glyphs from the box's top left, the first line's ascent below it.
std::vector<PlacedGlyph> LayOutText(const std::vector<TextSpan>& spans, const TextBox& box, FontMetrics& metrics);

// Embedded fonts' own measures: advances from their layout, or their
// glyphs' widths without one.
double EmbeddedAdvance(const Font& font, double size, char32_t code);
void EmbeddedExtents(const Font& font, double size, double& ascent, double& descent);

}
