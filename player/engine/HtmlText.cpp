#include "HtmlText.h"

#include <algorithm>
#include <cctype>
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
        tag.Attributes[name] = value;
    }
    return tag;
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
                size_t close = html.find(';', i);
                char32_t code = close != std::string::npos && close - i <= 10 ? Entity(html.substr(i + 1, close - i - 1)) : 0;
                if (code) {
                    Append(code);
                    i = close + 1;
                } else {
                    Append(U'&');
                    ++i;
                }
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
        if (spans_.empty() || !(spans_.back().Style == current_.Style) || !(spans_.back().Paragraph == current_.Paragraph))
            spans_.push_back(current_);
        spans_.back().Text.push_back(code);
    }

    bool AtParagraphStart() const { return spans_.empty() || spans_.back().Text.back() == U'\n'; }

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
                Append(U'\n');
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
            if (const std::string* align = attribute("align")) {
                std::string a = Lower(*align);
                paragraph.Align = a == "right"     ? TextAlign::Right
                                  : a == "center"  ? TextAlign::Centre
                                  : a == "justify" ? TextAlign::Justify
                                                   : TextAlign::Left;
            }
            if (tag.Name == "li") {
                Append(U'\u2022');
                Append(U' ');
            }
        } else if (tag.Name == "b" || tag.Name == "i") {
            (tag.Name == "b" ? style.Bold : style.Italic) = true;
            Restyle();
        } else if (tag.Name == "u") {
            style.Underline = true;
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
};

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

}
