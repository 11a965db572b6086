#include "ActionBuiltins.h"

#include <cmath>
#include <limits>

#include "ActionBitmaps.h"
#include "ActionClips.h"
#include "ActionDrawing.h"
#include "ActionGeometry.h"
#include "ActionMachine.h"
#include "ActionStage.h"
#include "ActionText.h"
#include "ActionTextField.h"
#include "ActionTimers.h"
#include "Variables.h"

namespace tvmplayer {

ScriptObject* Constructor(ActionMachine& machine, ScriptObject* global, const char* name, ScriptObject* prototype,
                          NativeFunction function)
{
    ScriptObject* constructor = machine.NewFunction(std::move(function), prototype);
    global->Put(name, Value::FromObject(constructor), DontEnum);
    return constructor;
}

namespace {

double Argument(NativeCall& call, size_t index)
{
    return call.Machine.ToNumber(call.Argument(index));
}


Value Wrap(NativeCall& call, Value primitive)
{
    if (!call.Constructing || !call.This)
        return primitive;
    call.This->Kind = primitive.IsNumber() ? ObjectKind::Number : ObjectKind::Boolean;
    call.This->Primitive = std::move(primitive);
    return Value::FromObject(call.This);
}

void InstallObject(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.Protos.Object;
    ScriptObject* object = Constructor(machine, global, "Object", prototype, [](NativeCall& call) {
        if (call.Argument(0).IsObject())
            return call.Argument(0);
        return Value::FromObject(call.Constructing && call.This ? call.This : call.Machine.NewObject());
    });
    // The class that clips of an exported symbol are made as.
    DefineMethod(machine, object, "registerClass", [](NativeCall& call) {
        std::string name = call.Machine.ToString(call.Argument(0));
        const Value& constructor = call.Argument(1);
        if (constructor.IsObject() && constructor.Object->IsFunction())
            call.Machine.Classes()->Put(name, constructor);
        else
            call.Machine.Classes()->Remove(name);
        return Value::Boolean(true);
    });
    DefineMethod(machine, prototype, "toString", [](NativeCall& call) {
        if (call.This && call.This->Kind != ObjectKind::Plain && call.This->Kind != ObjectKind::Function)
            return Value::FromString(PrimitiveToString(call.This->Primitive, call.Machine.Version()));
        return Value::FromString(call.This && call.This->IsFunction() ? "[type Function]" : "[object Object]");
    });
    DefineMethod(machine, prototype, "valueOf", [](NativeCall& call) {
        if (call.This && call.This->Kind != ObjectKind::Plain && call.This->Primitive.Type != ValueType::Undefined)
            return call.This->Primitive;
        return Value::FromObject(call.This);
    });
    DefineMethod(machine, prototype, "hasOwnProperty", [](NativeCall& call) {
        return Value::Boolean(call.This && call.This->Find(call.Machine.ToString(call.Argument(0))));
    });
    DefineMethod(machine, prototype, "isPropertyEnumerable", [](NativeCall& call) {
        Property* found = call.This ? call.This->Find(call.Machine.ToString(call.Argument(0))) : nullptr;
        return Value::Boolean(found && !(found->Flags & DontEnum));
    });
}

void InstallFunction(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.Protos.Function;
    Constructor(machine, global, "Function", prototype, [](NativeCall&) { return Value(); });
    DefineMethod(machine, prototype, "call", [](NativeCall& call) {
        std::vector<Value> rest;
        for (size_t i = 1; i < call.Count(); ++i) rest.push_back(call.Arguments[i]);
        ScriptObject* self = call.Machine.ToObject(call.Argument(0));
        return call.Machine.Call(Value::FromObject(call.This), self, rest);
    });
    DefineMethod(machine, prototype, "apply", [](NativeCall& call) {
        std::vector<Value> rest;
        const Value& list = call.Argument(1);
        if (list.IsObject())
            rest = list.Object->Elements;
        ScriptObject* self = call.Machine.ToObject(call.Argument(0));
        return call.Machine.Call(Value::FromObject(call.This), self, rest);
    });
}

void InstallNumberAndBoolean(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* number = Constructor(machine, global, "Number", machine.Protos.Number, [](NativeCall& call) {
        return Wrap(call, Value::FromNumber(call.Count() ? Argument(call, 0) : 0));
    });
    const std::pair<const char*, double> constants[] = {
        {"MAX_VALUE", std::numeric_limits<double>::max()},
        {"MIN_VALUE", std::numeric_limits<double>::denorm_min()},
        {"NaN", std::numeric_limits<double>::quiet_NaN()},
        {"POSITIVE_INFINITY", std::numeric_limits<double>::infinity()},
        {"NEGATIVE_INFINITY", -std::numeric_limits<double>::infinity()},
    };
    for (const auto& [name, value] : constants) number->Put(name, Value::FromNumber(value), DontEnum | ReadOnly);
    DefineMethod(machine, machine.Protos.Number, "toString", [](NativeCall& call) {
        double value = call.Machine.ToNumber(ThisPrimitive(call));
        int radix = call.Count() ? static_cast<int>(Argument(call, 0)) : 10;
        if (radix == 10 || radix < 2 || radix > 36 || !std::isfinite(value))
            return Value::FromString(NumberToString(value));
        // Other radixes print the whole part, as the player does.
        double whole = std::trunc(std::fabs(value));
        std::string digits;
        do {
            int digit = static_cast<int>(std::fmod(whole, radix));
            digits.insert(digits.begin(), "0123456789abcdefghijklmnopqrstuvwxyz"[digit]);
            whole = std::floor(whole / radix);
        } while (whole > 0 && digits.size() < 1100);
        return Value::FromString((value < 0 ? "-" : "") + digits);
    });
    DefineMethod(machine, machine.Protos.Number, "valueOf", [](NativeCall& call) { return ThisPrimitive(call); });

    Constructor(machine, global, "Boolean", machine.Protos.Boolean, [](NativeCall& call) {
        return Wrap(call, Value::Boolean(ToBoolean(call.Argument(0), call.Machine.Version())));
    });
    DefineMethod(machine, machine.Protos.Boolean, "toString", [](NativeCall& call) {
        return Value::FromString(ToBoolean(ThisPrimitive(call), 7) ? "true" : "false");
    });
    DefineMethod(machine, machine.Protos.Boolean, "valueOf", [](NativeCall& call) { return ThisPrimitive(call); });
}

void InstallMath(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* math = machine.NewObject();
    global->Put("Math", Value::FromObject(math), DontEnum);
    const std::pair<const char*, double> constants[] = {
        {"PI", 3.141592653589793}, {"E", 2.718281828459045}, {"LN2", 0.6931471805599453},
        {"LN10", 2.302585092994046}, {"LOG2E", 1.4426950408889634}, {"LOG10E", 0.4342944819032518},
        {"SQRT1_2", 0.7071067811865476}, {"SQRT2", 1.4142135623730951},
    };
    for (const auto& [name, value] : constants) math->Put(name, Value::FromNumber(value), DontEnum | ReadOnly);
    using Unary = double (*)(double);
    const std::pair<const char*, Unary> unary[] = {
        {"abs", [](double x) { return std::fabs(x); }},  {"acos", [](double x) { return std::acos(x); }},
        {"asin", [](double x) { return std::asin(x); }}, {"atan", [](double x) { return std::atan(x); }},
        {"ceil", [](double x) { return std::ceil(x); }}, {"cos", [](double x) { return std::cos(x); }},
        {"exp", [](double x) { return std::exp(x); }},   {"floor", [](double x) { return std::floor(x); }},
        {"log", [](double x) { return std::log(x); }},   {"sin", [](double x) { return std::sin(x); }},
        {"sqrt", [](double x) { return std::sqrt(x); }}, {"tan", [](double x) { return std::tan(x); }},
        // Halves round up, towards positive infinity.
        {"round", [](double x) { return std::floor(x + 0.5); }},
    };
    for (const auto& [name, unaryFunction] : unary)
        DefineMethod(machine, math, name, [function = unaryFunction](NativeCall& call) {
            return Value::FromNumber(function(Argument(call, 0)));
        });
    DefineMethod(machine, math, "atan2", [](NativeCall& call) {
        return Value::FromNumber(std::atan2(Argument(call, 0), Argument(call, 1)));
    });
    DefineMethod(machine, math, "pow", [](NativeCall& call) {
        return Value::FromNumber(std::pow(Argument(call, 0), Argument(call, 1)));
    });
    DefineMethod(machine, math, "min", [](NativeCall& call) {
        double a = Argument(call, 0), b = Argument(call, 1);
        return Value::FromNumber(std::isnan(a) || std::isnan(b) ? std::nan("") : std::min(a, b));
    });
    DefineMethod(machine, math, "max", [](NativeCall& call) {
        double a = Argument(call, 0), b = Argument(call, 1);
        return Value::FromNumber(std::isnan(a) || std::isnan(b) ? std::nan("") : std::max(a, b));
    });
    DefineMethod(machine, math, "random", [](NativeCall& call) { return Value::FromNumber(call.Machine.Random()); });
}

void InstallGlobalFunctions(ActionMachine& machine, ScriptObject* global)
{
    DefineMethod(machine, global, "isNaN", [](NativeCall& call) { return Value::Boolean(std::isnan(Argument(call, 0))); });
    DefineMethod(machine, global, "isFinite", [](NativeCall& call) {
        return Value::Boolean(std::isfinite(Argument(call, 0)));
    });
    DefineMethod(machine, global, "parseFloat", [](NativeCall& call) {
        std::string text = call.Machine.ToString(call.Argument(0));
        // The longest start that reads as a number.
        size_t begin = text.find_first_not_of(" \t\r\n");
        if (begin == std::string::npos)
            return Value::FromNumber(std::nan(""));
        for (size_t end = text.size(); end > begin; --end) {
            double value = StringToNumber(text.substr(begin, end - begin), 5);
            if (!std::isnan(value) && text.compare(begin, 2, "0x") != 0)
                return Value::FromNumber(value);
        }
        return Value::FromNumber(std::nan(""));
    });
    DefineMethod(machine, global, "parseInt", [](NativeCall& call) {
        std::string text = call.Machine.ToString(call.Argument(0));
        int radix = call.Count() > 1 ? static_cast<int>(Argument(call, 1)) : 0;
        size_t at = text.find_first_not_of(" \t\r\n");
        if (at == std::string::npos)
            return Value::FromNumber(std::nan(""));
        bool negative = false;
        if (text[at] == '-' || text[at] == '+')
            negative = text[at++] == '-';
        if ((radix == 0 || radix == 16) && text.compare(at, 2, "0x") == 0 ) {
            radix = 16;
            at += 2;
        } else if (radix == 0) {
            radix = 10;
        }
        if (radix < 2 || radix > 36)
            return Value::FromNumber(std::nan(""));
        double value = 0;
        bool any = false;
        for (; at < text.size(); ++at) {
            char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[at])));
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'z' ? c - 'a' + 10 : 99;
            if (digit >= radix)
                break;
            value = value * radix + digit;
            any = true;
        }
        return Value::FromNumber(!any ? std::nan("") : negative ? -value : value);
    });
    DefineMethod(machine, global, "escape", [](NativeCall& call) {
        return Value::FromString(UrlEscape(call.Machine.ToString(call.Argument(0))));
    });
    DefineMethod(machine, global, "unescape", [](NativeCall& call) {
        std::string text = call.Machine.ToString(call.Argument(0));
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))
                && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return Value::FromString(out);
    });
    DefineMethod(machine, global, "getTimer", [](NativeCall& call) { return Value::FromNumber(call.Machine.Elapsed); });
    DefineMethod(machine, global, "trace", [](NativeCall& call) {
        call.Machine.Events().Trace(call.Machine.ToString(call.Argument(0)));
        return Value();
    });
    DefineMethod(machine, global, "fscommand", [](NativeCall& call) {
        call.Machine.Events().FsCommand(call.Machine.ToString(call.Argument(0)), call.Machine.ToString(call.Argument(1)));
        return Value();
    });
    // Property flags only hide names from enumeration here.
    DefineMethod(machine, global, "ASSetPropFlags", [](NativeCall& call) {
        const Value& target = call.Argument(0);
        if (!target.IsObject())
            return Value();
        bool hide = static_cast<int>(Argument(call, 2)) & 1;
        std::string names = call.Argument(1).IsNull() ? "" : call.Machine.ToString(call.Argument(1));
        std::vector<std::string> list;
        if (call.Argument(1).IsNull())
            list = target.Object->Names();
        for (size_t at = 0; !names.empty() && at <= names.size();) {
            size_t comma = std::min(names.find(',', at), names.size());
            list.push_back(names.substr(at, comma - at));
            at = comma + 1;
        }
        for (const std::string& name : list)
            if (Property* property = target.Object->Find(name))
                property->Flags = static_cast<uint8_t>(hide ? property->Flags | DontEnum : property->Flags & ~DontEnum);
        return Value();
    });
}

}

void DefineMethod(ActionMachine& machine, ScriptObject* owner, const char* name, NativeFunction function)
{
    owner->DeferMethod(machine.Heap(), machine.Protos.Function, name, std::move(function));
}

Value ThisPrimitive(NativeCall& call)
{
    if (!call.This)
        return {};
    if (call.This->Kind == ObjectKind::Plain || call.This->Kind == ObjectKind::Function)
        return Value::FromObject(call.This);
    return call.This->Primitive;
}

ScriptObject* InstallBuiltins(ActionMachine& machine)
{
    ScriptHeap& heap = machine.Heap();
    auto& protos = machine.Protos;
    protos.Object = heap.New(ObjectKind::Plain, nullptr);
    protos.Function = heap.New(ObjectKind::Plain, protos.Object);
    protos.Array = heap.New(ObjectKind::Plain, protos.Object);
    protos.String = heap.New(ObjectKind::Plain, protos.Object);
    protos.Number = heap.New(ObjectKind::Plain, protos.Object);
    protos.Boolean = heap.New(ObjectKind::Plain, protos.Object);
    protos.Date = heap.New(ObjectKind::Plain, protos.Object);
    protos.Clip = heap.New(ObjectKind::Plain, protos.Object);
    ScriptObject* global = machine.NewObject();

    InstallObject(machine, global);
    InstallFunction(machine, global);
    InstallNumberAndBoolean(machine, global);
    InstallMath(machine, global);
    InstallGlobalFunctions(machine, global);
    InstallStringMethods(machine, global);
    InstallArrayMethods(machine, global);
    InstallDate(machine, global);
    InstallExternalInterface(machine, global);
    InstallTimers(machine, global);
    Constructor(machine, global, "MovieClip", protos.Clip, [](NativeCall&) { return Value(); });
    InstallClipMethods(machine, protos.Clip);
    InstallDrawingMethods(machine, protos.Clip);
    InstallTextFields(machine, global);
    InstallGeometry(machine, global);
    InstallBitmaps(machine, global);
    InstallStage(machine, global);
    InstallLoads(machine, global);
    return global;
}

}
