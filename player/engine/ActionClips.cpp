#include "ActionClips.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionMachine.h"
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

std::vector<ScriptObject*> Children(ScriptObject* parent)
{
    std::vector<ScriptObject*> children;
    for (const std::string& name : parent->Names()) {
        Property* property = parent->Find(name);
        if (property && property->Content.IsObject() && property->Content.Object->Clip
            && property->Content.Object->Clip->Parent == parent)
            children.push_back(property->Content.Object);
    }
    return children;
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
    if (!init.IsObject())
        return;
    for (const std::string& name : init.Object->Names())
        machine.SetMember(Value::FromObject(clip), name, machine.GetMember(init, name));
}

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
    const Timeline& frames = *state.Frames;
    auto number = [&](double n) { value = Value::FromNumber(n); };
    switch (index) {
    case 0: number(state.X); break;
    case 1: number(state.Y); break;
    case 2: number(state.XScale); break;
    case 3: number(state.YScale); break;
    case 4: number(static_cast<double>(frames.Current() + 1)); break;
    case 5:
    case 12: number(static_cast<double>(frames.FrameCount())); break;
    case 6: number(state.Alpha); break;
    case 7: value = machine.Version() < 5 ? Value::FromNumber(state.Visible) : Value::Boolean(state.Visible); break;
    case 8:
    case 9:
        // Sizes come from what the clip draws, which is the drawing's part.
        number(0);
        break;
    case 10: number(state.Rotation); break;
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
    double number = machine.ToNumber(value);
    bool finite = std::isfinite(number);
    switch (index) {
    case 0: if (finite) state.X = number; break;
    case 1: if (finite) state.Y = number; break;
    case 2: if (finite) state.XScale = number; break;
    case 3: if (finite) state.YScale = number; break;
    case 6: if (finite) state.Alpha = number; break;
    case 7: state.Visible = ToBoolean(value, machine.Version()) || (value.IsString() && number != 0); break;
    case 10:
        if (finite) {
            // Kept between -180 and 180, as the player reports it.
            double r = std::fmod(number, 360.0);
            state.Rotation = r > 180 ? r - 360 : r < -180 ? r + 360 : r;
        }
        break;
    case 13:
        if (state.Parent) {
            std::string renamed = machine.ToString(value);
            state.Parent->Remove(state.Name);
            state.Name = renamed;
            state.Parent->Put(renamed, Value::FromObject(clip));
        }
        break;
    default:
        // The others only read.
        break;
    }
    return true;
}

ScriptObject* DuplicateClip(ActionMachine& machine, ScriptObject* source, const std::string& name, int depth)
{
    if (!source->Clip || !source->Clip->Parent)
        return nullptr;
    ScriptObject* copy = machine.NewClip(source->Clip->Parent, name, depth);
    const ClipState& from = *source->Clip;
    ClipState& to = *copy->Clip;
    to.X = from.X, to.Y = from.Y, to.XScale = from.XScale, to.YScale = from.YScale;
    to.Alpha = from.Alpha, to.Rotation = from.Rotation, to.Visible = from.Visible;
    return copy;
}

void RemoveClip(ActionMachine&, ScriptObject* clip)
{
    ClipState* state = clip->Clip.get();
    if (!state || !state->Parent)
        return;
    Property* held = state->Parent->Find(state->Name);
    if (held && held->Content.IsObject() && held->Content.Object == clip)
        state->Parent->Remove(state->Name);
    state->Removed = true;
}

void RunEnterFrame(ActionMachine& machine)
{
    // A list taken first: handlers may make and remove clips.
    std::vector<ScriptObject*> clips = {machine.Root()};
    constexpr size_t MaxClips = 10000;
    for (size_t i = 0; i < clips.size() && clips.size() < MaxClips; ++i)
        for (ScriptObject* child : Children(clips[i])) clips.push_back(child);
    for (ScriptObject* clip : clips) {
        if (clip->Clip->Removed)
            continue;
        Property* handler = clip->Lookup("onEnterFrame");
        if (handler && handler->Content.IsObject() && handler->Content.Object->IsFunction())
            machine.CallFromOutside(handler->Content, clip, {});
    }
}

void InstallClipMethods(ActionMachine& machine, ScriptObject* prototype)
{
    auto define = [&](const char* name, NativeFunction function) {
        DefineMethod(machine, prototype, name, std::move(function));
    };
    auto timeline = [](ScriptObject* clip) -> Timeline& { return *clip->Clip->Frames; };
    define("play", Method([=](NativeCall&, ScriptObject* clip) { timeline(clip).Play(); return Value(); }));
    define("stop", Method([=](NativeCall&, ScriptObject* clip) { timeline(clip).Stop(); return Value(); }));
    define("nextFrame", Method([=](NativeCall&, ScriptObject* clip) { timeline(clip).NextFrame(); return Value(); }));
    define("prevFrame",
           Method([=](NativeCall&, ScriptObject* clip) { timeline(clip).PreviousFrame(); return Value(); }));
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
    define("getDepth", Method([](NativeCall&, ScriptObject* clip) { return Value::FromNumber(clip->Clip->Depth); }));
    define("getNextHighestDepth", Method([](NativeCall&, ScriptObject* clip) {
               int highest = -1;
               for (ScriptObject* child : Children(clip)) highest = std::max(highest, child->Clip->Depth);
               return Value::FromNumber(highest + 1);
           }));
    define("createEmptyMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               std::string name = call.Machine.ToString(call.Argument(0));
               int depth = static_cast<int>(ToInteger(call.Machine.ToNumber(call.Argument(1))));
               return Value::FromObject(call.Machine.NewClip(clip, name, depth));
           }));
    // Library symbols are the drawing's part: the clip starts empty.
    define("attachMovie", Method([](NativeCall& call, ScriptObject* clip) {
               std::string name = call.Machine.ToString(call.Argument(1));
               int depth = static_cast<int>(ToInteger(call.Machine.ToNumber(call.Argument(2))));
               ScriptObject* attached = call.Machine.NewClip(clip, name, depth);
               CopyInitObject(call.Machine, attached, call.Argument(3));
               return Value::FromObject(attached);
           }));
    define("duplicateMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               std::string name = call.Machine.ToString(call.Argument(0));
               int depth = static_cast<int>(ToInteger(call.Machine.ToNumber(call.Argument(1))));
               ScriptObject* copy = DuplicateClip(call.Machine, clip, name, depth);
               if (copy)
                   CopyInitObject(call.Machine, copy, call.Argument(2));
               return Value::FromObject(copy);
           }));
    define("removeMovieClip", Method([](NativeCall& call, ScriptObject* clip) {
               RemoveClip(call.Machine, clip);
               return Value();
           }));
    define("swapDepths", Method([](NativeCall& call, ScriptObject* clip) {
               ScriptObject* parent = clip->Clip->Parent;
               if (!parent)
                   return Value();
               const Value& with = call.Argument(0);
               ScriptObject* other = nullptr;
               int depth = 0;
               if (with.IsObject() && with.Object->Clip) {
                   other = with.Object;
                   depth = other->Clip->Depth;
               } else {
                   depth = static_cast<int>(ToInteger(call.Machine.ToNumber(with)));
                   for (ScriptObject* child : Children(parent))
                       if (child->Clip->Depth == depth)
                           other = child;
               }
               if (other && other->Clip->Parent == parent)
                   other->Clip->Depth = clip->Clip->Depth;
               clip->Clip->Depth = depth;
               return Value();
           }));
    define("getURL", Method([](NativeCall& call, ScriptObject*) {
               call.Machine.GetUrl(call.Machine.ToString(call.Argument(0)), call.Machine.ToString(call.Argument(1)));
               return Value();
           }));
}

}
