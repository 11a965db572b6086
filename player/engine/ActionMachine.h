#pragma once
// The machine that runs a movie's action blocks: the actions of SWF 3 and
// the stack machine of SWF 4 to 7, over the objects of one heap. Every run
// is bounded in instructions, call depth and memory, so no movie can hang
// or exhaust its host.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ActionLoads.h"
#include "ActionObject.h"
#include "ActionTimers.h"
#include "ScriptEvents.h"

namespace tvmplayer {

struct ClipLink;
struct Movie;

class ActionMachine {
public:
    // root: the main timeline's place on the stage.
    ActionMachine(const Movie& movie, std::shared_ptr<ClipLink> root, ScriptEvents& events);
    ~ActionMachine();
    ActionMachine(const ActionMachine&) = delete;
    ActionMachine& operator=(const ActionMachine&) = delete;

    int Version() const { return version_; }
    ScriptEvents& Events() { return events_; }
    ScriptHeap& Heap() { return heap_; }
    ScriptObject* Root() const { return root_; }
    ScriptObject* Global() const { return global_; }
    // Object.registerClass's constructors by symbol name.
    ScriptObject* Classes() const { return classes_; }

    // Runs one action block of clip, to its end or until a limit stops it.
    // Uncaught throws end the block; limits are reported to the debug output.
    // source: the loaded movie the code lies in, kept while it runs, since
    // the code may remove the clip that holds it; none for the main movie.
    void RunBlock(std::span<const uint8_t> code, ScriptObject* clip, std::shared_ptr<const Movie> source = {});
    // Calls a function from outside any script (timers, events, the host).
    Value CallFromOutside(const Value& function, ScriptObject* thisObject, std::vector<Value> arguments);
    // A new frame's worth of instructions.
    void StartFrame()
    {
        budget_ = InstructionBudget;
        allocated_ = 0;
    }
    // Whether a script is running at the moment (the host may call in from
    // inside one, through the events).
    bool Running() const { return depth_ > 0; }
    // Scripts stop for good once one ran too long, as the user would choose.
    bool Disabled() const { return disabled_; }
    // Frees unreachable objects; only between scripts.
    void CollectGarbage();

    // The host's view of variables: "name", "/a/b:name", "_root.a.name".
    std::optional<std::string> GetVariable(const std::string& path);
    bool SetVariable(const std::string& path, const std::string& value);
    // A clip named the way targets name it ("/", "_level0", "/a/b", "_root.a").
    ScriptObject* FindClip(const std::string& target);

    // For built-ins.
    Value Call(const Value& function, ScriptObject* thisObject, std::span<Value> arguments);
    Value GetMember(const Value& object, const std::string& name);
    void SetMember(const Value& object, const std::string& name, const Value& value);
    double ToNumber(const Value& value);
    std::string ToString(const Value& value);
    ScriptObject* ToObject(const Value& value);
    ScriptObject* NewObject(ScriptObject* prototype = nullptr);
    ScriptObject* NewArray(std::vector<Value> elements = {});
    ScriptObject* NewFunction(NativeFunction native, ScriptObject* prototypeObject = nullptr);
    // The object scripts know a clip on the stage by, made when first asked for.
    ScriptObject* ClipObject(const std::shared_ptr<ClipLink>& link);
    // A clip of an exported symbol whose class was registered becomes one of
    // that class, its constructor run on it.
    void TakeClass(ScriptObject* clip, uint16_t id);
    const Movie& CurrentMovie() const { return movie_; }
    // Charges a script for work that is not one instruction, such as
    // making a long text.
    void Charge(size_t instructions);
    // Counts memory that a script takes; a frame's scripts may take only so
    // much, whatever becomes of it later.
    void Allocate(size_t bytes);
    // The movie's own random numbers in [0, 1): the same every run.
    double Random();
    // Goes to a frame by number (counted from 1) or by label.
    void Goto(ScriptObject* clip, const Value& frame, bool play);
    // Runs the actions of a frame of clip in place ("5", "label").
    void CallFrame(ScriptObject* clip, const std::string& frame);
    // getURL with GetURL2's flags: into a level ("_level1") or, for a
    // target flag, the clip found for the window it loads, else a window
    // opens.
    void GetUrl(const std::string& url, const std::string& window, uint8_t flags = 0, ScriptObject* clip = nullptr);
    // The clip of "_levelN"; null for a level that holds nothing.
    ScriptObject* Level(int32_t level);
    // The "_level0.a.b" path of a clip.
    std::string TargetPath(ScriptObject* clip);
    ScriptTimers Timers;
    ScriptLoads Loads;

    struct Prototypes {
        ScriptObject* Object = nullptr;
        ScriptObject* Function = nullptr;
        ScriptObject* Array = nullptr;
        ScriptObject* String = nullptr;
        ScriptObject* Number = nullptr;
        ScriptObject* Boolean = nullptr;
        ScriptObject* Date = nullptr;
        ScriptObject* Clip = nullptr;
        ScriptObject* TextField = nullptr;
    } Protos;

    // Milliseconds since the movie started, for getTimer().
    uint32_t Elapsed = 0;
    // Instructions a frame's scripts may run before they are stopped.
    size_t InstructionBudget = 10'000'000;
    static constexpr int MaxCallDepth = 256;
    static constexpr size_t MaxStack = 1u << 18;
    static constexpr size_t MaxAllocationPerFrame = 256u << 20;

private:
    // One function's or one block's run: where it reads, what it sees.
    struct Context {
        std::span<const uint8_t> Code;
        std::shared_ptr<const Movie> Source;
        size_t Pc = 0;
        std::shared_ptr<const std::vector<std::string>> Pool;
        // With objects and function activations, innermost last.
        std::vector<ScriptObject*> Scope;
        // The timeline that timeline actions act on; null after a SetTarget to a
        // clip that is not there, so that they act on nothing.
        ScriptObject* Target = nullptr;
        ScriptObject* Original = nullptr;
        ScriptObject* This = nullptr;
        ScriptObject* Locals = nullptr;
        std::vector<Value> Registers;
        size_t StackBase = 0;
        Value Result;

        ScriptObject* Home() const { return Target ? Target : Original; }
    };

    bool Run(Context& context, size_t begin, size_t end);
    bool Step(Context& context, uint8_t code, std::span<const uint8_t> body, size_t next);
    Value Invoke(ScriptObject* function, ScriptObject* thisObject, std::span<Value> arguments,
                 bool constructing = false);
    Value RunFunction(ScriptObject* function, ScriptObject* thisObject, std::span<Value> arguments);
    void Push(Value value);
    std::vector<Value> PopArguments(Context& context);
    Value Construct(const Value& constructor, std::vector<Value> arguments);
    Value Pop(Context& context);
    void PushAll(Context& context, std::span<const uint8_t> body);
    bool HasMember(ScriptObject& object, const std::string& name);
    // The clip named so in clip's display list.
    ScriptObject* ChildClip(ScriptObject& clip, const std::string& name);
    Value GetScoped(Context& context, const std::string& name);
    void SetScoped(Context& context, const std::string& name, const Value& value);
    bool ResolvePath(Context* context, const std::string& path, ScriptObject*& owner, std::string& name);
    ScriptObject* ResolveTarget(Context* context, const std::string& target);
    ScriptObject* ClipFromValue(Context& context, const Value& value);
    // What _root means in clip: the level it is on.
    ScriptObject* RootOf(ScriptObject* clip);
    ScriptObject* FindClipFrom(Context& context, const std::string& target);
    void RunCode(std::span<const uint8_t> code, ScriptObject* clip, std::shared_ptr<const Movie> source = {});
    std::string TypeName(const Value& value);
    bool IsInstance(const Value& object, const Value& constructor);
    void GotoFrame(ScriptObject* clip, size_t frame, bool play);
    bool GotoLabel(ScriptObject* clip, const std::string& label, bool play);
    void DefineFunction(Context& context, std::span<const uint8_t> body, bool version2, size_t& next);
    void Try(Context& context, std::span<const uint8_t> body, size_t& next, bool& returned);
    Value Add2(const Value& a, const Value& b);
    Value Less2(const Value& a, const Value& b);
    bool Equals2(const Value& a, const Value& b);
    Value ToPrimitive(const Value& value);
    Value Result(bool flag) const;
    void Abort(const ScriptAbort& abort);

    ScriptEvents& events_;
    int version_;
    ScriptHeap heap_;
    ScriptObject* global_ = nullptr;
    ScriptObject* root_ = nullptr;
    ScriptObject* classes_ = nullptr;
    std::vector<Value> stack_;
    size_t budget_ = 0;
    size_t allocated_ = 0;
    uint32_t random_ = 0x2545F491;
    int depth_ = 0;
    uintptr_t stackTop_ = 0;
    bool disabled_ = false;
    const Movie& movie_;
    size_t instances_ = 0;
};

}
