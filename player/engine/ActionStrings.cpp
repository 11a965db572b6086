// String's constructor and methods, counting in characters.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

#include "ActionBuiltins.h"
#include "ActionMachine.h"
#include "ActionText.h"

namespace tvmplayer {
namespace {

std::u32string ThisText(NativeCall& call)
{
    return Utf8Decode(call.Machine.ToString(ThisPrimitive(call)));
}

double Number(NativeCall& call, size_t index, double absent)
{
    return index < call.Count() && !call.Argument(index).IsUndefined()
               ? ToInteger(call.Machine.ToNumber(call.Argument(index)))
               : absent;
}

Value Text(const std::u32string& text)
{
    return Value::FromString(Utf8Encode(text));
}

// A start or end that counts from the end when negative.
size_t FromEnd(double position, size_t size)
{
    double from = position < 0 ? std::max(0.0, static_cast<double>(size) + position) : position;
    return static_cast<size_t>(std::min(from, static_cast<double>(size)));
}

int ToUpper(int c)
{
    return std::toupper(c);
}

int ToLower(int c)
{
    return std::tolower(c);
}

size_t Clamped(double position, size_t size)
{
    return static_cast<size_t>(std::clamp(position, 0.0, static_cast<double>(size)));
}

}

void InstallStringMethods(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.Protos.String;
    ScriptObject* constructor = machine.NewFunction(
        [](NativeCall& call) {
            Value text = Value::FromString(call.Count() ? call.Machine.ToString(call.Argument(0)) : "");
            if (!call.Constructing || !call.This)
                return text;
            call.This->Kind = ObjectKind::String;
            call.This->Primitive = text;
            return Value::FromObject(call.This);
        },
        prototype);
    global->Put("String", Value::FromObject(constructor), DontEnum);
    DefineMethod(machine, constructor, "fromCharCode", [](NativeCall& call) {
        std::u32string text;
        for (size_t i = 0; i < call.Count(); ++i)
            text.push_back(static_cast<char32_t>(ToInt32(call.Machine.ToNumber(call.Arguments[i])) & 0x1FFFFF));
        return Text(text);
    });
    auto self = [](NativeCall& call) { return Value::FromString(call.Machine.ToString(ThisPrimitive(call))); };
    DefineMethod(machine, prototype, "toString", self);
    DefineMethod(machine, prototype, "valueOf", self);
    DefineMethod(machine, prototype, "charAt", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        double index = Number(call, 0, 0);
        return index < 0 || index >= static_cast<double>(text.size())
                   ? Value::FromString("")
                   : Text(text.substr(static_cast<size_t>(index), 1));
    });
    DefineMethod(machine, prototype, "charCodeAt", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        double index = Number(call, 0, 0);
        return index < 0 || index >= static_cast<double>(text.size())
                   ? Value::FromNumber(std::nan(""))
                   : Value::FromNumber(text[static_cast<size_t>(index)]);
    });
    DefineMethod(machine, prototype, "indexOf", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        std::u32string wanted = Utf8Decode(call.Machine.ToString(call.Argument(0)));
        size_t found = text.find(wanted, Clamped(Number(call, 1, 0), text.size()));
        return Value::FromNumber(found == std::u32string::npos ? -1 : static_cast<double>(found));
    });
    DefineMethod(machine, prototype, "lastIndexOf", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        std::u32string wanted = Utf8Decode(call.Machine.ToString(call.Argument(0)));
        size_t found = text.rfind(wanted, Clamped(Number(call, 1, static_cast<double>(text.size())), text.size()));
        return Value::FromNumber(found == std::u32string::npos ? -1 : static_cast<double>(found));
    });
    DefineMethod(machine, prototype, "substr", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        size_t start = FromEnd(Number(call, 0, 0), text.size());
        double count = Number(call, 1, static_cast<double>(text.size()));
        return Text(text.substr(start, count <= 0 ? 0 : Clamped(count, text.size())));
    });
    DefineMethod(machine, prototype, "substring", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        size_t a = Clamped(Number(call, 0, 0), text.size());
        size_t b = Clamped(Number(call, 1, static_cast<double>(text.size())), text.size());
        if (a > b)
            std::swap(a, b);
        return Text(text.substr(a, b - a));
    });
    DefineMethod(machine, prototype, "slice", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        size_t a = FromEnd(Number(call, 0, 0), text.size());
        size_t b = FromEnd(Number(call, 1, static_cast<double>(text.size())), text.size());
        return Text(a < b ? text.substr(a, b - a) : std::u32string());
    });
    for (const auto& entry : {std::pair{"toUpperCase", &ToUpper}, std::pair{"toLowerCase", &ToLower}})
        DefineMethod(machine, prototype, entry.first, [change = entry.second](NativeCall& call) {
            std::u32string text = ThisText(call);
            // Only the ASCII letters change case.
            for (char32_t& c : text)
                if (c < 0x80)
                    c = static_cast<char32_t>(change(static_cast<int>(c)));
            return Text(text);
        });
    DefineMethod(machine, prototype, "concat", [](NativeCall& call) {
        std::string text = call.Machine.ToString(ThisPrimitive(call));
        for (size_t i = 0; i < call.Count(); ++i) {
            text += call.Machine.ToString(call.Arguments[i]);
            CheckTextLength(text.size());
        }
        call.Machine.Allocate(text.size());
        return Value::FromString(text);
    });
    DefineMethod(machine, prototype, "split", [](NativeCall& call) {
        std::u32string text = ThisText(call);
        std::vector<Value> parts;
        if (call.Argument(0).IsUndefined()) {
            parts.push_back(Text(text));
        } else {
            std::u32string separator = Utf8Decode(call.Machine.ToString(call.Argument(0)));
            call.Machine.Allocate(text.size());
            if (separator.empty()) {
                for (char32_t c : text) parts.push_back(Text(std::u32string(1, c)));
            } else {
                size_t at = 0;
                for (size_t found; (found = text.find(separator, at)) != std::u32string::npos;
                     at = found + separator.size())
                    parts.push_back(Text(text.substr(at, found - at)));
                parts.push_back(Text(text.substr(at)));
            }
        }
        double limit = Number(call, 1, -1);
        if (limit >= 0 && limit < static_cast<double>(parts.size()))
            parts.resize(static_cast<size_t>(limit));
        return Value::FromObject(call.Machine.NewArray(std::move(parts)));
    });
}

}
