#include "TextLayout.h"

#include <algorithm>

namespace tvmplayer {
namespace {

struct Character {
    char32_t Code;
    size_t Span;
    double Advance;
};

bool IsSpace(char32_t code)
{
    return code == U' ' || code == U'\t';
}

class Layout {
public:
    Layout(const std::vector<TextSpan>& spans, const TextBox& box, FontMetrics& metrics)
        : spans_(spans), box_(box), metrics_(metrics)
    {
    }

    std::vector<PlacedGlyph> Run()
    {
        std::vector<Character> paragraph;
        size_t paragraphSpan = 0;
        for (size_t s = 0; s < spans_.size(); ++s) {
            const std::u32string& text = spans_[s].Text;
            for (size_t i = 0; i < text.size(); ++i) {
                char32_t code = text[i];
                if (code == U'\r' && i + 1 < text.size() && text[i + 1] == U'\n')
                    continue;
                if (paragraph.empty())
                    paragraphSpan = s;
                if (code == U'\r' || code == U'\n') {
                    Paragraph(paragraph, paragraphSpan, s);
                    paragraph.clear();
                    continue;
                }
                double advance = metrics_.Advance(spans_[s].Style, code == U'\t' ? U' ' : code);
                paragraph.push_back({code, s, advance});
            }
        }
        if (!paragraph.empty())
            Paragraph(paragraph, paragraphSpan, paragraph.back().Span);
        return std::move(glyphs_);
    }

private:
    void Paragraph(const std::vector<Character>& text, size_t firstSpan, size_t endSpan)
    {
        const ParagraphStyle& style = spans_[firstSpan].Paragraph;
        bool wrap = box_.WordWrap && box_.Multiline;
        size_t start = 0;
        bool first = true;
        do {
            double indent = style.LeftMargin + (first ? style.Indent : 0);
            double room = box_.Width - indent - style.RightMargin;
            size_t end = wrap ? BreakAfter(text, start, room) : text.size();
            Line(text, start, end, style, indent, room, end == text.size(), text.empty() ? endSpan : text[start].Span);
            start = end;
            first = false;
        } while (start < text.size());
    }

    // Where a line that starts at start ends: after the last space that
    // keeps it within room, or at the first character that does not fit.
    static size_t BreakAfter(const std::vector<Character>& text, size_t start, double room)
    {
        double width = 0;
        size_t lastBreak = 0;
        for (size_t i = start; i < text.size(); ++i) {
            if (IsSpace(text[i].Code)) {
                lastBreak = i + 1;
                width += text[i].Advance;
                continue;
            }
            width += text[i].Advance;
            if (width > room && i > start)
                return lastBreak > start ? lastBreak : i;
        }
        return text.size();
    }

    void Line(const std::vector<Character>& text, size_t start, size_t end, const ParagraphStyle& style,
              double indent, double room, bool last, size_t emptySpan)
    {
        double ascent = 0, descent = 0;
        auto measure = [&](size_t span) {
            double a = 0, d = 0;
            metrics_.Extents(spans_[span].Style, a, d);
            ascent = std::max(ascent, a);
            descent = std::max(descent, d);
        };
        if (start == end)
            measure(emptySpan);
        size_t visibleEnd = end;
        while (visibleEnd > start && IsSpace(text[visibleEnd - 1].Code)) --visibleEnd;
        double width = 0;
        size_t spaces = 0;
        for (size_t i = start; i < end; ++i) {
            if (i == start || text[i].Span != text[i - 1].Span)
                measure(text[i].Span);
            if (i < visibleEnd) {
                width += text[i].Advance;
                spaces += IsSpace(text[i].Code);
            }
        }
        double x = indent, stretch = 0;
        double free = std::max(0.0, room - width);
        if (style.Align == TextAlign::Right)
            x += free;
        else if (style.Align == TextAlign::Centre)
            x += free / 2;
        else if (style.Align == TextAlign::Justify && !last && spaces > 0)
            stretch = free / static_cast<double>(spaces);
        baseline_ += (lines_ > 0 ? lastDescent_ + style.Leading : 0) + ascent;
        for (size_t i = start; i < visibleEnd; ++i) {
            glyphs_.push_back({text[i].Span, text[i].Code, x, baseline_, text[i].Advance});
            x += text[i].Advance + (IsSpace(text[i].Code) ? stretch : 0);
        }
        lastDescent_ = descent;
        ++lines_;
    }

    const std::vector<TextSpan>& spans_;
    TextBox box_;
    FontMetrics& metrics_;
    std::vector<PlacedGlyph> glyphs_;
    double baseline_ = 0, lastDescent_ = 0;
    size_t lines_ = 0;
};

}

TextAlign AlignNamed(const std::string& name)
{
    return name == "right"     ? TextAlign::Right
           : name == "center"  ? TextAlign::Centre
           : name == "justify" ? TextAlign::Justify
                               : TextAlign::Left;
}

const char* AlignName(TextAlign align)
{
    switch (align) {
    case TextAlign::Right: return "right";
    case TextAlign::Centre: return "center";
    case TextAlign::Justify: return "justify";
    default: return "left";
    }
}

std::vector<PlacedGlyph> LayOutText(const std::vector<TextSpan>& spans, const TextBox& box, FontMetrics& metrics)
{
    return Layout(spans, box, metrics).Run();
}

double EmbeddedAdvance(const Font& font, double size, char32_t code)
{
    auto found = font.GlyphOfCode.find(code);
    double scale = size / font.EmSquare;
    if (found == font.GlyphOfCode.end())
        return code == U' ' ? size / 4 : 0;
    if (found->second < font.Advances.size())
        return font.Advances[found->second] * scale;
    // No layout: the glyph's own right edge, and a quarter em for a blank.
    double right = 0;
    bool any = false;
    if (found->second < font.Glyphs.size())
        for (const OutlineLayer& layer : font.Glyphs[found->second])
            for (const StyledContours& fill : layer.Fills)
                for (const Contour& contour : fill.Contours) {
                    right = std::max(right, contour.Start.X);
                    any = true;
                    for (const Segment& segment : contour.Segments) right = std::max(right, segment.To.X);
                }
    return any ? right * scale : size / 4;
}

void EmbeddedExtents(const Font& font, double size, double& ascent, double& descent)
{
    if (font.Ascent > 0 || font.Descent > 0) {
        ascent = font.Ascent * size / font.EmSquare;
        descent = font.Descent * size / font.EmSquare;
    } else {
        ascent = size * 0.9;
        descent = size * 0.25;
    }
}

}
