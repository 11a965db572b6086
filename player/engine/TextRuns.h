#pragma once
// A text field's text in runs of their own format, as scripts format its
// character ranges and as its HTML reads: each run a TextSpan whose style
// names its font, found when the text is drawn. Positions count characters.
#include <optional>
#include <string>
#include <vector>

#include "TextLayout.h"

namespace tvmplayer {

// What a TextFormat says. A property it leaves unset changes nothing when
// applied; read from a range, it is what differs within the range.
struct TextFormat {
    std::optional<std::string> Font;
    std::optional<double> Size;  // twips
    std::optional<Colour> Argb;
    std::optional<bool> Bold, Italic, Underline;
    std::optional<std::string> Url, Target;
    std::optional<TextAlign> Align;
    std::optional<double> LeftMargin, RightMargin, Indent, Leading;  // twips
};

using TextRuns = std::vector<TextSpan>;

// Every property of a run.
TextFormat FormatOf(const TextSpan& run);
void ApplyFormat(const TextFormat& format, TextSpan& run);

std::u32string RunsText(const TextRuns& runs);
// Runs without empty ones, neighbours of one format joined.
void Tidy(TextRuns& runs);
// Formats the characters [begin, end); the paragraph properties hold for
// the whole paragraphs the range touches, as a paragraph has one layout.
void FormatRange(TextRuns& runs, size_t begin, size_t end, const TextFormat& format);
// What the characters [begin, end) have in common, paragraph properties
// over the paragraphs they touch; nothing for a range without characters.
std::optional<TextFormat> RangeFormat(const TextRuns& runs, size_t begin, size_t end);
// text in the format of style in place of the characters [begin, end), in
// the layout of the paragraph it lands in.
void ReplaceRange(TextRuns& runs, size_t begin, size_t end, const std::u32string& text, const TextSpan& style);

}
