#include "ActionFilters.h"

#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionGeometry.h"
#include "ActionMachine.h"

namespace tvmplayer {
namespace {

constexpr double Pi = 3.14159265358979323846;

// A filter class: its name, its kind, and its members in the order its
// constructor takes them, with their defaults.
struct FilterClass {
    const char* Name;
    FilterKind Kind;
    std::vector<std::pair<const char*, Value>> Members;
};

Value Number(double number)
{
    return Value::FromNumber(number);
}

const std::vector<FilterClass>& FilterClasses()
{
    static const std::vector<FilterClass> classes = {
        {"BlurFilter", FilterKind::Blur, {{"blurX", Number(4)}, {"blurY", Number(4)}, {"quality", Number(1)}}},
        {"GlowFilter", FilterKind::Glow,
         {{"color", Number(0xFF0000)}, {"alpha", Number(1)}, {"blurX", Number(6)}, {"blurY", Number(6)},
          {"strength", Number(2)}, {"quality", Number(1)}, {"inner", Value::Boolean(false)},
          {"knockout", Value::Boolean(false)}}},
        {"DropShadowFilter", FilterKind::DropShadow,
         {{"distance", Number(4)}, {"angle", Number(45)}, {"color", Number(0)}, {"alpha", Number(1)},
          {"blurX", Number(4)}, {"blurY", Number(4)}, {"strength", Number(1)}, {"quality", Number(1)},
          {"inner", Value::Boolean(false)}, {"knockout", Value::Boolean(false)}, {"hideObject", Value::Boolean(false)}}},
        {"BevelFilter", FilterKind::Bevel,
         {{"distance", Number(4)}, {"angle", Number(45)}, {"highlightColor", Number(0xFFFFFF)},
          {"highlightAlpha", Number(1)}, {"shadowColor", Number(0)}, {"shadowAlpha", Number(1)}, {"blurX", Number(4)},
          {"blurY", Number(4)}, {"strength", Number(1)}, {"quality", Number(1)}, {"type", Value::FromString("inner")},
          {"knockout", Value::Boolean(false)}}},
        {"ColorMatrixFilter", FilterKind::ColourMatrix, {{"matrix", Value()}}},
    };
    return classes;
}

Colour ArgbOf(uint32_t rgb, double alpha)
{
    double a = std::isfinite(alpha) ? std::clamp(alpha, 0.0, 1.0) : 1;
    return static_cast<uint32_t>(std::lround(a * 255)) << 24 | (rgb & 0xFFFFFF);
}

Filter ToFilter(ActionMachine& machine, const FilterClass& kind, const Value& object)
{
    auto number = [&](const char* name) {
        double n = machine.ToNumber(machine.GetMember(object, name));
        return std::isfinite(n) ? n : 0;
    };
    auto flag = [&](const char* name) { return ToBoolean(machine.GetMember(object, name), machine.Version()); };
    auto rgb = [&](const char* name) { return static_cast<uint32_t>(ToInt32(number(name))); };
    Filter filter;
    filter.Kind = kind.Kind;
    filter.BlurX = std::clamp(number("blurX"), 0.0, MaxBlur);
    filter.BlurY = std::clamp(number("blurY"), 0.0, MaxBlur);
    filter.Passes = static_cast<int>(std::clamp(number("quality"), 0.0, 15.0));
    filter.Strength = std::clamp(number("strength"), 0.0, 255.0);
    filter.Inner = flag("inner");
    filter.Knockout = flag("knockout");
    filter.Distance = std::clamp(number("distance"), -1e4, 1e4);
    filter.Angle = number("angle") * Pi / 180;
    switch (kind.Kind) {
    case FilterKind::Glow:
    case FilterKind::DropShadow:
        filter.Argb = ArgbOf(rgb("color"), number("alpha"));
        filter.CompositeSource = !flag("hideObject");
        break;
    case FilterKind::Bevel: {
        filter.Argb = ArgbOf(rgb("shadowColor"), number("shadowAlpha"));
        filter.Highlight = ArgbOf(rgb("highlightColor"), number("highlightAlpha"));
        std::string type = machine.ToString(machine.GetMember(object, "type"));
        filter.Inner = type == "inner";
        filter.OnTop = type == "full";
        break;
    }
    case FilterKind::ColourMatrix: {
        Value matrix = machine.GetMember(object, "matrix");
        for (size_t i = 0; i < filter.Colours.size(); ++i) {
            double n = machine.ToNumber(machine.GetMember(matrix, std::to_string(i)));
            filter.Colours[i] = std::isfinite(n) ? n : (i % 6 == 0 ? 1 : 0);
        }
        break;
    }
    default:
        break;
    }
    return filter;
}

}

std::vector<Filter> ScriptFilters(ActionMachine& machine, const Value& list)
{
    std::vector<Filter> filters;
    ScriptObject* package = PackageObject(machine, machine.Global(), {"flash", "filters"});
    double length = machine.ToNumber(machine.GetMember(list, "length"));
    // The filters a placement may carry, at most.
    size_t count = std::isfinite(length) ? static_cast<size_t>(std::clamp(length, 0.0, 255.0)) : 0;
    for (size_t i = 0; i < count; ++i) {
        Value element = machine.GetMember(list, std::to_string(i));
        if (!element.IsObject())
            continue;
        for (const FilterClass& kind : FilterClasses()) {
            Value constructor = machine.GetMember(Value::FromObject(package), kind.Name);
            Value prototype = machine.GetMember(constructor, "prototype");
            if (prototype.IsObject() && element.Object->Prototype == prototype.Object) {
                filters.push_back(ToFilter(machine, kind, element));
                break;
            }
        }
    }
    return filters;
}

void InstallFilterClasses(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* package = PackageObject(machine, global, {"flash", "filters"});
    for (const FilterClass& kind : FilterClasses()) {
        ScriptObject* prototype = machine.NewObject();
        Constructor(machine, package, kind.Name, prototype, [&kind](NativeCall& call) {
            if (!call.Constructing || !call.This)
                return Value();
            for (size_t i = 0; i < kind.Members.size(); ++i) {
                const Value& given = call.Argument(i);
                call.This->Put(kind.Members[i].first, i < call.Count() && !given.IsUndefined() ? given
                                                                                             : kind.Members[i].second);
            }
            return Value::FromObject(call.This);
        });
        DefineMethod(machine, prototype, "clone", [](NativeCall& call) {
            if (!call.This)
                return Value();
            ScriptObject* copy = call.Machine.NewObject(call.This->Prototype);
            for (const std::string& name : call.This->Names())
                copy->Put(name, call.Machine.GetMember(Value::FromObject(call.This), name));
            return Value::FromObject(copy);
        });
    }
}

}
