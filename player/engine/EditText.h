#pragma once
// Text fields as DefineEditText defines them: a box, how its text looks
// and wraps, the variable it shows, and the text it starts with.
#include <cstdint>
#include <string>

#include "Records.h"
#include "TextLayout.h"

namespace tvmplayer {

struct EditText {
    // The box, in twips.
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
    bool WordWrap = false, Multiline = false, Password = false;
    bool Border = false, Html = false, UseOutlines = false;
    // The tag's border flag gives a white background too; scripts set each.
    bool Background = false;
    Colour BorderArgb = 0xFF000000, BackgroundArgb = 0xFFFFFFFF;
    uint16_t FontId = 0;  // 0: none given
    // Without a font id: the face a script named, and how it looks.
    std::string FontName;
    bool Bold = false, Italic = false, Underline = false;
    double FontHeight = 240;
    Colour Argb = 0xFF000000;
    ParagraphStyle Paragraph;
    std::string Variable;
    std::string InitialText;
    // A field a script sizes to its text keeps this edge where it is (the
    // centre for Centre); none for a field that keeps its size.
    enum class Fit : uint8_t { None, Left, Centre, Right } AutoSize = Fit::None;
};

// The body after the character id.
EditText ReadEditText(SwfReader& body);

// Inside the box a gutter of two pixels keeps the text off its edges.
inline constexpr double FieldGutter = 40;

}
