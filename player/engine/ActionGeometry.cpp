#include "ActionGeometry.h"

#include <cctype>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionFilters.h"
#include "ActionMachine.h"
#include "DisplayList.h"

namespace tvmplayer {
namespace {

constexpr double Twips = 20;

const char* const BlendNames[] = {"normal", "layer",      "multiply", "screen", "lighten", "darken",  "difference",
                                  "add",    "subtract",   "invert",   "alpha",  "erase",   "overlay", "hardlight"};

bool Named(ActionMachine& machine, const std::string& name, const char* wanted)
{
    if (machine.Version() >= 7)
        return name == wanted;
    size_t i = 0;
    for (; i < name.size() && wanted[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(wanted[i])))
            return false;
    return i == name.size() && !wanted[i];
}

double NumberOf(ActionMachine& machine, const Value& object, const char* name, double otherwise)
{
    Value value = machine.GetMember(object, name);
    double number = machine.ToNumber(value);
    return value.IsUndefined() || !std::isfinite(number) ? otherwise : number;
}

double ArgumentOr(NativeCall& call, size_t index, double otherwise)
{
    double number = call.Machine.ToNumber(call.Argument(index));
    return call.Argument(index).IsUndefined() || !std::isfinite(number) ? otherwise : number;
}

ScriptObject* PrototypeOf(ActionMachine& machine, const char* package, const char* name)
{
    Value holder = Value::FromObject(PackageObject(machine, machine.Global(), {"flash", package}));
    Value prototype = machine.GetMember(machine.GetMember(holder, name), "prototype");
    return prototype.IsObject() ? prototype.Object : nullptr;
}

void PutMatrix(ScriptObject* object, const Matrix& m)
{
    const std::pair<const char*, double> members[] = {{"a", m.A}, {"b", m.B}, {"c", m.C},
                                                      {"d", m.D}, {"tx", m.Tx}, {"ty", m.Ty}};
    for (const auto& [name, number] : members) object->Put(name, Value::FromNumber(number));
}

Value NewMatrix(ActionMachine& machine, const Matrix& m)
{
    ScriptObject* object = machine.NewObject(PrototypeOf(machine, "geom", "Matrix"));
    PutMatrix(object, m);
    return Value::FromObject(object);
}

const char* const ColourNames[] = {"redMultiplier", "greenMultiplier", "blueMultiplier", "alphaMultiplier",
                                   "redOffset",     "greenOffset",     "blueOffset",     "alphaOffset"};

ColourTransform ColoursOf(ActionMachine& machine, const Value& object)
{
    ColourTransform colours;
    for (int i = 0; i < 4; ++i) {
        colours.Mul[i] = NumberOf(machine, object, ColourNames[i], 1);
        colours.Add[i] = NumberOf(machine, object, ColourNames[4 + i], 0);
    }
    return colours;
}

uint32_t RgbOf(const ColourTransform& colours)
{
    auto channel = [&](int i) { return static_cast<uint32_t>(std::clamp(colours.Add[i], 0.0, 255.0)); };
    return channel(0) << 16 | channel(1) << 8 | channel(2);
}

void SetRgb(ColourTransform& colours, uint32_t rgb)
{
    for (int i = 0; i < 3; ++i) {
        colours.Mul[i] = 0;
        colours.Add[i] = rgb >> (16 - 8 * i) & 0xFF;
    }
}

// A ColorTransform object whose rgb reads and sets its offsets.
ScriptObject* NewColourTransform(ActionMachine& machine, const ColourTransform& colours)
{
    ScriptObject* object = machine.NewObject(PrototypeOf(machine, "geom", "ColorTransform"));
    for (int i = 0; i < 4; ++i) {
        object->Put(ColourNames[i], Value::FromNumber(colours.Mul[i]));
        object->Put(ColourNames[4 + i], Value::FromNumber(colours.Add[i]));
    }
    object->Hook = std::make_unique<PropertyHook>(
        [object](ActionMachine& machine, const std::string& name, Value& value, bool set) {
            if (!Named(machine, name, "rgb"))
                return false;
            ColourTransform now = ColoursOf(machine, Value::FromObject(object));
            if (!set) {
                value = Value::FromNumber(RgbOf(now));
                return true;
            }
            SetRgb(now, static_cast<uint32_t>(ToInt32(machine.ToNumber(value))));
            for (int i = 0; i < 4; ++i) {
                object->Put(ColourNames[i], Value::FromNumber(now.Mul[i]));
                object->Put(ColourNames[4 + i], Value::FromNumber(now.Add[i]));
            }
            return true;
        });
    return object;
}

PlacedObject* PlacedOf(ScriptObject* clip)
{
    return clip && clip->Clip ? clip->Clip->Placed() : nullptr;
}

// A script's matrix or colours take the clip from the timeline.
void SetClipMatrix(PlacedObject& placed, const Matrix& m)
{
    placed.Transform = {m.A, m.B, m.C, m.D, m.Tx * Twips, m.Ty * Twips};
    placed.XScale = std::hypot(m.A, m.B) * 100;
    placed.YScale = std::hypot(m.C, m.D) * 100 * (placed.Transform.Determinant() < 0 ? -1 : 1);
    placed.Rotation = std::atan2(m.B, m.A) * 180 / 3.14159265358979323846;
    placed.Scripted = true;
}

void SetClipColours(PlacedObject& placed, const ColourTransform& colours)
{
    if (!placed.Scripted)
        SetClipMatrix(placed, {placed.Transform.A, placed.Transform.B, placed.Transform.C, placed.Transform.D,
                               placed.Transform.Tx / Twips, placed.Transform.Ty / Twips});
    placed.Colours = colours;
}

// A Transform of clip: its matrix and colorTransform read and set the clip's own.
Value NewTransform(ActionMachine& machine, ScriptObject* clip)
{
    ScriptObject* object = machine.NewObject(PrototypeOf(machine, "geom", "Transform"));
    std::shared_ptr<ClipLink> link = clip && clip->Clip ? clip->Clip->Link : nullptr;
    object->Hook = std::make_unique<PropertyHook>(
        [link](ActionMachine& machine, const std::string& name, Value& value, bool set) {
            bool matrix = Named(machine, name, "matrix"), colours = Named(machine, name, "colorTransform");
            if (!matrix && !colours)
                return false;
            PlacedObject* placed = link ? link->Object : nullptr;
            if (!placed) {
                value = Value();
                return true;
            }
            const Matrix& m = placed->Transform;
            if (!set && matrix)
                value = NewMatrix(machine, {m.A, m.B, m.C, m.D, m.Tx / Twips, m.Ty / Twips});
            else if (!set)
                value = Value::FromObject(NewColourTransform(machine, placed->Colours));
            else if (matrix && value.IsObject())
                SetClipMatrix(*placed, MatrixOf(machine, value));
            else if (value.IsObject())
                SetClipColours(*placed, ColoursOf(machine, value));
            return true;
        });
    return Value::FromObject(object);
}

// A Color's clip: the object or the path it was made with.
ScriptObject* ColourTarget(NativeCall& call)
{
    Value target = call.This ? call.Machine.GetMember(Value::FromObject(call.This), "target") : Value();
    if (target.IsObject())
        return target.Object->Clip ? target.Object : nullptr;
    return target.IsUndefined() ? nullptr : call.Machine.FindClip(call.Machine.ToString(target));
}

template <class Body>
NativeFunction ColourMethod(Body body)
{
    return [body](NativeCall& call) -> Value {
        PlacedObject* placed = PlacedOf(ColourTarget(call));
        return placed ? body(call, *placed) : Value();
    };
}

void InstallColour(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.NewObject();
    Constructor(machine, global, "Color", prototype, [](NativeCall& call) {
        if (call.Constructing && call.This)
            call.This->Put("target", call.Argument(0), DontEnum);
        return Value::FromObject(call.This);
    });
    DefineMethod(machine, prototype, "setRGB", ColourMethod([](NativeCall& call, PlacedObject& placed) {
                     ColourTransform colours = placed.Colours;
                     SetRgb(colours, static_cast<uint32_t>(ToInt32(call.Machine.ToNumber(call.Argument(0)))));
                     SetClipColours(placed, colours);
                     return Value();
                 }));
    DefineMethod(machine, prototype, "getRGB", ColourMethod([](NativeCall&, PlacedObject& placed) {
                     return Value::FromNumber(RgbOf(placed.Colours));
                 }));
    // Percentages (ra) and offsets (rb) per channel.
    static const char* const percentNames[] = {"ra", "ga", "ba", "aa"};
    static const char* const offsetNames[] = {"rb", "gb", "bb", "ab"};
    DefineMethod(machine, prototype, "setTransform", ColourMethod([](NativeCall& call, PlacedObject& placed) {
                     ColourTransform colours = placed.Colours;
                     for (int i = 0; i < 4; ++i) {
                         colours.Mul[i] = NumberOf(call.Machine, call.Argument(0), percentNames[i],
                                                   colours.Mul[i] * 100) / 100;
                         colours.Add[i] = NumberOf(call.Machine, call.Argument(0), offsetNames[i], colours.Add[i]);
                     }
                     SetClipColours(placed, colours);
                     return Value();
                 }));
    DefineMethod(machine, prototype, "getTransform", ColourMethod([](NativeCall& call, PlacedObject& placed) {
                     ScriptObject* object = call.Machine.NewObject();
                     for (int i = 0; i < 4; ++i) {
                         object->Put(percentNames[i], Value::FromNumber(placed.Colours.Mul[i] * 100));
                         object->Put(offsetNames[i], Value::FromNumber(placed.Colours.Add[i]));
                     }
                     return Value::FromObject(object);
                 }));
}

// This matrix object's methods work on its own a..ty.
template <class Body>
NativeFunction MatrixMethod(Body body)
{
    return [body](NativeCall& call) -> Value {
        if (!call.This)
            return Value();
        Matrix m = MatrixOf(call.Machine, Value::FromObject(call.This));
        Value result = body(call, m);
        PutMatrix(call.This, m);
        return result;
    };
}

Matrix BoxMatrix(double sx, double sy, double rotation, double tx, double ty)
{
    double c = std::cos(rotation), s = std::sin(rotation);
    return {c * sx, s * sy, -s * sx, c * sy, tx, ty};
}

void InstallMatrix(ActionMachine& machine, ScriptObject* geom)
{
    ScriptObject* prototype = machine.NewObject();
    Constructor(machine, geom, "Matrix", prototype, [](NativeCall& call) {
        if (call.Constructing && call.This)
            PutMatrix(call.This, {ArgumentOr(call, 0, 1), ArgumentOr(call, 1, 0), ArgumentOr(call, 2, 0),
                                  ArgumentOr(call, 3, 1), ArgumentOr(call, 4, 0), ArgumentOr(call, 5, 0)});
        return Value::FromObject(call.This);
    });
    auto define = [&](const char* name, NativeFunction function) {
        DefineMethod(machine, prototype, name, std::move(function));
    };
    define("identity", MatrixMethod([](NativeCall&, Matrix& m) { return m = Matrix(), Value(); }));
    define("translate", MatrixMethod([](NativeCall& call, Matrix& m) {
               m.Tx += ArgumentOr(call, 0, 0), m.Ty += ArgumentOr(call, 1, 0);
               return Value();
           }));
    define("scale", MatrixMethod([](NativeCall& call, Matrix& m) {
               m = Matrix::Scale(ArgumentOr(call, 0, 1), ArgumentOr(call, 1, 1)).Then(m);
               return Value();
           }));
    define("rotate", MatrixMethod([](NativeCall& call, Matrix& m) {
               m = BoxMatrix(1, 1, ArgumentOr(call, 0, 0), 0, 0).Then(m);
               return Value();
           }));
    define("concat", MatrixMethod([](NativeCall& call, Matrix& m) {
               m = MatrixOf(call.Machine, call.Argument(0)).Then(m);
               return Value();
           }));
    define("createBox", MatrixMethod([](NativeCall& call, Matrix& m) {
               m = BoxMatrix(ArgumentOr(call, 0, 1), ArgumentOr(call, 1, 1), ArgumentOr(call, 2, 0), ArgumentOr(call, 3, 0),
                       ArgumentOr(call, 4, 0));
               return Value();
           }));
    define("createGradientBox", MatrixMethod([](NativeCall& call, Matrix& m) {
               // The gradient square is 1638.4 pixels wide.
               double w = ArgumentOr(call, 0, 0), h = ArgumentOr(call, 1, 0);
               m = BoxMatrix(w / 1638.4, h / 1638.4, ArgumentOr(call, 2, 0), ArgumentOr(call, 3, 0) + w / 2,
                       ArgumentOr(call, 4, 0) + h / 2);
               return Value();
           }));
    define("invert", MatrixMethod([](NativeCall&, Matrix& m) { return m = m.Inverse(), Value(); }));
    define("clone", MatrixMethod([](NativeCall& call, Matrix& m) { return NewMatrix(call.Machine, m); }));
    define("transformPoint", MatrixMethod([](NativeCall& call, Matrix& m) {
               Point p = m.Apply({NumberOf(call.Machine, call.Argument(0), "x", 0),
                                  NumberOf(call.Machine, call.Argument(0), "y", 0)});
               ScriptObject* point = call.Machine.NewObject(PrototypeOf(call.Machine, "geom", "Point"));
               point->Put("x", Value::FromNumber(p.X));
               point->Put("y", Value::FromNumber(p.Y));
               return Value::FromObject(point);
           }));
}

// Plain classes of numbered members: Point and Rectangle.
void InstallPlain(ActionMachine& machine, ScriptObject* geom, const char* name,
                  std::initializer_list<const char*> members)
{
    ScriptObject* prototype = machine.NewObject();
    std::vector<const char*> names(members);
    Constructor(machine, geom, name, prototype, [names](NativeCall& call) {
        if (call.Constructing && call.This)
            for (size_t i = 0; i < names.size(); ++i)
                call.This->Put(names[i], Value::FromNumber(ArgumentOr(call, i, 0)));
        return Value::FromObject(call.This);
    });
    DefineMethod(machine, prototype, "clone", [names](NativeCall& call) {
        if (!call.This)
            return Value();
        ScriptObject* copy = call.Machine.NewObject(call.This->Prototype);
        for (const char* member : names)
            copy->Put(member, call.Machine.GetMember(Value::FromObject(call.This), member));
        return Value::FromObject(copy);
    });
}

void InstallColourTransform(ActionMachine& machine, ScriptObject* geom)
{
    ScriptObject* prototype = machine.NewObject();
    Constructor(machine, geom, "ColorTransform", prototype, [](NativeCall& call) {
        ColourTransform colours;
        for (int i = 0; i < 4; ++i) {
            colours.Mul[i] = ArgumentOr(call, static_cast<size_t>(i), 1);
            colours.Add[i] = ArgumentOr(call, static_cast<size_t>(4 + i), 0);
        }
        // A new object of its own, for the rgb it answers.
        return Value::FromObject(NewColourTransform(call.Machine, colours));
    });
    ScriptObject* transform = machine.NewObject();
    Constructor(machine, geom, "Transform", transform, [](NativeCall& call) {
        const Value& clip = call.Argument(0);
        return NewTransform(call.Machine, clip.IsObject() && clip.Object->Clip ? clip.Object : nullptr);
    });
}

}

Matrix MatrixOf(ActionMachine& machine, const Value& object)
{
    return {NumberOf(machine, object, "a", 1), NumberOf(machine, object, "b", 0), NumberOf(machine, object, "c", 0),
            NumberOf(machine, object, "d", 1), NumberOf(machine, object, "tx", 0), NumberOf(machine, object, "ty", 0)};
}

ScriptObject* PackageObject(ActionMachine& machine, ScriptObject* global, std::initializer_list<const char*> path)
{
    ScriptObject* holder = global;
    for (const char* name : path) {
        Value found = machine.GetMember(Value::FromObject(holder), name);
        if (!found.IsObject()) {
            found = Value::FromObject(machine.NewObject());
            holder->Put(name, found, DontEnum);
        }
        holder = found.Object;
    }
    return holder;
}

bool GetClipEffect(ActionMachine& machine, ScriptObject* clip, const std::string& name, Value& value)
{
    if (!Named(machine, name, "transform"))
        return false;
    value = NewTransform(machine, clip);
    return true;
}

void ApplyClipEffect(ActionMachine& machine, ScriptObject* clip, const std::string& name, const Value& value)
{
    PlacedObject* placed = PlacedOf(clip);
    if (!placed)
        return;
    if (Named(machine, name, "transform") && value.IsObject()) {
        Value matrix = machine.GetMember(value, "matrix");
        if (matrix.IsObject())
            SetClipMatrix(*placed, MatrixOf(machine, matrix));
        Value colours = machine.GetMember(value, "colorTransform");
        if (colours.IsObject())
            SetClipColours(*placed, ColoursOf(machine, colours));
    } else if (Named(machine, name, "filters")) {
        placed->Filters = ScriptFilters(machine, value);
    } else if (Named(machine, name, "blendMode")) {
        uint8_t mode = 1;
        if (value.IsString()) {
            for (uint8_t i = 0; i < std::size(BlendNames); ++i)
                if (value.Text() == BlendNames[i])
                    mode = static_cast<uint8_t>(i + 1);
        } else {
            double number = machine.ToNumber(value);
            mode = std::isfinite(number) ? static_cast<uint8_t>(std::clamp(number, 0.0, 255.0)) : 1;
        }
        placed->Blend = ToBlendMode(mode);
    } else if (Named(machine, name, "scrollRect")) {
        placed->ScrollRect.reset();
        if (value.IsObject()) {
            double x = NumberOf(machine, value, "x", 0), y = NumberOf(machine, value, "y", 0);
            double w = NumberOf(machine, value, "width", 0), h = NumberOf(machine, value, "height", 0);
            placed->ScrollRect = {x * Twips, y * Twips, (x + w) * Twips, (y + h) * Twips};
        }
    }
}

void InstallGeometry(ActionMachine& machine, ScriptObject* global)
{
    InstallColour(machine, global);
    ScriptObject* geom = PackageObject(machine, global, {"flash", "geom"});
    InstallMatrix(machine, geom);
    InstallPlain(machine, geom, "Point", {"x", "y"});
    InstallPlain(machine, geom, "Rectangle", {"x", "y", "width", "height"});
    InstallColourTransform(machine, geom);
    InstallFilterClasses(machine, global);
}

}
