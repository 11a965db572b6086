#include "TextFields.h"

#include <algorithm>
#include <cctype>

#include "DisplayList.h"
#include "HtmlText.h"

namespace tvmplayer {
namespace {

bool StartsWithCaseless(const std::string& text, const char* prefix)
{
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// Device font names that stand for a kind of face.
std::string DeviceFamily(const std::string& name)
{
    if (name == "_sans")
        return "Arial";
    if (name == "_serif")
        return "Times New Roman";
    if (name == "_typewriter")
        return "Courier New";
    return name.empty() ? "Times New Roman" : name;
}

}

std::string FieldVariablePath(const std::string& target, const std::string& variable)
{
    if (target.empty() || variable.find_first_of("/:") != std::string::npos || StartsWithCaseless(variable, "_root")
        || StartsWithCaseless(variable, "_level") || StartsWithCaseless(variable, "_global"))
        return variable;
    return target + "." + variable;
}

std::vector<TextSpan> FieldSpans(const EditText& field, const std::string* text, const Dictionary& characters,
                                 size_t frame)
{
    TextSpan base;
    base.Paragraph = field.Paragraph;
    base.Style = field.Style;
    base.Style.Family = DeviceFamily(field.Style.Family);
    FontLookup lookup = [&](const std::string& face, bool bold, bool italic) -> const Font* {
        return field.UseOutlines ? characters.FontNamed(face, bold, italic) : nullptr;
    };
    const Character* character = field.FontId ? characters.Find(field.FontId, frame) : nullptr;
    const Font* font = character ? std::get_if<Font>(character) : nullptr;
    // A field a script made names its font instead.
    if (!font && !field.FontId)
        font = lookup(field.Style.Family, field.Style.Bold, field.Style.Italic);
    if (font) {
        base.Style.Family = DeviceFamily(font->Name);
        base.Style.Bold = font->Bold;
        base.Style.Italic = font->Italic;
        if (field.UseOutlines && !font->Glyphs.empty())
            base.Style.Embedded = font;
    }
    std::vector<TextSpan> spans;
    if (!text && field.Runs) {
        // Each run names its own font.
        spans = *field.Runs;
        for (TextSpan& span : spans) span.Style.Embedded = lookup(span.Style.Family, span.Style.Bold, span.Style.Italic);
    } else if (field.Html) {
        spans = ParseHtmlText(text ? *text : field.InitialText, base, lookup);
    } else {
        spans = PlainText(text ? *text : field.InitialText, base);
    }
    for (TextSpan& span : spans) span.Style.Family = DeviceFamily(span.Style.Family);
    if (field.Password)
        for (TextSpan& span : spans)
            std::replace_if(span.Text.begin(), span.Text.end(), [](char32_t c) { return c != U'\n' && c != U'\r'; },
                            U'*');
    return spans;
}

void BindTextFields(const DisplayList& root, const Dictionary& characters, size_t frame, VariableAccess& variables)
{
    for (const auto& [depth, object] : root.Objects()) {
        const Character* character = object.HasCharacter ? characters.Find(object.Id, frame) : nullptr;
        const EditText* field = character ? std::get_if<EditText>(character) : nullptr;
        if (field && !field->Variable.empty() && !variables.Read(field->Variable))
            variables.Write(field->Variable, field->InitialText);
    }
}

}
