#pragma once
// Text fields as DefineEditText defines them: a box, how its text looks
// and wraps, the variable it shows, and the text it starts with.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    // How its text looks, and new text a script puts in; without a font id,
    // Style names the face (a script's field).
    TextStyle Style;
    ParagraphStyle Paragraph;
    std::string Variable;
    std::string InitialText;
    // Once a script has set or formatted a field's text: the text in runs of
    // their own format, in place of InitialText.
    std::optional<std::vector<TextSpan>> Runs;
    // The selection in characters, [begin, end): where replaceSel puts text.
    size_t SelectionBegin = 0, SelectionEnd = 0;
    // A field a script sizes to its text keeps this edge where it is (the
    // centre for Centre); none for a field that keeps its size.
    enum class Fit : uint8_t { None, Left, Centre, Right } AutoSize = Fit::None;
};

// The body after the character id.
EditText ReadEditText(SwfReader& body);

// Inside the box a gutter of two pixels keeps the text off its edges.
inline constexpr double FieldGutter = 40;

}
