#include "TextRuns.h"

#include <algorithm>
#include <cstddef>

namespace tvmplayer {
namespace {

bool IsBreak(char32_t code)
{
    return code == U'\n' || code == U'\r';
}

size_t ParagraphStart(const std::u32string& text, size_t at)
{
    while (at > 0 && !IsBreak(text[at - 1])) --at;
    return at;
}

// After the break that ends the paragraph of the character before end.
size_t ParagraphEnd(const std::u32string& text, size_t end)
{
    size_t at = end - 1;
    while (at < text.size() && !IsBreak(text[at])) ++at;
    return std::min(at + 1, text.size());
}

size_t Length(const TextRuns& runs)
{
    size_t length = 0;
    for (const TextSpan& run : runs) length += run.Text.size();
    return length;
}

// Splits the run that at falls inside; the index of the run that starts at
// at, or the number of runs at the end.
size_t SplitAt(TextRuns& runs, size_t at)
{
    size_t start = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        if (at == start)
            return i;
        size_t length = runs[i].Text.size();
        if (at < start + length) {
            TextSpan tail = runs[i];
            tail.Text = runs[i].Text.substr(at - start);
            runs[i].Text.resize(at - start);
            runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(i) + 1, std::move(tail));
            return i + 1;
        }
        start += length;
    }
    return runs.size();
}

template <class Change>
void ChangeRange(TextRuns& runs, size_t begin, size_t end, Change change)
{
    size_t first = SplitAt(runs, begin), last = SplitAt(runs, end);
    for (size_t i = first; i < last; ++i) change(runs[i]);
}

void ApplyCharacters(const TextFormat& format, TextStyle& style)
{
    if (format.Font) style.Family = *format.Font;
    if (format.Size) style.Size = *format.Size;
    if (format.Argb) style.Argb = *format.Argb;
    if (format.Bold) style.Bold = *format.Bold;
    if (format.Italic) style.Italic = *format.Italic;
    if (format.Underline) style.Underline = *format.Underline;
    if (format.Url) style.Url = *format.Url;
    if (format.Target) style.Target = *format.Target;
}

void ApplyParagraph(const TextFormat& format, ParagraphStyle& paragraph)
{
    if (format.Align) paragraph.Align = *format.Align;
    if (format.LeftMargin) paragraph.LeftMargin = *format.LeftMargin;
    if (format.RightMargin) paragraph.RightMargin = *format.RightMargin;
    if (format.Indent) paragraph.Indent = *format.Indent;
    if (format.Leading) paragraph.Leading = *format.Leading;
}

template <class T>
void Keep(std::optional<T>& common, const std::optional<T>& other)
{
    if (common && common != other)
        common.reset();
}

// common keeps what other says too.
void Intersect(std::optional<TextFormat>& common, const TextFormat& other)
{
    if (!common) {
        common = other;
        return;
    }
    TextFormat& c = *common;
    Keep(c.Font, other.Font);
    Keep(c.Size, other.Size);
    Keep(c.Argb, other.Argb);
    Keep(c.Bold, other.Bold);
    Keep(c.Italic, other.Italic);
    Keep(c.Underline, other.Underline);
    Keep(c.Url, other.Url);
    Keep(c.Target, other.Target);
    Keep(c.Align, other.Align);
    Keep(c.LeftMargin, other.LeftMargin);
    Keep(c.RightMargin, other.RightMargin);
    Keep(c.Indent, other.Indent);
    Keep(c.Leading, other.Leading);
}

}

TextFormat FormatOf(const TextSpan& run)
{
    const TextStyle& s = run.Style;
    const ParagraphStyle& p = run.Paragraph;
    return {s.Family, s.Size, s.Argb, s.Bold, s.Italic, s.Underline, s.Url, s.Target,
            p.Align,  p.LeftMargin, p.RightMargin, p.Indent, p.Leading};
}

void ApplyFormat(const TextFormat& format, TextSpan& run)
{
    ApplyCharacters(format, run.Style);
    ApplyParagraph(format, run.Paragraph);
}

std::u32string RunsText(const TextRuns& runs)
{
    std::u32string text;
    for (const TextSpan& run : runs) text += run.Text;
    return text;
}

void Tidy(TextRuns& runs)
{
    TextRuns tidy;
    for (TextSpan& run : runs) {
        if (run.Text.empty())
            continue;
        if (!tidy.empty() && tidy.back().Style == run.Style && tidy.back().Paragraph == run.Paragraph)
            tidy.back().Text += run.Text;
        else
            tidy.push_back(std::move(run));
    }
    runs = std::move(tidy);
}

void FormatRange(TextRuns& runs, size_t begin, size_t end, const TextFormat& format)
{
    std::u32string text = RunsText(runs);
    end = std::min(end, text.size());
    if (begin >= end)
        return;
    ChangeRange(runs, begin, end, [&](TextSpan& run) { ApplyCharacters(format, run.Style); });
    ChangeRange(runs, ParagraphStart(text, begin), ParagraphEnd(text, end),
                [&](TextSpan& run) { ApplyParagraph(format, run.Paragraph); });
    Tidy(runs);
}

std::optional<TextFormat> RangeFormat(const TextRuns& runs, size_t begin, size_t end)
{
    std::u32string text = RunsText(runs);
    end = std::min(end, text.size());
    if (begin >= end)
        return std::nullopt;
    size_t from = ParagraphStart(text, begin), to = ParagraphEnd(text, end);
    std::optional<TextFormat> characters, paragraphs;
    size_t at = 0;
    for (const TextSpan& run : runs) {
        size_t next = at + run.Text.size();
        if (at < end && next > begin)
            Intersect(characters, FormatOf(run));
        // The paragraphs that start inside this run.
        for (size_t p = std::max(at, from); p < std::min(next, to); ++p)
            if (p == from || IsBreak(text[p - 1])) {
                Intersect(paragraphs, FormatOf(run));
                break;
            }
        at = next;
    }
    TextFormat common = *characters;
    common.Align = paragraphs->Align;
    common.LeftMargin = paragraphs->LeftMargin;
    common.RightMargin = paragraphs->RightMargin;
    common.Indent = paragraphs->Indent;
    common.Leading = paragraphs->Leading;
    return common;
}

void ReplaceRange(TextRuns& runs, size_t begin, size_t end, const std::u32string& text, const TextSpan& style)
{
    end = std::min(end, Length(runs));
    begin = std::min(begin, end);
    size_t first = SplitAt(runs, begin), last = SplitAt(runs, end);
    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(first), runs.begin() + static_cast<std::ptrdiff_t>(last));
    TextSpan inserted = style;
    inserted.Text = text;
    // Text put into a paragraph takes its layout: that of the text before
    // it, or after it at a paragraph's start.
    bool after = first > 0 && !IsBreak(runs[first - 1].Text.back());
    if (after || first < runs.size())
        inserted.Paragraph = runs[after ? first - 1 : first].Paragraph;
    runs.insert(runs.begin() + static_cast<std::ptrdiff_t>(first), std::move(inserted));
    Tidy(runs);
}

}
