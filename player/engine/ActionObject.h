#pragma once
// The objects that scripts make and share: plain objects, arrays, functions,
// wrapped primitives, dates and movie clips, all owned by one heap that
// frees what no script can reach any more and refuses to grow past its limits.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "ActionValue.h"
#include "Bitmap.h"
#include "Records.h"
#include "Timeline.h"

namespace tvmplayer {

class ActionMachine;
class ScriptHeap;
struct Movie;

// Ends the scripts of the moment: a limit of time, depth or memory was
// reached. The message goes to the debug output.
class ScriptAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A value thrown by a script, caught by its try blocks or dropped at the top.
struct ScriptThrow {
    Value Thrown;
};

enum class ObjectKind : uint8_t { Plain, Array, Function, Clip, Boolean, Number, String, Date };

enum PropertyFlag : uint8_t { DontEnum = 1, DontDelete = 2, ReadOnly = 4 };

struct Property {
    Value Content;
    uint8_t Flags = 0;
};

struct NativeCall {
    ActionMachine& Machine;
    ScriptObject* This;
    std::span<Value> Arguments;
    // Called by new: This is the object being made.
    bool Constructing = false;

    const Value& Argument(size_t index) const;
    size_t Count() const { return Arguments.size(); }
};
using NativeFunction = std::function<Value(NativeCall&)>;
// Properties a built-in object answers itself, such as a Transform's matrix:
// a read fills value, a write (set) takes it. Answers false for names it
// leaves to the object's own properties.
using PropertyHook = std::function<bool(ActionMachine& machine, const std::string& name, Value& value, bool set)>;

// A function written in the movie: its code lives in the movie, which
// outlives the heap's objects, or in a movie a script loaded, which the
// function keeps.
struct ScriptFunction {
    std::span<const uint8_t> Code;
    std::shared_ptr<const Movie> Source;
    std::shared_ptr<const std::vector<std::string>> Pool;
    std::vector<std::string> Parameters;
    // DefineFunction2: the register each parameter goes to (0: none).
    std::vector<uint8_t> ParameterRegisters;
    bool Version2 = false;
    uint8_t RegisterCount = 0;
    uint16_t Flags = 0;
    std::vector<ScriptObject*> Scope;
    ScriptObject* Target = nullptr;
};

struct ClipLink;
struct PlacedObject;
class DisplayList;

// What a movie clip object knows of itself beyond its variables: where it
// stands on the stage, which is where its properties live.
struct ClipState {
    ~ClipState();

    std::shared_ptr<ClipLink> Link;
    // The movie it comes from, for its size in bytes.
    const Movie* Source = nullptr;
    std::string Name;
    ScriptObject* Parent = nullptr;
    // A text field rather than a movie clip.
    bool IsField = false;
    // The drawing methods' pen, in twips: where it stands, where the fill
    // it draws began, and its styles (from 1; 0 for none).
    Point PenAt, FillFrom;
    uint32_t PenFill = 0, PenLine = 0;

    // Null once the clip has left the stage.
    PlacedObject* Placed() const;
    DisplayList* List() const;
    Timeline* Frames() const;
    bool Removed() const { return !Placed(); }
};

class ScriptObject {
public:
    ScriptObject(ObjectKind kind, ScriptObject* prototype, bool caseless);

    ObjectKind Kind;
    ScriptObject* Prototype;
    // Boolean, Number, String and Date objects wrap a primitive.
    Value Primitive;
    std::vector<Value> Elements;
    NativeFunction Native;
    std::unique_ptr<ScriptFunction> Script;
    std::unique_ptr<ClipState> Clip;
    std::unique_ptr<PropertyHook> Hook;
    // A BitmapData's pixels, shared with the clips it is attached to.
    std::shared_ptr<Bitmap> Image;

    // Own properties only.
    Property* Find(const std::string& name);
    // This object or the first prototype that has it.
    Property* Lookup(const std::string& name);
    void Put(const std::string& name, Value value, uint8_t flags = 0);
    bool Remove(const std::string& name);
    // Names in the order enumeration gives them, without DontEnum ones.
    std::vector<std::string> Names();
    bool IsFunction() const { return Kind == ObjectKind::Function; }
    // A built-in method, made as a function of functionPrototype only when
    // this object's properties are first read or changed: a movie's scripts
    // touch few of the many built-ins each movie is given afresh.
    void DeferMethod(ScriptHeap& heap, ScriptObject* functionPrototype, std::string name, NativeFunction function);

private:
    friend class ScriptHeap;
    struct NameOrder {
        bool Caseless;
        bool operator()(const std::string& a, const std::string& b) const;
    };
    struct DeferredMethods {
        ScriptHeap& Heap;
        ScriptObject* FunctionPrototype;
        std::vector<std::pair<std::string, NativeFunction>> Methods;
    };
    void MakeDeferred()
    {
        if (deferred_)
            MakeMethods();
    }
    void MakeMethods();

    std::map<std::string, Property, NameOrder> properties_;
    std::unique_ptr<DeferredMethods> deferred_;
    bool marked_ = false;
};

class ScriptHeap {
public:
    explicit ScriptHeap(bool caseless) : caseless_(caseless) {}

    ScriptObject* New(ObjectKind kind, ScriptObject* prototype);
    size_t Count() const { return objects_.size(); }
    // Frees every object not reachable from roots.
    void Collect(std::span<ScriptObject* const> roots);
    // Whether enough was made since the last collection to make one worth it.
    bool WantsCollection() const { return objects_.size() > 2 * survivors_ + 1024; }

    // Bounds against hostile scripts.
    static constexpr size_t MaxObjects = 1u << 20;
    static constexpr size_t MaxElements = 1u << 22;
    static constexpr size_t MaxText = 16u << 20;

private:
    friend class ScriptObject;
    // Unbounded: for built-ins, whose number is fixed, made on a lookup
    // that may come from outside any script.
    ScriptObject* Make(ObjectKind kind, ScriptObject* prototype);

    bool caseless_;
    std::vector<std::unique_ptr<ScriptObject>> objects_;
    size_t survivors_ = 0;
};

// The element index a property name stands for in an array: "0", "12",
// not "01" or "-1".
std::optional<size_t> ArrayIndex(const std::string& name);

// Raise ScriptAbort when a text of length bytes, or an array of length
// elements, would be too long.
void CheckTextLength(size_t length);
void CheckArrayLength(size_t length);
// A length a script asked for as a number of elements, checked.
size_t ArrayLength(double length);

}
