#include "HtmlText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "ActionText.h"

namespace tvmplayer {
namespace {

// Nesting deeper than this is no longer remembered: closing tags then
// undo nothing beyond it.
constexpr size_t MaxOpenTags = 256;

struct Tag {
    std::string Name;  // lower case
    bool Closing = false;
    std::map<std::string, std::string> Attributes;  // names in lower case
};

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

char32_t Entity(const std::string& name)
{
    static const std::map<std::string, char32_t> named = {
        {"lt", U'<'}, {"gt", U'>'}, {"amp", U'&'}, {"quot", U'"'}, {"apos", U'\''}, {"nbsp", U'\u00A0'}};
    if (name.size() > 1 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        unsigned long code = std::strtoul(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
        return code > 0 && code <= 0x10FFFF ? static_cast<char32_t>(code) : 0;
    }
    auto found = named.find(Lower(name));
    return found == named.end() ? 0 : found->second;
}

// The character of the entity at text[at] ('&'), and where it ends; 0 where
// none is there, and the '&' stands for itself.
char32_t EntityAt(const std::string& text, size_t at, size_t& end)
{
    size_t close = text.find(';', at);
    if (close == std::string::npos || close - at > 10)
        return 0;
    end = close + 1;
    return Entity(text.substr(at + 1, close - at - 1));
}

// An attribute's value with its character entities read.
std::string DecodeEntities(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t end = i + 1;
        char32_t code = text[i] == '&' ? EntityAt(text, i, end) : 0;
        out += code ? Utf8FromCode(code) : std::string(1, text[i]);
        i = code ? end : i + 1;
    }
    return out;
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

Tag ParseTag(const std::string& inside)
{
    Tag tag;
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < inside.size() && std::isspace(static_cast<unsigned char>(inside[i]))) ++i;
    };
    skipBlanks();
    if (i < inside.size() && inside[i] == '/') {
        tag.Closing = true;
        ++i;
    }
    auto word = [&] {
        size_t from = i;
        while (i < inside.size() && !std::isspace(static_cast<unsigned char>(inside[i])) && inside[i] != '='
               && inside[i] != '/')
            ++i;
        return Lower(inside.substr(from, i - from));
    };
    tag.Name = word();
    while (i < inside.size()) {
        skipBlanks();
        if (i < inside.size() && inside[i] == '/') {
            ++i;
            continue;
        }
        std::string name = word();
        if (name.empty())
            break;
        skipBlanks();
        std::string value;
        if (i < inside.size() && inside[i] == '=') {
            ++i;
            skipBlanks();
            char quote = i < inside.size() ? inside[i] : 0;
            if (quote == '"' || quote == '\'') {
                size_t close = inside.find(quote, i + 1);
                if (close == std::string::npos)
                    close = inside.size();
                value = inside.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                value = word();
            }
        }
        tag.Attributes[name] = DecodeEntities(value);
    }
    return tag;
}

Colour ParseColour(const std::string& text, Colour fallback)
{
    if (text.size() != 7 || text[0] != '#')
        return fallback;
    char* end = nullptr;
    unsigned long rgb = std::strtoul(text.c_str() + 1, &end, 16);
    return *end ? fallback : 0xFF000000u | static_cast<Colour>(rgb);
}

double ParseNumber(const std::string& text, double fallback)
{
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? fallback : value;
}

class HtmlReader {
public:
    HtmlReader(const TextSpan& base, const FontLookup& lookup)
        : lookup_(lookup), current_(base), face_(base.Style.Family)
    {
        current_.Text.clear();
    }

    std::vector<TextSpan> Read(const std::string& html)
    {
        for (size_t i = 0; i < html.size();) {
            if (html[i] == '<') {
                size_t close = html.find('>', i);
                if (close == std::string::npos)
                    break;
                Apply(ParseTag(html.substr(i + 1, close - i - 1)));
                i = close + 1;
            } else if (html[i] == '&') {
                size_t end = i + 1;
                char32_t code = EntityAt(html, i, end);
                Append(code ? code : U'&');
                i = code ? end : i + 1;
            } else {
                size_t next = std::min(html.find_first_of("<&", i), html.size());
                for (char32_t code : Utf8Decode(html.substr(i, next - i))) Append(code);
                i = next;
            }
        }
        return std::move(spans_);
    }

private:
    void Append(char32_t code)
    {
        BreakEndedParagraph();
        if (spans_.empty() || !(spans_.back().Style == current_.Style) || !(spans_.back().Paragraph == current_.Paragraph))
            spans_.push_back(current_);
        spans_.back().Text.push_back(code);
    }

    // A closed paragraph ends in a break once anything follows it, so
    // that the last one adds none.
    void EndParagraph()
    {
        BreakEndedParagraph();
        paragraphEnded_ = true;
    }

    void BreakEndedParagraph()
    {
        if (paragraphEnded_) {
            paragraphEnded_ = false;
            Append(U'\n');
        }
    }

    bool AtParagraphStart() const
    {
        return paragraphEnded_ || spans_.empty() || spans_.back().Text.back() == U'\n';
    }

    void StartParagraph()
    {
        if (!AtParagraphStart())
            Append(U'\n');
    }

    void Restyle()
    {
        if (const Font* font = lookup_(face_, current_.Style.Bold, current_.Style.Italic))
            current_.Style.Embedded = font;
    }

    void Apply(const Tag& tag)
    {
        if (tag.Closing) {
            if (tag.Name == "p" || tag.Name == "li")
                EndParagraph();
            auto open = std::find_if(open_.rbegin(), open_.rend(), [&](const Saved& s) { return s.Name == tag.Name; });
            if (open != open_.rend()) {
                current_ = open->Span;
                face_ = open->Face;
                open_.erase(std::next(open).base(), open_.end());
            }
            return;
        }
        if (tag.Name == "br") {
            Append(U'\n');
            return;
        }
        static const char* const containers[] = {"p", "b", "i", "u", "font", "textformat", "li", "a", "span"};
        if (std::find(std::begin(containers), std::end(containers), tag.Name) == std::end(containers))
            return;
        if (open_.size() < MaxOpenTags)
            open_.push_back({tag.Name, current_, face_});
        auto attribute = [&](const char* name) -> const std::string* {
            auto found = tag.Attributes.find(name);
            return found == tag.Attributes.end() ? nullptr : &found->second;
        };
        TextStyle& style = current_.Style;
        ParagraphStyle& paragraph = current_.Paragraph;
        if (tag.Name == "p" || tag.Name == "li") {
            StartParagraph();
            if (const std::string* align = attribute("align"))
                paragraph.Align = AlignNamed(Lower(*align));
            if (tag.Name == "li") {
                Append(U'\u2022');
                Append(U' ');
            }
        } else if (tag.Name == "b" || tag.Name == "i") {
            (tag.Name == "b" ? style.Bold : style.Italic) = true;
            Restyle();
        } else if (tag.Name == "u") {
            style.Underline = true;
        } else if (tag.Name == "a") {
            if (const std::string* url = attribute("href"))
                style.Url = *url;
            if (const std::string* target = attribute("target"))
                style.Target = *target;
        } else if (tag.Name == "font") {
            if (const std::string* face = attribute("face")) {
                face_ = *face;
                style.Family = *face;
                style.Embedded = lookup_(face_, style.Bold, style.Italic);
            }
            if (const std::string* size = attribute("size")) {
                bool relative = !size->empty() && (size->front() == '+' || size->front() == '-');
                double points = ParseNumber(*size, style.Size / 20);
                style.Size = std::clamp(relative ? style.Size + points * 20 : points * 20, 20.0, 2000.0 * 20);
            }
            if (const std::string* colour = attribute("color"))
                style.Argb = ParseColour(*colour, style.Argb);
        } else if (tag.Name == "textformat") {
            auto set = [&](const char* name, double& value) {
                if (const std::string* text = attribute(name))
                    value = ParseNumber(*text, value / 20) * 20;
            };
            set("leftmargin", paragraph.LeftMargin);
            set("rightmargin", paragraph.RightMargin);
            set("indent", paragraph.Indent);
            set("leading", paragraph.Leading);
        }
    }

    struct Saved {
        std::string Name;
        TextSpan Span;
        std::string Face;
    };

    const FontLookup& lookup_;
    TextSpan current_;
    std::string face_;
    std::vector<Saved> open_;
    std::vector<TextSpan> spans_;
    bool paragraphEnded_ = false;
};

std::string Escape(const std::u32string& text)
{
    std::string out;
    for (char32_t code : text)
        out += code == U'<' ? "&lt;" : code == U'>' ? "&gt;" : code == U'&' ? "&amp;" : code == U'"' ? "&quot;"
                                                                                               : Utf8FromCode(code);
    return out;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// One paragraph's runs, each in a FONT tag and the tags of its style.
std::string WriteParagraph(const std::vector<TextSpan>& pieces)
{
    const ParagraphStyle& paragraph = pieces.front().Paragraph;
    bool margins = paragraph.LeftMargin != 0 || paragraph.RightMargin != 0 || paragraph.Indent != 0
                   || paragraph.Leading != 0;
    std::string html;
    if (margins)
        html += "<TEXTFORMAT LEFTMARGIN=\"" + Number(paragraph.LeftMargin / 20) + "\" RIGHTMARGIN=\""
                + Number(paragraph.RightMargin / 20) + "\" INDENT=\"" + Number(paragraph.Indent / 20)
                + "\" LEADING=\"" + Number(paragraph.Leading / 20) + "\">";
    html += "<P ALIGN=\"" + Upper(AlignName(paragraph.Align)) + "\">";
    for (const TextSpan& piece : pieces) {
        const TextStyle& style = piece.Style;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%06X", style.Argb & 0xFFFFFF);
        std::string open = "<FONT FACE=\"" + Escape(Utf8Decode(style.Family)) + "\" SIZE=\"" + Number(style.Size / 20)
                           + "\" COLOR=\"" + colour + "\">";
        std::string close = "</FONT>";
        auto wrap = [&](bool on, const std::string& tag, const std::string& attributes = {}) {
            if (on) {
                open += "<" + tag + attributes + ">";
                close = "</" + tag + ">" + close;
            }
        };
        wrap(!style.Url.empty(), "A",
             " HREF=\"" + Escape(Utf8Decode(style.Url)) + "\" TARGET=\"" + Escape(Utf8Decode(style.Target)) + "\"");
        wrap(style.Bold, "B");
        wrap(style.Italic, "I");
        wrap(style.Underline, "U");
        html += open + Escape(piece.Text) + close;
    }
    html += "</P>";
    if (margins)
        html += "</TEXTFORMAT>";
    return html;
}

}

std::vector<TextSpan> ParseHtmlText(const std::string& html, const TextSpan& base, const FontLookup& lookup)
{
    return HtmlReader(base, lookup).Read(html);
}

std::vector<TextSpan> PlainText(const std::string& text, const TextSpan& base)
{
    TextSpan span = base;
    span.Text = Utf8Decode(text);
    return {span};
}

std::string WriteHtmlText(const std::vector<TextSpan>& spans)
{
    std::string html;
    std::vector<TextSpan> paragraph;  // its pieces that have text
    bool broken = false;              // the last paragraph ended in a break
    for (const TextSpan& span : spans) {
        for (size_t from = 0;;) {
            size_t end = std::min(span.Text.find_first_of(U"\r\n", from), span.Text.size());
            if (end > from) {
                paragraph.push_back(span);
                paragraph.back().Text = span.Text.substr(from, end - from);
            }
            if (end == span.Text.size())
                break;
            // An empty paragraph keeps the style of its break.
            if (paragraph.empty())
                paragraph.push_back({U"", span.Style, span.Paragraph});
            html += WriteParagraph(paragraph);
            paragraph.clear();
            broken = true;
            from = end + 1;
        }
        broken = broken && paragraph.empty();
    }
    if (paragraph.empty() && broken)
        paragraph.push_back({U"", spans.back().Style, spans.back().Paragraph});
    if (!paragraph.empty())
        html += WriteParagraph(paragraph);
    return html;
}

}
