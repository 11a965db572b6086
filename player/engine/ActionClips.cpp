#include "ActionClips.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionMachine.h"
#include "DisplayList.h"
#include "Movie.h"
#include "Timeline.h"

namespace tvmplayer {
namespace {

// In the order of GetProperty's numbers.
constexpr std::array<const char*, 22> PropertyNames = {
    "_x",        "_y",     "_xscale",      "_yscale",     "_currentframe", "_totalframes",
    "_alpha",    "_visible", "_width",     "_height",     "_rotation",     "_target",
    "_framesloaded", "_name", "_droptarget", "_url",      "_highquality",  "_focusrect",
    "_soundbuftime", "_quality", "_xmouse", "_ymouse",
};

bool SameName(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && !b[i];
}

int PropertyIndex(const std::string& name)
{
    if (name.empty() || name[0] != '_')
        return -1;
    for (size_t i = 0; i < PropertyNames.size(); ++i)
        if (SameName(name, PropertyNames[i]))
            return static_cast<int>(i);
    return SameName(name, "_parent") ? 100 : -1;
}

// The clip's slash path: "/" for the root, "/a/b" below it.
std::string SlashPath(ScriptObject* clip)
{
    std::string path;
    for (int i = 0; clip && clip->Clip && clip->Clip->Parent && i < ActionMachine::MaxCallDepth; ++i) {
        path = "/" + clip->Clip->Name + path;
        clip = clip->Clip->Parent;
    }
    return path.empty() ? "/" : path;
}

ScriptObject* ClipOf(NativeCall& call)
{
    return call.This && call.This->Clip ? call.This : nullptr;
}

// A clip method that takes the clip and the call.
template <class Body>
NativeFunction Method(Body body)
{
    return [body](NativeCall& call) -> Value {
        ScriptObject* clip = ClipOf(call);
        return clip ? body(call, clip) : Value();
    };
}

void CopyInitObject(ActionMachine& machine, ScriptObject* clip, const Value& init)
{
    if (!clip || !init.IsObject())
        return;
    for (const std::string& name : init.Object->Names())
        machine.SetMember(Value::FromObject(clip), name, machine.GetMember(init, name));
}

constexpr double Pi = 3.14159265358979323846;

// Scale and rotation as scripts see them: taken from the matrix until a
// script sets them, kept as set from then on.
void TakeOver(PlacedObject& object)
{
    if (object.Scripted)
        return;
    const Matrix& m = object.Transform;
    object.XScale = std::hypot(m.A, m.B) * 100;
    object.YScale = std::hypot(m.C, m.D) * 100 * (m.Determinant() < 0 ? -1 : 1);
    object.Rotation = std::atan2(m.B, m.A) * 180 / Pi;
    object.Scripted = true;
}

void Recompose(PlacedObject& object)
{
    double angle = object.Rotation * Pi / 180, sx = object.XScale / 100, sy = object.YScale / 100;
    object.Transform.A = sx * std::cos(angle);
    object.Transform.B = sx * std::sin(angle);
    object.Transform.C = -sy * std::sin(angle);
    object.Transform.D = sy * std::cos(angle);
}

double ScaleOrRotation(const PlacedObject& object, int index)
{
    if (object.Scripted)
        return index == 2 ? object.XScale : index == 3 ? object.YScale : object.Rotation;
    const Matrix& m = object.Transform;
    if (index == 2)
        return std::hypot(m.A, m.B) * 100;
    if (index == 3)
        return std::hypot(m.C, m.D) * 100 * (m.Determinant() < 0 ? -1 : 1);
    return std::atan2(m.B, m.A) * 180 / Pi;
}

ScriptObject* Made(ActionMachine& machine, PlacedObject* object)
{
    machine.Allocate(ClipBytes);
    return object ? machine.ClipObject(object->Link) : nullptr;
}

// What a clip covers on the stage, in twips.
std::optional<Box> StageBounds(ActionMachine& machine, ScriptObject* clip)
{
    PlacedObject* placed = clip->Clip ? clip->Clip->Placed() : nullptr;
    std::optional<Box> box = placed ? ContentBounds(*machine.CurrentMovie().Characters, *placed) : std::nullopt;
    if (box)
        box = Transformed(*box, StageMatrix(*clip->Clip->Link));
    return box;
}

bool Exported(const Movie& movie, uint16_t id)
{
    for (const auto& [name, exported] : movie.Exports)
        if (exported == id)
            return true;
    return false;
}

void RunEvent(ActionMachine& machine, const StageEvent& event)
{
    if (event.Event == 0) {
        // A clip removed before its frame's turn runs nothing of it.
        PlacedObject* placed = event.Clip->Object;
        if (!placed || !placed->Children)
            return;
        std::span<const Frame> frames = placed->Children->FrameData();
        ScriptObject* clip = machine.ClipObject(event.Clip);
        std::shared_ptr<const Movie> source = LoadedSource(*event.Clip);
        if (event.Frame < frames.size())
            for (const std::vector<uint8_t>& block : frames[event.Frame].Actions) machine.RunBlock(block, clip, source);
        return;
    }
    bool acts = false;
    if (event.Actions)
        for (const ClipAction& action : *event.Actions) acts = acts || (action.Events & event.Event);
    // A clip scripts never met has no handler of its own, unless its symbol
    // may have a class.
    ScriptObject* clip = event.Clip->Script;
    PlacedObject* placed = event.Clip->Object;
    if (!clip && (acts || (placed && placed->Id && Exported(machine.CurrentMovie(), placed->Id))))
        clip = machine.ClipObject(event.Clip);
    if (!clip)
        return;
    if (acts)
        for (const ClipAction& action : *event.Actions)
            if (action.Events & event.Event)
                machine.RunBlock(action.Code, clip, LoadedSource(*event.Clip));
    const char* method = event.Event == ClipLoad     ? "onLoad"
                         : event.Event == ClipUnload ? "onUnload"
                         : event.Event == ClipData   ? "onData"
                                                     : nullptr;
    Property* handler = method ? clip->Lookup(method) : nullptr;
    if (handler && handler->Content.IsObject() && handler->Content.Object->IsFunction())
        machine.CallFromOutside(handler->Content, clip, {});
}

}

std::optional<uint16_t> ExportedId(const Movie& movie, const std::string& name)
{
    auto found = movie.Exports.find(name);
    if (found != movie.Exports.end())
        return found->second;
    for (const auto& [exported, id] : movie.Exports)
        if (exported.size() == name.size() && SameName(name, exported.c_str()))
            return id;
    return std::nullopt;
}

int32_t ListDepth(double depth)
{
    if (std::isnan(depth))
        depth = 0;
    return static_cast<int32_t>(std::clamp(ToInteger(depth), double(-ScriptDepthBase), double(MaxScriptDepth)))
         + ScriptDepthBase;
}

std::string ClipPropertyName(int index)
{
    return index >= 0 && index < static_cast<int>(PropertyNames.size()) ? PropertyNames[static_cast<size_t>(index)]
                                                                        : std::string();
}

bool IsClipProperty(const std::string& name)
{
    return PropertyIndex(name) >= 0;
}

bool GetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, Value& value)
{
    int index = PropertyIndex(name);
    if (index < 0 || !clip->Clip)
        return false;
    ClipState& state = *clip->Clip;
    PlacedObject* placed = state.Placed();
    Timeline* frames = state.Frames();
    auto number = [&](double n) { value = Value::FromNumber(n); };
    // A removed clip keeps only its name and place in the tree; a text
    // field has no frames.
    bool timed = index == 4 || index == 5 || index == 12;
    if ((!placed || (timed && !frames)) && index != 11 && index != 13 && index != 100) {
        value = Value();
        return true;
    }
    switch (index) {
    case 0: number(placed->Transform.Tx / 20); break;
    case 1: number(placed->Transform.Ty / 20); break;
    case 2:
    case 3:
    case 10: number(ScaleOrRotation(*placed, index)); break;
    case 4: number(static_cast<double>(frames->Current() + 1)); break;
    case 5:
    case 12: number(static_cast<double>(frames->FrameCount())); break;
    case 6: number(placed->Colours.Mul[3] * 100); break;
    case 7: value = machine.Version() < 5 ? Value::FromNumber(placed->Visible) : Value::Boolean(placed->Visible); break;
    case 8:
    case 9: {
        std::optional<Box> bounds = ObjectBounds(*machine.CurrentMovie().Characters, *placed);
        number(bounds ? (index == 8 ? bounds->XMax - bounds->XMin : bounds->YMax - bounds->YMin) / 20 : 0);
        break;
    }
    case 11: value = Value::FromString(SlashPath(clip)); break;
    case 13: value = Value::FromString(state.Parent ? state.Name : ""); break;
    case 14:
    case 15: value = Value::FromString(""); break;
    case 16:
    case 17: number(1); break;
    case 18: number(5); break;
    case 19: value = Value::FromString("HIGH"); break;
    case 20:
    case 21: number(0); break;
    default: value = state.Parent ? Value::FromObject(state.Parent) : Value(); break;
    }
    return true;
}

bool SetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, const Value& value)
{
    int index = PropertyIndex(name);
    if (index < 0 || !clip->Clip)
        return false;
    ClipState& state = *clip->Clip;
    PlacedObject* placed = state.Placed();
    if (!placed)
        return true;
    double number = machine.ToNumber(value);
    bool finite = std::isfinite(number);
    // What a script sets, the timeline leaves alone from then on.
    bool moves = finite && (index <= 3 || index == 6 || index == 8 || index == 9 || index == 10);
    if (moves)
        TakeOver(*placed);
    switch (index) {
    case 0: if (finite) placed->Transform.Tx = number * 20; break;
    case 1: if (finite) placed->Transform.Ty = number * 20; break;
    case 2: if (finite) placed->XScale = number, Recompose(*placed); break;
    case 3: if (finite) placed->YScale = number, Recompose(*placed); break;
    case 6: if (finite) placed->Colours.Mul[3] = number / 100; break;
    case 7: placed->Visible = ToBoolean(value, machine.Version()) || (value.IsString() && number != 0); break;
    case 8:
    case 9:
        if (finite && number >= 0) {
            std::optional<Box> bounds = ObjectBounds(*machine.CurrentMovie().Characters, *placed);
            double now = bounds ? (index == 8 ? bounds->XMax - bounds->XMin : bounds->YMax - bounds->YMin) / 20 : 0;
            double& scale = index == 8 ? placed->XScale : placed->YScale;
            if (now > 0) {
                scale = scale * number / now;
                Recompose(*placed);
            }
        }
        break;
    case 10:
        if (finite) {
            // Kept between -180 and 180, as the player reports it.
            double r = std::fmod(number, 360.0);
            placed->Rotation = r > 180 ? r - 360 : r < -180 ? r + 360 : r;
            Recompose(*placed);
        }
        break;
    case 13:
        state.Name = placed->Name = machine.ToString(value);
        break;
    default:
        // The others only read.
        break;
    }
    return true;
}

ScriptObject* DuplicateClip(ActionMachine& machine, ScriptObject* source, const std::string& name, double depth)
{
    PlacedObject* placed = source->Clip ? source->Clip->Placed() : nullptr;
    ScriptObject* parent = source->Clip ? source->Clip->Parent : nullptr;
    DisplayList* list = parent && parent->Clip ? parent->Clip->List() : nullptr;
    if (!placed || !list)
        return nullptr;
    return Made(machine, list->Duplicate(*placed, ListDepth(depth - ScriptDepthBase), name));
}

void RemoveClip(ActionMachine&, ScriptObject* clip)
{
    PlacedObject* placed = clip->Clip ? clip->Clip->Placed() : nullptr;
    ScriptObject* parent = clip->Clip ? clip->Clip->Parent : nullptr;
    DisplayList* list = parent && parent->Clip ? parent->Clip->List() : nullptr;
    // What the timeline placed stays until a script moved it to its own depths.
    if (placed && list && placed->Depth >= ScriptDepthBase)
        list->Remove(placed->Depth);
}

void RunStageEvents(ActionMachine& machine, std::vector<StageEvent>& events)
{
    // Scripts raise more as they run; a flood of them is a loop, cut off.
    constexpr size_t MaxEventsAtOnce = 1u << 16;
    for (size_t i = 0; i < events.size() && i < MaxEventsAtOnce; ++i) {
        StageEvent event = events[i];
        RunEvent(machine, event);
    }
    events.clear();
}

bool RunEnterFrame(ActionMachine& machine)
{
    bool ran = false;
    // A list taken first: handlers may make and remove clips.
    std::vector<std::shared_ptr<ClipLink>> links;
    constexpr size_t MaxClips = 10000;
    auto collect = [&](const std::shared_ptr<ClipLink>& level) {
        links.push_back(level);
        if (level->Object && level->Object->Children)
            CollectLinks(*level->Object->Children, links, MaxClips);
    };
    collect(machine.Root()->Clip->Link);
    for (const auto& [number, level] : machine.Loads.Levels) collect(level);
    for (const std::shared_ptr<ClipLink>& link : links) {
        PlacedObject* placed = link->Object;
        if (!placed)
            continue;
        if (std::shared_ptr<const std::vector<ClipAction>> actions = placed->ClipActions) {
            RunEvent(machine, {link, 0, ClipEnterFrame, actions});
            ran = true;
        }
        ScriptObject* clip = link->Script;
        Property* handler = clip && !clip->Clip->Removed() ? clip->Lookup("onEnterFrame") : nullptr;
        if (handler && handler->Content.IsObject() && handler->Content.Object->IsFunction()) {
            machine.CallFromOutside(handler->Content, clip, {});
            ran = true;
        }
    }
    return ran;
}

void InstallClipMethods(ActionMachine& machine, ScriptObject* prototype)
{
    auto define = [&](const char* name, NativeFunction function) {
        DefineMethod(machine, prototype, name, std::move(function));
    };
    // Each acts on the clip's own timeline, if it is still on the stage.
    auto onFrames = [&](const char* name, void (Timeline::*action)()) {
        define(name, Method([action](NativeCall&, ScriptObject* clip) {
                   if (Timeline* frames = clip->Clip->Frames())
                       (frames->*action)();
                   return Value();
               }));
    };
    onFrames("play", &Timeline::Play);
    onFrames("stop", &Timeline::Stop);
    onFrames("nextFrame", &Timeline::NextFrame);
    onFrames("prevFrame", &Timeline::PreviousFrame);
    define("gotoAndPlay", Method([](NativeCall& call, ScriptObject* clip) {
               call.Machine.Goto(clip, call.Argument(0), true);
               return Value();
           }));
    define("gotoAndStop", Method([](NativeCall& call, ScriptObject* clip) {
               call.Machine.Goto(clip, call.Argument(0), false);
               return Value();
           }));
    auto bytes = Method([](NativeCall&, ScriptObject* clip) {
        const Movie* movie = clip->Clip->Source;
        return Value::FromNumber(movie ? movie->FileLength : 0);
    });
    define("getBytesLoaded", bytes);
    define("getBytesTotal", bytes);
    define("getDepth", Method([](NativeCall&, ScriptObject* clip) {
               PlacedObject* placed = clip->Clip->Placed();
               return placed ? Value::FromNumber(placed->Depth - ScriptDepthBase) : Value();
           }));
    define("getNextHighestDepth", Method([](NativeCall&, ScriptObject* clip) {
               DisplayList* list = clip->Clip->List();
               if (!list)
                   return Value();
               int32_t highest = -1;
               if (!list->Objects().empty())
                   highest = std::max(highest, list->Objects().rbegin()->first - ScriptDepthBase);
               return Value::FromNumber(highest + 1);
           }));
    define("createEmptyMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               DisplayList* list = clip->Clip->List();
               if (!list)
                   return Value();
               std::string name = call.Machine.ToString(call.Argument(0));
               int32_t depth = ListDepth(call.Machine.ToNumber(call.Argument(1)));
               return Value::FromObject(Made(call.Machine, list->AddClip(0, depth, name)));
           }));
    define("attachMovie", Method([](NativeCall& call, ScriptObject* clip) {
               DisplayList* list = clip->Clip->List();
               std::optional<uint16_t> id = ExportedId(call.Machine.CurrentMovie(), call.Machine.ToString(call.Argument(0)));
               if (!list || !id)
                   return Value();
               std::string name = call.Machine.ToString(call.Argument(1));
               int32_t depth = ListDepth(call.Machine.ToNumber(call.Argument(2)));
               ScriptObject* attached = Made(call.Machine, list->AddClip(*id, depth, name));
               CopyInitObject(call.Machine, attached, call.Argument(3));
               return attached ? Value::FromObject(attached) : Value();
           }));
    define("duplicateMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               std::string name = call.Machine.ToString(call.Argument(0));
               double depth = call.Machine.ToNumber(call.Argument(1));
               ScriptObject* copy = DuplicateClip(call.Machine, clip, name, (std::isnan(depth) ? 0 : depth) + ScriptDepthBase);
               CopyInitObject(call.Machine, copy, call.Argument(2));
               return copy ? Value::FromObject(copy) : Value();
           }));
    define("removeMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               RemoveClip(call.Machine, clip);
               return Value();
           }));
    define("swapDepths", Method([](NativeCall& call, ScriptObject* clip) {
               PlacedObject* placed = clip->Clip->Placed();
               ScriptObject* parent = clip->Clip->Parent;
               DisplayList* list = parent && parent->Clip ? parent->Clip->List() : nullptr;
               if (!placed || !list)
                   return Value();
               const Value& with = call.Argument(0);
               int32_t depth = 0;
               if (with.IsObject() && with.Object->Clip) {
                   PlacedObject* other = with.Object->Clip->Placed();
                   if (!other || with.Object->Clip->Parent != parent)
                       return Value();
                   depth = other->Depth;
               } else {
                   depth = ListDepth(call.Machine.ToNumber(with));
               }
               // Swapped, a clip is the scripts' to move.
               TakeOver(*placed);
               list->Swap(placed->Depth, depth);
               return Value();
           }));
    define("setMask", Method([](NativeCall& call, ScriptObject* clip) {
               PlacedObject* placed = clip->Clip->Placed();
               if (!placed)
                   return Value();
               if (std::shared_ptr<ClipLink> old = placed->Mask.lock(); old && old->Object)
                   old->Object->IsMask = false;
               placed->Mask.reset();
               const Value& mask = call.Argument(0);
               PlacedObject* masking = mask.IsObject() && mask.Object->Clip ? mask.Object->Clip->Placed() : nullptr;
               if (masking && masking != placed) {
                   placed->Mask = mask.Object->Clip->Link;
                   masking->IsMask = true;
               }
               return Value::Boolean(true);
           }));
    define("getBounds", Method([](NativeCall& call, ScriptObject* clip) {
               PlacedObject* placed = clip->Clip->Placed();
               if (!placed)
                   return Value();
               // Into the space of the clip asked for, the clip's own by default.
               const Value& target = call.Argument(0);
               ScriptObject* space = target.IsObject() && target.Object->Clip ? target.Object : clip;
               Matrix toSpace;
               if (space != clip && space->Clip->Link)
                   toSpace = StageMatrix(*space->Clip->Link).Inverse().Then(StageMatrix(*clip->Clip->Link));
               std::optional<Box> box = ContentBounds(*call.Machine.CurrentMovie().Characters, *placed);
               if (box)
                   box = Transformed(*box, toSpace);
               ScriptObject* bounds = call.Machine.NewObject();
               // What draws nothing answers the player's own far-off corner.
               constexpr double Nowhere = 6710886.35;
               const std::pair<const char*, double> sides[] = {{"xMin", box ? box->XMin / 20 : Nowhere},
                                                               {"xMax", box ? box->XMax / 20 : Nowhere},
                                                               {"yMin", box ? box->YMin / 20 : Nowhere},
                                                               {"yMax", box ? box->YMax / 20 : Nowhere}};
               for (const auto& [name, side] : sides) bounds->Put(name, Value::FromNumber(side));
               return Value::FromObject(bounds);
           }));
    // By the bounds on the stage, whatever the shape within them.
    define("hitTest", Method([](NativeCall& call, ScriptObject* clip) {
               std::optional<Box> own = StageBounds(call.Machine, clip);
               const Value& first = call.Argument(0);
               if (!own)
                   return Value::Boolean(false);
               if (first.IsObject() && first.Object->Clip) {
                   std::optional<Box> other = StageBounds(call.Machine, first.Object);
                   return Value::Boolean(other && own->XMin <= other->XMax && other->XMin <= own->XMax
                                         && own->YMin <= other->YMax && other->YMin <= own->YMax);
               }
               double x = call.Machine.ToNumber(first) * 20, y = call.Machine.ToNumber(call.Argument(1)) * 20;
               return Value::Boolean(x >= own->XMin && x <= own->XMax && y >= own->YMin && y <= own->YMax);
           }));
    // A point object's x and y from the clip's space to the stage's or back.
    auto convert = [&](const char* name, bool toStage) {
        define(name, Method([toStage](NativeCall& call, ScriptObject* clip) {
                   const Value& point = call.Argument(0);
                   if (!point.IsObject() || !clip->Clip->Link)
                       return Value();
                   ActionMachine& machine = call.Machine;
                   Matrix matrix = StageMatrix(*clip->Clip->Link);
                   if (!toStage)
                       matrix = matrix.Inverse();
                   Point p = matrix.Apply({machine.ToNumber(machine.GetMember(point, "x")) * 20,
                                           machine.ToNumber(machine.GetMember(point, "y")) * 20});
                   machine.SetMember(point, "x", Value::FromNumber(p.X / 20));
                   machine.SetMember(point, "y", Value::FromNumber(p.Y / 20));
                   return Value();
               }));
    };
    convert("localToGlobal", true);
    convert("globalToLocal", false);
    define("getURL", Method([](NativeCall& call, ScriptObject*) {
               call.Machine.GetUrl(call.Machine.ToString(call.Argument(0)), call.Machine.ToString(call.Argument(1)));
               return Value();
           }));
}

}
