#include "ActionTextField.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionClips.h"
#include "ActionMachine.h"
#include "ActionText.h"
#include "DeviceFont.h"
#include "DisplayList.h"
#include "HtmlText.h"
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
    std::vector<TextSpan> spans = FieldSpans(field, field.InitialText, *machine.CurrentMovie().Characters, frame);
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

std::string PlainOfHtml(const std::string& html)
{
    std::u32string text;
    for (const TextSpan& span : ParseHtmlText(html, {}, [](const std::string&, bool, bool) { return nullptr; }))
        text += span.Text;
    return Utf8Encode(text);
}

std::string EscapeHtml(const std::string& text)
{
    std::string escaped;
    for (char c : text)
        escaped += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return escaped;
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

const char* AlignName(TextAlign align)
{
    switch (align) {
    case TextAlign::Right: return "right";
    case TextAlign::Centre: return "center";
    case TextAlign::Justify: return "justify";
    default: return "left";
    }
}

// TextFormat's properties, in the order its constructor takes them.
constexpr std::array<const char*, 13> FormatNames = {
    "font", "size", "color", "bold", "italic", "underline", "url", "target", "align",
    "leftMargin", "rightMargin", "indent", "leading",
};

// What a format sets; null and undefined leave a property as it is.
void ApplyFormat(ActionMachine& machine, EditText& field, const Value& format)
{
    auto given = [&](const char* name, Value& value) {
        value = machine.GetMember(format, name);
        return !value.IsUndefined() && !value.IsNull();
    };
    Value value;
    if (given("font", value))
        field.FontName = machine.ToString(value), field.FontId = 0;
    if (given("size", value))
        field.FontHeight = std::clamp(Pixels(machine, value), 0.0, 1000.0) * 20;
    if (given("color", value))
        field.Argb = Rgb(machine, value);
    if (given("bold", value))
        field.Bold = ToBoolean(value, machine.Version());
    if (given("italic", value))
        field.Italic = ToBoolean(value, machine.Version());
    if (given("underline", value))
        field.Underline = ToBoolean(value, machine.Version());
    if (given("align", value)) {
        std::string align = machine.ToString(value);
        field.Paragraph.Align = align == "right"     ? TextAlign::Right
                                : align == "center"  ? TextAlign::Centre
                                : align == "justify" ? TextAlign::Justify
                                                     : TextAlign::Left;
    }
    double* margins[] = {&field.Paragraph.LeftMargin, &field.Paragraph.RightMargin, &field.Paragraph.Indent,
                         &field.Paragraph.Leading};
    for (size_t i = 0; i < 4; ++i)
        if (given(FormatNames[9 + i], value))
            *margins[i] = Pixels(machine, value) * 20;
}

Value FormatOf(ActionMachine& machine, const EditText& field)
{
    Value textFormat = machine.GetMember(Value::FromObject(machine.Global()), "TextFormat");
    Value prototype = machine.GetMember(textFormat, "prototype");
    ScriptObject* format = machine.NewObject(prototype.IsObject() ? prototype.Object : nullptr);
    auto put = [&](const char* name, Value value) { format->Put(name, std::move(value)); };
    put("font", Value::FromString(field.FontName.empty() ? "Times New Roman" : field.FontName));
    put("size", Value::FromNumber(field.FontHeight / 20));
    put("color", Value::FromNumber(field.Argb & 0xFFFFFF));
    put("bold", Value::Boolean(field.Bold));
    put("italic", Value::Boolean(field.Italic));
    put("underline", Value::Boolean(field.Underline));
    put("url", Value::FromString(""));
    put("target", Value::FromString(""));
    put("align", Value::FromString(AlignName(field.Paragraph.Align)));
    put("leftMargin", Value::FromNumber(field.Paragraph.LeftMargin / 20));
    put("rightMargin", Value::FromNumber(field.Paragraph.RightMargin / 20));
    put("indent", Value::FromNumber(field.Paragraph.Indent / 20));
    put("leading", Value::FromNumber(field.Paragraph.Leading / 20));
    return Value::FromObject(format);
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
    auto text = [&] { return field->Html ? PlainOfHtml(field->InitialText) : field->InitialText; };
    switch (property) {
    case FieldProperty::Text: value = Value::FromString(text()); break;
    case FieldProperty::HtmlText: value = Value::FromString(field->InitialText); break;
    case FieldProperty::Html: value = Value::Boolean(field->Html); break;
    case FieldProperty::TextColor: value = Value::FromNumber(field->Argb & 0xFFFFFF); break;
    case FieldProperty::Background: value = Value::Boolean(field->Background); break;
    case FieldProperty::BackgroundColor: value = Value::FromNumber(field->BackgroundArgb & 0xFFFFFF); break;
    case FieldProperty::Border: value = Value::Boolean(field->Border); break;
    case FieldProperty::BorderColor: value = Value::FromNumber(field->BorderArgb & 0xFFFFFF); break;
    case FieldProperty::Multiline: value = Value::Boolean(field->Multiline); break;
    case FieldProperty::WordWrap: value = Value::Boolean(field->WordWrap); break;
    case FieldProperty::Password: value = Value::Boolean(field->Password); break;
    case FieldProperty::EmbedFonts: value = Value::Boolean(field->UseOutlines); break;
    case FieldProperty::Length: value = Value::FromNumber(static_cast<double>(Utf8Length(text()))); break;
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
    case FieldProperty::Text: {
        // An HTML field shows a plain text as it is.
        std::string text = machine.ToString(value);
        field->InitialText = field->Html ? EscapeHtml(text) : text;
        break;
    }
    case FieldProperty::HtmlText: field->InitialText = machine.ToString(value); break;
    case FieldProperty::Html: field->Html = flag; break;
    case FieldProperty::TextColor: field->Argb = Rgb(machine, value); break;
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
    machine.Allocate(field->InitialText.size());
    CheckTextLength(field->InitialText.size());
    machine.Charge(field->InitialText.size());
    Fit(machine, *field);
    return true;
}

void InstallTextFields(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* fieldPrototype = machine.NewObject();
    machine.Protos.TextField = fieldPrototype;
    Constructor(machine, global, "TextField", fieldPrototype, [](NativeCall&) { return Value(); });
    auto setFormat = FieldMethod([](NativeCall& call, EditText& field) {
        // Formats apply to the whole field, whatever range is given.
        if (call.Count() > 0)
            ApplyFormat(call.Machine, field, call.Arguments.back());
        Fit(call.Machine, field);
        return Value();
    });
    DefineMethod(machine, fieldPrototype, "setTextFormat", setFormat);
    DefineMethod(machine, fieldPrototype, "setNewTextFormat", setFormat);
    DefineMethod(machine, fieldPrototype, "getTextFormat",
                 FieldMethod([](NativeCall& call, EditText& field) { return FormatOf(call.Machine, field); }));
    DefineMethod(machine, fieldPrototype, "getNewTextFormat",
                 FieldMethod([](NativeCall& call, EditText& field) { return FormatOf(call.Machine, field); }));
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
