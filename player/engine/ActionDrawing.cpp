#include "ActionDrawing.h"

#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionGeometry.h"
#include "ActionMachine.h"
#include "DisplayList.h"

namespace tvmplayer {
namespace {

constexpr double Twips = 20;

// The clip's drawing, made on first use; null for a clip no longer on the stage.
ShapeRecords* DrawingOf(ScriptObject* clip)
{
    PlacedObject* placed = clip->Clip ? clip->Clip->Placed() : nullptr;
    if (!placed)
        return nullptr;
    if (!placed->Drawing)
        placed->Drawing = std::make_shared<ShapeRecords>();
    return placed->Drawing.get();
}

// rgb as 0xRRGGBB and alpha in percent, 100 when not given.
Colour ArgbOf(ActionMachine& machine, const Value& rgb, const Value& alpha)
{
    double percent = alpha.IsUndefined() ? 100 : machine.ToNumber(alpha);
    if (!std::isfinite(percent))
        percent = 100;
    auto a = static_cast<uint32_t>(std::lround(std::clamp(percent, 0.0, 100.0) * 2.55));
    return a << 24 | (static_cast<uint32_t>(ToInt32(machine.ToNumber(rgb))) & 0xFFFFFF);
}

double Coordinate(ActionMachine& machine, const Value& value)
{
    double number = machine.ToNumber(value);
    return std::isfinite(number) ? std::clamp(number, -1e7, 1e7) * Twips : 0;
}

void AddEdge(ActionMachine& machine, ScriptObject* clip, Point control, Point to, bool curve, bool lined = true)
{
    ShapeRecords* drawing = DrawingOf(clip);
    ClipState& pen = *clip->Clip;
    if (!drawing || drawing->Edges.size() >= MaxShapeEdges)
        return;
    machine.Allocate(sizeof(Edge));
    Edge edge;
    edge.From = pen.PenAt;
    edge.Control = curve ? control : Point{(pen.PenAt.X + to.X) / 2, (pen.PenAt.Y + to.Y) / 2};
    edge.To = to;
    edge.Curve = curve;
    edge.Fill1 = pen.PenFill;
    edge.Line = lined ? pen.PenLine : 0;
    edge.Layer = drawing->Layers - 1;
    if (edge.Fill1 || edge.Line)
        drawing->Edges.push_back(edge);
    pen.PenAt = to;
}

// An open fill is closed back to where it began, without a line.
void CloseFill(ActionMachine& machine, ScriptObject* clip)
{
    ClipState& pen = *clip->Clip;
    if (pen.PenFill && !(pen.PenAt == pen.FillFrom))
        AddEdge(machine, clip, {}, pen.FillFrom, false, false);
}

void EndFill(ActionMachine& machine, ScriptObject* clip)
{
    CloseFill(machine, clip);
    clip->Clip->PenFill = 0;
}

// A fill begins a layer of its own, above what was drawn before.
void BeginFill(ActionMachine& machine, ScriptObject* clip, FillStyle fill)
{
    EndFill(machine, clip);
    ShapeRecords* drawing = DrawingOf(clip);
    if (!drawing || drawing->Fills.size() >= MaxShapeEdges)
        return;
    machine.Allocate(sizeof(FillStyle) + fill.Stops.size() * sizeof(GradientStop));
    if (!drawing->Edges.empty())
        ++drawing->Layers;
    drawing->Fills.push_back(std::move(fill));
    ClipState& pen = *clip->Clip;
    pen.PenFill = static_cast<uint32_t>(drawing->Fills.size());
    pen.FillFrom = pen.PenAt;
}

// The gradient square's place: a matrix {a, b, c, d, tx, ty} in pixels or a
// box {matrixType: "box", x, y, w, h, r}.
Matrix GradientMatrix(ActionMachine& machine, const Value& given)
{
    if (machine.ToString(machine.GetMember(given, "matrixType")) != "box") {
        Matrix matrix = MatrixOf(machine, given);
        matrix.Tx *= Twips;
        matrix.Ty *= Twips;
        return matrix;
    }
    auto member = [&](const char* name) {
        double number = machine.ToNumber(machine.GetMember(given, name));
        return std::isfinite(number) ? number : 0;
    };
    // The gradient square is 32768 twips wide, 1638.4 pixels.
    constexpr double Square = 1638.4;
    double w = member("w"), h = member("h"), r = member("r");
    return {w / Square * std::cos(r), w / Square * std::sin(r), -h / Square * std::sin(r),
            h / Square * std::cos(r), (member("x") + w / 2) * Twips, (member("y") + h / 2) * Twips};
}

Value ElementOf(ActionMachine& machine, const Value& array, size_t index)
{
    return machine.GetMember(array, std::to_string(index));
}

FillStyle GradientFill(ActionMachine& machine, NativeCall& call)
{
    FillStyle fill;
    fill.Kind = machine.ToString(call.Argument(0)) == "radial" ? FillKind::Radial : FillKind::Linear;
    const Value &colours = call.Argument(1), &alphas = call.Argument(2), &ratios = call.Argument(3);
    double count = machine.ToNumber(machine.GetMember(colours, "length"));
    // Fifteen stops, as the format keeps.
    size_t stops = std::isfinite(count) ? static_cast<size_t>(std::clamp(count, 0.0, 15.0)) : 0;
    for (size_t i = 0; i < stops; ++i) {
        double ratio = machine.ToNumber(ElementOf(machine, ratios, i));
        GradientStop stop;
        stop.Offset = std::isfinite(ratio) ? std::clamp(ratio, 0.0, 255.0) / 255 : 0;
        stop.Argb = ArgbOf(machine, ElementOf(machine, colours, i), ElementOf(machine, alphas, i));
        fill.Stops.push_back(stop);
    }
    fill.Transform = GradientMatrix(machine, call.Argument(4));
    std::string spread = machine.ToString(call.Argument(5));
    fill.SpreadMode = spread == "reflect" ? Spread::Reflect : spread == "repeat" ? Spread::Repeat : Spread::Pad;
    // The interpolation (argument 6) is always in sRGB, as for the movie's shapes.
    double focal = machine.ToNumber(call.Argument(7));
    fill.Focal = std::isfinite(focal) ? std::clamp(focal, -1.0, 1.0) : 0;
    if (fill.Stops.empty())
        fill.Stops.push_back({0, 0});
    return fill;
}

template <class Body>
NativeFunction Drawing(Body body)
{
    return [body](NativeCall& call) -> Value {
        if (call.This && call.This->Clip)
            body(call.Machine, call, call.This);
        return Value();
    };
}

}

void InstallDrawingMethods(ActionMachine& machine, ScriptObject* prototype)
{
    auto define = [&](const char* name, NativeFunction function) {
        DefineMethod(machine, prototype, name, std::move(function));
    };
    define("lineStyle", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               ClipState& pen = *clip->Clip;
               double thickness = machine.ToNumber(call.Argument(0));
               ShapeRecords* drawing = DrawingOf(clip);
               if (!drawing || std::isnan(thickness) || drawing->Lines.size() >= MaxShapeEdges) {
                   pen.PenLine = 0;
                   return;
               }
               machine.Allocate(sizeof(LineStyle));
               LineStyle line;
               line.Width = std::clamp(thickness, 0.0, 255.0) * Twips;
               line.Fill.Argb = ArgbOf(machine, call.Argument(1), call.Argument(2));
               drawing->Lines.push_back(line);
               pen.PenLine = static_cast<uint32_t>(drawing->Lines.size());
           }));
    define("lineGradientStyle", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               // The line style in force strokes with the gradient from now on;
               // what it drew keeps its colour.
               ClipState& pen = *clip->Clip;
               ShapeRecords* drawing = DrawingOf(clip);
               if (!drawing || pen.PenLine == 0 || drawing->Lines.size() >= MaxShapeEdges)
                   return;
               LineStyle line = drawing->Lines[pen.PenLine - 1];
               line.Fill = GradientFill(machine, call);
               machine.Allocate(sizeof(LineStyle) + line.Fill.Stops.size() * sizeof(GradientStop));
               drawing->Lines.push_back(std::move(line));
               pen.PenLine = static_cast<uint32_t>(drawing->Lines.size());
           }));
    define("beginFill", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               if (call.Argument(0).IsUndefined()) {
                   EndFill(machine, clip);
                   return;
               }
               FillStyle fill;
               fill.Argb = ArgbOf(machine, call.Argument(0), call.Argument(1));
               BeginFill(machine, clip, std::move(fill));
           }));
    define("beginGradientFill", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               BeginFill(machine, clip, GradientFill(machine, call));
           }));
    define("beginBitmapFill", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               const Value& bitmap = call.Argument(0);
               if (!bitmap.IsObject() || !bitmap.Object->Image) {
                   EndFill(machine, clip);
                   return;
               }
               FillStyle fill;
               fill.Kind = FillKind::Bitmap;
               fill.Image = bitmap.Object->Image;
               // Bitmap pixels to the clip's twips.
               fill.Transform = Matrix::Scale(Twips, Twips).Then(MatrixOf(machine, call.Argument(1)));
               fill.Repeat = call.Argument(2).IsUndefined() || ToBoolean(call.Argument(2), machine.Version());
               fill.Smooth = ToBoolean(call.Argument(3), machine.Version());
               BeginFill(machine, clip, std::move(fill));
           }));
    define("endFill", Drawing([](ActionMachine& machine, NativeCall&, ScriptObject* clip) { EndFill(machine, clip); }));
    define("moveTo", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               // A fill goes on in a contour of its own.
               CloseFill(machine, clip);
               ClipState& pen = *clip->Clip;
               pen.PenAt = pen.FillFrom = {Coordinate(machine, call.Argument(0)), Coordinate(machine, call.Argument(1))};
           }));
    define("lineTo", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               AddEdge(machine, clip, {}, {Coordinate(machine, call.Argument(0)), Coordinate(machine, call.Argument(1))},
                       false);
           }));
    define("curveTo", Drawing([](ActionMachine& machine, NativeCall& call, ScriptObject* clip) {
               Point control{Coordinate(machine, call.Argument(0)), Coordinate(machine, call.Argument(1))};
               AddEdge(machine, clip, control,
                       {Coordinate(machine, call.Argument(2)), Coordinate(machine, call.Argument(3))}, true);
           }));
    define("clear", Drawing([](ActionMachine&, NativeCall&, ScriptObject* clip) {
               if (PlacedObject* placed = clip->Clip->Placed())
                   placed->Drawing.reset();
               ClipState& pen = *clip->Clip;
               pen.PenAt = pen.FillFrom = {};
               pen.PenFill = pen.PenLine = 0;
           }));
}

}
