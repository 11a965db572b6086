#include "ActionTextField.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "ActionBuiltins.h"
#include "ActionClips.h"
#include "ActionMachine.h"
#include "ActionText.h"
#include "DeviceFont.h"
#include "DisplayList.h"
#include "HtmlText.h"
#include "TextRuns.h"
#include "TextFields.h"

namespace tvmplayer {
namespace {

enum class FieldProperty {
    Text, HtmlText, Html, TextColor, Background, BackgroundColor, Border, BorderColor, Multiline, WordWrap,
    Password, EmbedFonts, Length, AutoSize, TextWidth, TextHeight, Variable, None
};

constexpr std::array<const char*, 17> FieldPropertyNames = {
    "text",      "htmlText", "html",     "textColor",  "background", "backgroundColor", "border",
    "borderColor", "multiline", "wordWrap", "password", "embedFonts", "length",          "autoSize",
    "textWidth", "textHeight", "variable",
};

const char* const FitNames[] = {"none", "left", "center", "right"};

// The text's extent as the field lays it out, in twips.
Box TextExtent(ActionMachine& machine, const EditText& field)
{
    Timeline* frames = machine.Root()->Clip->Frames();
    size_t frame = frames ? frames->Current() : 0;
    std::vector<TextSpan> spans = FieldSpans(field, nullptr, *machine.CurrentMovie().Characters, frame);
    FieldMetrics metrics;
    TextBox layout{field.XMax - field.XMin - 2 * FieldGutter, field.WordWrap, field.Multiline};
    Box extent;
    for (const PlacedGlyph& glyph : LayOutText(spans, layout, metrics)) {
        double ascent = 0, descent = 0;
        metrics.Extents(spans[glyph.Span].Style, ascent, descent);
        extent.XMax = std::max(extent.XMax, glyph.X + glyph.Advance);
        extent.YMax = std::max(extent.YMax, glyph.Y + descent);
    }
    return extent;
}

// A field that sizes itself to its text, about the edge it keeps.
void Fit(ActionMachine& machine, EditText& field)
{
    if (field.AutoSize == EditText::Fit::None)
        return;
    Box extent = TextExtent(machine, field);
    field.YMax = field.YMin + extent.YMax + 2 * FieldGutter;
    // Wrapping text keeps its width.
    if (field.WordWrap)
        return;
    double width = extent.XMax + 2 * FieldGutter, now = field.XMax - field.XMin;
    double left = field.AutoSize == EditText::Fit::Left     ? field.XMin
                  : field.AutoSize == EditText::Fit::Centre ? field.XMin + (now - width) / 2
                                                            : field.XMax - width;
    field.XMin = left;
    field.XMax = left + width;
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Names are matched without case before version 7, with it from then on.
FieldProperty PropertyOf(ActionMachine& machine, const std::string& name)
{
    bool caseless = machine.Version() < 7;
    std::string wanted = caseless ? Lower(name) : name;
    for (size_t i = 0; i < FieldPropertyNames.size(); ++i)
        if (wanted == (caseless ? Lower(FieldPropertyNames[i]) : FieldPropertyNames[i]))
            return static_cast<FieldProperty>(i);
    return FieldProperty::None;
}

EditText* FieldOf(ScriptObject* object)
{
    PlacedObject* placed = object && object->Clip ? object->Clip->Placed() : nullptr;
    return placed ? placed->Field.get() : nullptr;
}

Colour Rgb(ActionMachine& machine, const Value& value)
{
    return 0xFF000000u | (static_cast<uint32_t>(ToInt32(machine.ToNumber(value))) & 0xFFFFFF);
}

double Pixels(ActionMachine& machine, const Value& value)
{
    double number = machine.ToNumber(value);
    return std::isfinite(number) ? std::clamp(number, -1e6, 1e6) : 0;
}

// TextFormat's properties, in the order its constructor takes them.
constexpr std::array<const char*, 13> FormatNames = {
    "font", "size", "color", "bold", "italic", "underline", "url", "target", "align",
    "leftMargin", "rightMargin", "indent", "leading",
};

// What a script's TextFormat sets: null and undefined set nothing.
TextFormat ReadFormat(ActionMachine& machine, const Value& object)
{
    TextFormat format;
    auto given = [&](const char* name, Value& value) {
        value = machine.GetMember(object, name);
        return !value.IsUndefined() && !value.IsNull();
    };
    auto flag = [&](const Value& value) { return ToBoolean(value, machine.Version()); };
    Value value;
    if (given("font", value)) format.Font = machine.ToString(value);
    if (given("size", value)) format.Size = std::clamp(Pixels(machine, value), 0.0, 1000.0) * 20;
    if (given("color", value)) format.Argb = Rgb(machine, value);
    if (given("bold", value)) format.Bold = flag(value);
    if (given("italic", value)) format.Italic = flag(value);
    if (given("underline", value)) format.Underline = flag(value);
    if (given("url", value)) format.Url = machine.ToString(value);
    if (given("target", value)) format.Target = machine.ToString(value);
    if (given("align", value)) format.Align = AlignNamed(machine.ToString(value));
    std::optional<double>* margins[] = {&format.LeftMargin, &format.RightMargin, &format.Indent, &format.Leading};
    for (size_t i = 0; i < 4; ++i)
        if (given(FormatNames[9 + i], value))
            *margins[i] = Pixels(machine, value) * 20;
    return format;
}

// A TextFormat object; what format leaves unset is null.
Value NewFormat(ActionMachine& machine, const TextFormat& format)
{
    Value textFormat = machine.GetMember(Value::FromObject(machine.Global()), "TextFormat");
    Value prototype = machine.GetMember(textFormat, "prototype");
    ScriptObject* object = machine.NewObject(prototype.IsObject() ? prototype.Object : nullptr);
    auto put = [&](const char* name, const auto& property, auto convert) {
        object->Put(name, property ? convert(*property) : Value::Null());
    };
    auto text = [](const std::string& value) { return Value::FromString(value); };
    auto flag = [](bool value) { return Value::Boolean(value); };
    auto pixels = [](double twips) { return Value::FromNumber(twips / 20); };
    put("font", format.Font, text);
    put("size", format.Size, pixels);
    put("color", format.Argb, [](Colour argb) { return Value::FromNumber(argb & 0xFFFFFF); });
    put("bold", format.Bold, flag);
    put("italic", format.Italic, flag);
    put("underline", format.Underline, flag);
    put("url", format.Url, text);
    put("target", format.Target, text);
    put("align", format.Align, [](TextAlign align) { return Value::FromString(AlignName(align)); });
    put("leftMargin", format.LeftMargin, pixels);
    put("rightMargin", format.RightMargin, pixels);
    put("indent", format.Indent, pixels);
    put("leading", format.Leading, pixels);
    return Value::FromObject(object);
}

// Runs keep the names of their fonts; they are found when drawn.
const FontLookup NoFonts = [](const std::string&, bool, bool) -> const Font* { return nullptr; };

// How new text in the field looks.
TextSpan NewText(const EditText& field)
{
    TextSpan span;
    span.Style = field.Style;
    span.Paragraph = field.Paragraph;
    return span;
}

// The field's text in runs, made from its initial text on first use.
TextRuns& RunsOf(EditText& field)
{
    if (!field.Runs) {
        field.Runs = field.Html ? ParseHtmlText(field.InitialText, NewText(field), NoFonts)
                                : PlainText(field.InitialText, NewText(field));
        Tidy(*field.Runs);
    }
    return *field.Runs;
}

std::string TextOf(EditText& field)
{
    return Utf8Encode(RunsText(RunsOf(field)));
}

// The field's text from now on; checked and paid for.
void SetRuns(ActionMachine& machine, EditText& field, TextRuns runs)
{
    Tidy(runs);
    size_t length = 0;
    for (const TextSpan& run : runs) length += run.Text.size();
    CheckTextLength(length);
    machine.Allocate(length * sizeof(char32_t) + runs.size() * sizeof(TextSpan));
    machine.Charge(length);
    field.Runs = std::move(runs);
}

size_t Index(ActionMachine& machine, const Value& value)
{
    double number = machine.ToNumber(value);
    return std::isfinite(number) && number > 0 ? static_cast<size_t>(std::min(number, 1e9)) : 0;
}

// The characters the first given arguments name: all of them for none, one
// for one index, [begin, end) for two.
std::pair<size_t, size_t> RangeOf(NativeCall& call, size_t given)
{
    if (given == 0)
        return {0, SIZE_MAX};
    size_t begin = Index(call.Machine, call.Argument(0));
    return {begin, given == 1 ? begin + 1 : Index(call.Machine, call.Argument(1))};
}

template <class Body>
NativeFunction FieldMethod(Body body)
{
    return [body](NativeCall& call) -> Value {
        EditText* field = FieldOf(call.This);
        return field ? body(call, *field) : Value();
    };
}

}

bool GetFieldProperty(ActionMachine& machine, ScriptObject* object, const std::string& name, Value& value)
{
    EditText* field = FieldOf(object);
    FieldProperty property = field ? PropertyOf(machine, name) : FieldProperty::None;
    if (property == FieldProperty::None)
        return false;
    switch (property) {
    case FieldProperty::Text: value = Value::FromString(TextOf(*field)); break;
    case FieldProperty::HtmlText:
        value = Value::FromString(field->Html ? WriteHtmlText(RunsOf(*field)) : TextOf(*field));
        break;
    case FieldProperty::Html: value = Value::Boolean(field->Html); break;
    case FieldProperty::TextColor: value = Value::FromNumber(field->Style.Argb & 0xFFFFFF); break;
    case FieldProperty::Background: value = Value::Boolean(field->Background); break;
    case FieldProperty::BackgroundColor: value = Value::FromNumber(field->BackgroundArgb & 0xFFFFFF); break;
    case FieldProperty::Border: value = Value::Boolean(field->Border); break;
    case FieldProperty::BorderColor: value = Value::FromNumber(field->BorderArgb & 0xFFFFFF); break;
    case FieldProperty::Multiline: value = Value::Boolean(field->Multiline); break;
    case FieldProperty::WordWrap: value = Value::Boolean(field->WordWrap); break;
    case FieldProperty::Password: value = Value::Boolean(field->Password); break;
    case FieldProperty::EmbedFonts: value = Value::Boolean(field->UseOutlines); break;
    case FieldProperty::Length: value = Value::FromNumber(static_cast<double>(RunsText(RunsOf(*field)).size())); break;
    case FieldProperty::AutoSize: value = Value::FromString(FitNames[static_cast<int>(field->AutoSize)]); break;
    case FieldProperty::TextWidth:
    case FieldProperty::TextHeight: {
        Box extent = TextExtent(machine, *field);
        value = Value::FromNumber((property == FieldProperty::TextWidth ? extent.XMax : extent.YMax) / 20);
        break;
    }
    case FieldProperty::Variable:
        value = field->Variable.empty() ? Value::Null() : Value::FromString(field->Variable);
        break;
    case FieldProperty::None: break;
    }
    return true;
}

bool SetFieldProperty(ActionMachine& machine, ScriptObject* object, const std::string& name, const Value& value)
{
    EditText* field = FieldOf(object);
    FieldProperty property = field ? PropertyOf(machine, name) : FieldProperty::None;
    if (property == FieldProperty::None)
        return false;
    bool flag = ToBoolean(value, machine.Version());
    switch (property) {
    // New text takes the format for new text.
    case FieldProperty::Text: SetRuns(machine, *field, PlainText(machine.ToString(value), NewText(*field))); break;
    case FieldProperty::HtmlText: {
        std::string text = machine.ToString(value);
        machine.Charge(text.size());
        SetRuns(machine, *field,
                field->Html ? ParseHtmlText(text, NewText(*field), NoFonts) : PlainText(text, NewText(*field)));
        break;
    }
    case FieldProperty::Html: field->Html = flag; break;
    case FieldProperty::TextColor: {
        // All the text takes the colour.
        TextFormat colour;
        colour.Argb = field->Style.Argb = Rgb(machine, value);
        FormatRange(RunsOf(*field), 0, SIZE_MAX, colour);
        break;
    }
    case FieldProperty::Background: field->Background = flag; break;
    case FieldProperty::BackgroundColor: field->BackgroundArgb = Rgb(machine, value); break;
    case FieldProperty::Border: field->Border = flag; break;
    case FieldProperty::BorderColor: field->BorderArgb = Rgb(machine, value); break;
    case FieldProperty::Multiline: field->Multiline = flag; break;
    case FieldProperty::WordWrap: field->WordWrap = flag; break;
    case FieldProperty::Password: field->Password = flag; break;
    case FieldProperty::EmbedFonts: field->UseOutlines = flag; break;
    case FieldProperty::AutoSize: {
        // true is left; false and names it does not know, none.
        std::string fit = value.Type == ValueType::Boolean ? (flag ? "left" : "none") : machine.ToString(value);
        field->AutoSize = EditText::Fit::None;
        for (size_t i = 0; i < std::size(FitNames); ++i)
            if (fit == FitNames[i])
                field->AutoSize = static_cast<EditText::Fit>(i);
        break;
    }
    case FieldProperty::Variable:
        // The field shows the variable's value from then on.
        field->Variable = value.IsNull() || value.IsUndefined() ? std::string() : machine.ToString(value);
        break;
    case FieldProperty::Length:
    case FieldProperty::TextWidth:
    case FieldProperty::TextHeight:
    case FieldProperty::None: break;
    }
    Fit(machine, *field);
    return true;
}

void InstallTextFields(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* fieldPrototype = machine.NewObject();
    machine.Protos.TextField = fieldPrototype;
    Constructor(machine, global, "TextField", fieldPrototype, [](NativeCall&) { return Value(); });
    DefineMethod(machine, fieldPrototype, "setTextFormat", FieldMethod([](NativeCall& call, EditText& field) {
                     // The format comes last, after the range it formats.
                     if (call.Count() == 0 || !call.Arguments.back().IsObject())
                         return Value();
                     auto [begin, end] = RangeOf(call, call.Count() - 1);
                     TextRuns& runs = RunsOf(field);
                     call.Machine.Charge(runs.size());
                     FormatRange(runs, begin, end, ReadFormat(call.Machine, call.Arguments.back()));
                     Fit(call.Machine, field);
                     return Value();
                 }));
    DefineMethod(machine, fieldPrototype, "getTextFormat", FieldMethod([](NativeCall& call, EditText& field) {
                     auto [begin, end] = RangeOf(call, std::min<size_t>(call.Count(), 2));
                     std::optional<TextFormat> common = RangeFormat(RunsOf(field), begin, end);
                     return NewFormat(call.Machine, common ? *common : FormatOf(NewText(field)));
                 }));
    DefineMethod(machine, fieldPrototype, "setNewTextFormat", FieldMethod([](NativeCall& call, EditText& field) {
                     if (!call.Argument(0).IsObject())
                         return Value();
                     TextSpan span = NewText(field);
                     ApplyFormat(ReadFormat(call.Machine, call.Argument(0)), span);
                     field.Style = span.Style;
                     field.Paragraph = span.Paragraph;
                     return Value();
                 }));
    DefineMethod(machine, fieldPrototype, "getNewTextFormat", FieldMethod([](NativeCall& call, EditText& field) {
                     return NewFormat(call.Machine, FormatOf(NewText(field)));
                 }));
    DefineMethod(machine, fieldPrototype, "replaceSel", FieldMethod([](NativeCall& call, EditText& field) {
                     // The selection's text gives way to the new text, in the format
                     // for new text; the caret then stands after it.
                     std::u32string text = Utf8Decode(call.Machine.ToString(call.Argument(0)));
                     TextRuns runs = RunsOf(field);
                     size_t length = RunsText(runs).size();
                     size_t begin = std::min(field.SelectionBegin, length);
                     ReplaceRange(runs, begin, std::max(begin, field.SelectionEnd), text, NewText(field));
                     SetRuns(call.Machine, field, std::move(runs));
                     field.SelectionBegin = field.SelectionEnd = begin + text.size();
                     Fit(call.Machine, field);
                     return Value();
                 }));
    DefineMethod(machine, fieldPrototype, "removeTextField", [](NativeCall& call) {
        PlacedObject* placed = FieldOf(call.This) ? call.This->Clip->Placed() : nullptr;
        ScriptObject* parent = placed ? call.This->Clip->Parent : nullptr;
        DisplayList* list = parent && parent->Clip ? parent->Clip->List() : nullptr;
        if (list && placed->Depth >= ScriptDepthBase)
            list->Remove(placed->Depth);
        return Value();
    });

    ScriptObject* formatPrototype = machine.NewObject();
    Constructor(machine, global, "TextFormat", formatPrototype, [](NativeCall& call) {
        if (!call.Constructing || !call.This)
            return Value();
        for (size_t i = 0; i < FormatNames.size(); ++i)
            call.This->Put(FormatNames[i], i < call.Count() && !call.Argument(i).IsUndefined() ? call.Argument(i)
                                                                                               : Value::Null());
        return Value::FromObject(call.This);
    });

    DefineMethod(machine, machine.Protos.Clip, "createTextField", [](NativeCall& call) {
        DisplayList* list = call.This && call.This->Clip ? call.This->Clip->List() : nullptr;
        if (!list)
            return Value();
        ActionMachine& machine = call.Machine;
        machine.Allocate(ClipBytes);
        double x = Pixels(machine, call.Argument(2)) * 20, y = Pixels(machine, call.Argument(3)) * 20;
        double width = std::max(0.0, Pixels(machine, call.Argument(4))) * 20;
        double height = std::max(0.0, Pixels(machine, call.Argument(5))) * 20;
        PlacedObject* made = list->AddField(ListDepth(machine.ToNumber(call.Argument(1))),
                                            machine.ToString(call.Argument(0)), {x, y, x + width, y + height});
        return made ? Value::FromObject(machine.ClipObject(made->Link)) : Value();
    });
}

}
