#include "ActionMachine.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "ActionBuiltins.h"
#include "ActionClips.h"
#include "ActionGeometry.h"
#include "ActionText.h"
#include "ActionTextField.h"
#include "DisplayList.h"
#include "Movie.h"
#include "SwfReader.h"
#include "Timeline.h"

namespace tvmplayer {

namespace {


constexpr uintptr_t MaxNativeStack = 384 * 1024;

const char SlowScript[] =
    "A script in this movie is causing the player to run slowly; the movie's scripts were stopped.";

// Counts a call in and out of the depth, even when it leaves by a throw.
// The native stack is watched too: the window thread that runs scripts may
// have little of it, and a level of calls takes more of it in some builds.
class DepthGuard {
public:
    DepthGuard(int& depth, uintptr_t& stackTop) : depth_(depth)
    {
        char marker = 0;
        uintptr_t here = reinterpret_cast<uintptr_t>(&marker);
        if (depth_ == 0)
            stackTop = here;
        uintptr_t used = stackTop > here ? stackTop - here : here - stackTop;
        if (depth_ + 1 > ActionMachine::MaxCallDepth || used > MaxNativeStack)
            throw ScriptAbort("256 levels of recursion were exceeded in one action list.");
        ++depth_;
    }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

bool StartsWithCaseless(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

}

ActionMachine::ActionMachine(const Movie& movie, std::shared_ptr<ClipLink> root, ScriptEvents& events)
    : events_(events), version_(movie.Version), heap_(movie.Version < 7), movie_(movie)
{
    budget_ = InstructionBudget;
    classes_ = heap_.New(ObjectKind::Plain, nullptr);
    global_ = InstallBuiltins(*this);
    root_ = ClipObject(root);
    root_->Clip->Name = "_level0";
}

ActionMachine::~ActionMachine() = default;

void ActionMachine::Abort(const ScriptAbort& abort)
{
    events_.Trace(abort.what());
}

void ActionMachine::RunCode(std::span<const uint8_t> code, ScriptObject* clip, std::shared_ptr<const Movie> source)
{
    Context context;
    context.Code = code;
    context.Source = std::move(source);
    context.Target = context.Original = context.This = clip;
    context.Registers.resize(4);
    context.StackBase = stack_.size();
    DepthGuard depth(depth_, stackTop_);
    try {
        Run(context, 0, code.size());
    } catch (...) {
        stack_.resize(std::min(stack_.size(), context.StackBase));
        throw;
    }
    stack_.resize(std::min(stack_.size(), context.StackBase));
}

void ActionMachine::RunBlock(std::span<const uint8_t> code, ScriptObject* clip, std::shared_ptr<const Movie> source)
{
    if (disabled_)
        return;
    try {
        RunCode(code, clip, std::move(source));
    } catch (const ScriptThrow&) {
        // An uncaught throw ends its block only.
    } catch (const ScriptAbort& abort) {
        Abort(abort);
    } catch (const SwfFormatError&) {
        // A damaged action ends its block.
    }
}

Value ActionMachine::CallFromOutside(const Value& function, ScriptObject* thisObject, std::vector<Value> arguments)
{
    if (disabled_)
        return {};
    size_t base = stack_.size();
    Value result;
    try {
        result = Call(function, thisObject, arguments);
    } catch (const ScriptThrow&) {
    } catch (const ScriptAbort& abort) {
        Abort(abort);
    } catch (const SwfFormatError&) {
    }
    stack_.resize(std::min(stack_.size(), base));
    return result;
}

void ActionMachine::CollectGarbage()
{
    if (depth_ > 0)
        return;
    std::vector<ScriptObject*> roots = {};
    Timers.AddRoots(roots);
    Loads.AddRoots(roots);
    // The clips on the stage keep their variables while they are there.
    std::vector<std::shared_ptr<ClipLink>> links;
    if (DisplayList* stage = root_->Clip->List())
        CollectLinks(*stage, links, SIZE_MAX);
    for (const auto& link : links)
        if (link->Script)
            roots.push_back(link->Script);
    roots.insert(roots.end(), {global_, root_, classes_, Protos.Object, Protos.Function, Protos.Array, Protos.String,
                               Protos.Number, Protos.Boolean, Protos.Date, Protos.Clip, Protos.TextField});
    heap_.Collect(roots);
}

void ActionMachine::Allocate(size_t bytes)
{
    allocated_ += bytes;
    if (allocated_ > MaxAllocationPerFrame)
        throw ScriptAbort("a script used more memory than the player allows");
    Charge(bytes / 64);
}

void ActionMachine::Charge(size_t instructions)
{
    if (instructions >= budget_) {
        budget_ = 0;
        disabled_ = true;
        throw ScriptAbort(SlowScript);
    }
    budget_ -= instructions;
}

// The loop over one range of a block. Jumps that lead outside the range
// leave it with the context at their target, for the enclosing range to go
// on from; answers whether a Return ended the function.
bool ActionMachine::Run(Context& context, size_t begin, size_t end)
{
    const size_t size = context.Code.size();
    context.Pc = begin;
    while (context.Pc >= begin && context.Pc < end) {
        Charge(1);
        size_t at = context.Pc;
        uint8_t code = context.Code[at];
        if (code == 0) {  // the end of the block
            context.Pc = size;
            return false;
        }
        std::span<const uint8_t> body;
        size_t next = at + 1;
        if (code >= 0x80) {
            if (at + 3 > size) {
                context.Pc = size;
                return false;
            }
            size_t length = context.Code[at + 1] | context.Code[at + 2] << 8;
            if (at + 3 + length > size) {
                context.Pc = size;
                return false;
            }
            body = context.Code.subspan(at + 3, length);
            next = at + 3 + length;
        }
        context.Pc = next;
        if (Step(context, code, body, next))
            return true;
    }
    return false;
}

void ActionMachine::Push(Value value)
{
    if (stack_.size() >= MaxStack)
        throw ScriptAbort("a script filled the player's stack");
    stack_.push_back(std::move(value));
}

Value ActionMachine::Pop(Context& context)
{
    // An empty stack answers undefined, as the player does.
    if (stack_.size() <= context.StackBase)
        return {};
    Value value = std::move(stack_.back());
    stack_.pop_back();
    return value;
}

Value ActionMachine::Result(bool flag) const
{
    return version_ < 5 ? Value::FromNumber(flag ? 1 : 0) : Value::Boolean(flag);
}

void ActionMachine::PushAll(Context& context, std::span<const uint8_t> body)
{
    SwfReader reader(body);
    while (reader.Remaining() > 0) {
        uint8_t type = reader.U8();
        switch (type) {
        case 0:
            Push(Value::FromString(reader.String()));
            break;
        case 1: {
            uint32_t bits = reader.U32();
            float number;
            std::memcpy(&number, &bits, sizeof number);
            Push(Value::FromNumber(number));
            break;
        }
        case 2:
            Push(Value::Null());
            break;
        case 3:
            Push(Value());
            break;
        case 4: {
            uint8_t index = reader.U8();
            Push(index < context.Registers.size() ? context.Registers[index] : Value());
            break;
        }
        case 5:
            Push(Value::Boolean(reader.U8() != 0));
            break;
        case 6: {
            // The high word first, each word little-endian.
            uint64_t high = reader.U32();
            uint64_t low = reader.U32();
            uint64_t bits = high << 32 | low;
            double number;
            std::memcpy(&number, &bits, sizeof number);
            Push(Value::FromNumber(number));
            break;
        }
        case 7:
            Push(Value::FromNumber(static_cast<int32_t>(reader.U32())));
            break;
        case 8:
        case 9: {
            size_t index = type == 8 ? reader.U8() : reader.U16();
            bool known = context.Pool && index < context.Pool->size();
            Push(known ? Value::FromString((*context.Pool)[index]) : Value());
            break;
        }
        default:
            throw SwfFormatError("unknown push type");
        }
    }
}

Value ActionMachine::ToPrimitive(const Value& value)
{
    if (!value.IsObject())
        return value;
    ScriptObject* object = value.Object;
    if (object->Kind != ObjectKind::Date) {
        Value valueOf = GetMember(value, "valueOf");
        if (valueOf.IsObject() && valueOf.Object->IsFunction()) {
            Value result = Call(valueOf, object, {});
            if (!result.IsObject())
                return result;
        }
    }
    return Value::FromString(ToString(value));
}

double ActionMachine::ToNumber(const Value& value)
{
    if (!value.IsObject())
        return PrimitiveToNumber(value, version_);
    Value primitive = ToPrimitive(value);
    return primitive.IsObject() ? std::nan("") : PrimitiveToNumber(primitive, version_);
}

std::string ActionMachine::ToString(const Value& value)
{
    if (!value.IsObject())
        return PrimitiveToString(value, version_);
    ScriptObject* object = value.Object;
    if (object->Kind == ObjectKind::Clip)
        return TargetPath(object);
    Value toString = GetMember(value, "toString");
    if (toString.IsObject() && toString.Object->IsFunction()) {
        Value result = Call(toString, object, {});
        if (!result.IsObject())
            return PrimitiveToString(result, version_);
    }
    return object->IsFunction() ? "[type Function]" : "[object Object]";
}

ScriptObject* ActionMachine::ToObject(const Value& value)
{
    switch (value.Type) {
    case ValueType::Object:
        return value.Object;
    case ValueType::String: {
        ScriptObject* wrapper = heap_.New(ObjectKind::String, Protos.String);
        wrapper->Primitive = value;
        return wrapper;
    }
    case ValueType::Number: {
        ScriptObject* wrapper = heap_.New(ObjectKind::Number, Protos.Number);
        wrapper->Primitive = value;
        return wrapper;
    }
    case ValueType::Boolean: {
        ScriptObject* wrapper = heap_.New(ObjectKind::Boolean, Protos.Boolean);
        wrapper->Primitive = value;
        return wrapper;
    }
    default:
        return nullptr;
    }
}

ScriptObject* ActionMachine::NewObject(ScriptObject* prototype)
{
    return heap_.New(ObjectKind::Plain, prototype ? prototype : Protos.Object);
}

ScriptObject* ActionMachine::NewArray(std::vector<Value> elements)
{
    CheckArrayLength(elements.size());
    Allocate(elements.size() * sizeof(Value));
    ScriptObject* array = heap_.New(ObjectKind::Array, Protos.Array);
    array->Elements = std::move(elements);
    return array;
}

ScriptObject* ActionMachine::NewFunction(NativeFunction native, ScriptObject* prototypeObject)
{
    ScriptObject* function = heap_.New(ObjectKind::Function, Protos.Function);
    function->Native = std::move(native);
    if (prototypeObject) {
        function->Put("prototype", Value::FromObject(prototypeObject), DontEnum);
        prototypeObject->Put("constructor", Value::FromObject(function), DontEnum);
    }
    return function;
}

ScriptObject* ActionMachine::ClipObject(const std::shared_ptr<ClipLink>& link)
{
    if (!link)
        return nullptr;
    if (link->Script)
        return link->Script;
    ScriptObject* parent = nullptr;
    if (std::shared_ptr<ClipLink> above = link->Parent.lock())
        parent = ClipObject(above);
    bool field = link->Object && link->Object->Field;
    ScriptObject* clip = heap_.New(ObjectKind::Clip, field ? Protos.TextField : Protos.Clip);
    clip->Clip = std::make_unique<ClipState>();
    clip->Clip->IsField = field;
    clip->Clip->Link = link;
    clip->Clip->Source = &movie_;
    clip->Clip->Parent = parent;
    if (PlacedObject* placed = link->Object) {
        // Clips placed without a name get one, as scripts see them; the
        // root has its own.
        if (placed->Name.empty() && parent)
            placed->Name = "instance" + std::to_string(++instances_);
        clip->Clip->Name = placed->Name;
    }
    link->Script = clip;
    if (link->Object && link->Object->Id)
        TakeClass(clip, link->Object->Id);
    return clip;
}

void ActionMachine::TakeClass(ScriptObject* clip, uint16_t id)
{
    for (const auto& [name, exported] : movie_.Exports) {
        Property* found = exported == id ? classes_->Find(name) : nullptr;
        if (!found || !found->Content.IsObject())
            continue;
        Value prototype = GetMember(found->Content, "prototype");
        if (prototype.IsObject())
            clip->Prototype = prototype.Object;
        CallFromOutside(found->Content, clip, {});
        return;
    }
}

std::string ActionMachine::TargetPath(ScriptObject* clip)
{
    std::vector<std::string> names;
    for (int i = 0; clip && clip->Clip && clip->Clip->Parent && i < MaxCallDepth; ++i) {
        names.push_back(clip->Clip->Name);
        clip = clip->Clip->Parent;
    }
    std::string path = clip && clip->Clip ? clip->Clip->Name : "_level0";
    for (auto name = names.rbegin(); name != names.rend(); ++name) path += "." + *name;
    return path;
}

Value ActionMachine::Call(const Value& function, ScriptObject* thisObject, std::span<Value> arguments)
{
    if (!function.IsObject() || !function.Object->IsFunction())
        return {};
    return Invoke(function.Object, thisObject, arguments);
}

Value ActionMachine::Invoke(ScriptObject* function, ScriptObject* thisObject, std::span<Value> arguments,
                            bool constructing)
{
    if (function->Native) {
        DepthGuard depth(depth_, stackTop_);
        NativeCall call{*this, thisObject, arguments, constructing};
        return function->Native(call);
    }
    if (function->Script)
        return RunFunction(function, thisObject, arguments);
    return {};
}

Value ActionMachine::RunFunction(ScriptObject* function, ScriptObject* thisObject, std::span<Value> arguments)
{
    DepthGuard depth(depth_, stackTop_);
    const ScriptFunction& script = *function->Script;
    Context context;
    context.Code = script.Code;
    context.Source = script.Source;
    context.Pool = script.Pool;
    context.Scope = script.Scope;
    context.Target = context.Original = script.Target;
    context.This = thisObject;
    context.Locals = heap_.New(ObjectKind::Plain, nullptr);
    context.Scope.push_back(context.Locals);
    context.StackBase = stack_.size();

    ScriptObject* argumentsObject = NewArray(std::vector<Value>(arguments.begin(), arguments.end()));
    argumentsObject->Put("callee", Value::FromObject(function), DontEnum);
    if (!script.Version2) {
        context.Registers.resize(4);
        context.Locals->Put("arguments", Value::FromObject(argumentsObject));
        for (size_t i = 0; i < script.Parameters.size(); ++i)
            context.Locals->Put(script.Parameters[i], i < arguments.size() ? arguments[i] : Value());
    } else {
        context.Registers.resize(std::max<size_t>(script.RegisterCount, 1));
        enum : uint16_t {
            PreloadThis = 0x0001, SuppressThis = 0x0002, PreloadArguments = 0x0004, SuppressArguments = 0x0008,
            PreloadSuper = 0x0010, PreloadRoot = 0x0040, PreloadParent = 0x0080, PreloadGlobal = 0x0100,
        };
        size_t next = 1;
        auto preload = [&](uint16_t flag, Value value) {
            if ((script.Flags & flag) && next < context.Registers.size())
                context.Registers[next++] = std::move(value);
        };
        preload(PreloadThis, Value::FromObject(thisObject));
        preload(PreloadArguments, Value::FromObject(argumentsObject));
        preload(PreloadSuper, Value());
        preload(PreloadRoot, Value::FromObject(root_));
        Value parent = script.Target && script.Target->Clip ? Value::FromObject(script.Target->Clip->Parent) : Value();
        preload(PreloadParent, parent);
        preload(PreloadGlobal, Value::FromObject(global_));
        if (!(script.Flags & SuppressArguments) && !(script.Flags & PreloadArguments))
            context.Locals->Put("arguments", Value::FromObject(argumentsObject));
        for (size_t i = 0; i < script.Parameters.size(); ++i) {
            Value argument = i < arguments.size() ? arguments[i] : Value();
            uint8_t reg = i < script.ParameterRegisters.size() ? script.ParameterRegisters[i] : 0;
            if (reg != 0 && reg < context.Registers.size())
                context.Registers[reg] = std::move(argument);
            else
                context.Locals->Put(script.Parameters[i], std::move(argument));
        }
    }
    bool returned = false;
    try {
        returned = Run(context, 0, context.Code.size());
    } catch (...) {
        stack_.resize(std::min(stack_.size(), context.StackBase));
        throw;
    }
    stack_.resize(std::min(stack_.size(), context.StackBase));
    return returned ? context.Result : Value();
}

void ActionMachine::DefineFunction(Context& context, std::span<const uint8_t> body, bool version2, size_t& next)
{
    SwfReader reader(body);
    auto script = std::make_unique<ScriptFunction>();
    std::string name = reader.String();
    uint16_t count = reader.U16();
    script->Version2 = version2;
    if (version2) {
        script->RegisterCount = reader.U8();
        uint8_t high = reader.U8(), low = reader.U8();
        // The flags as the file orders them: preload parent first.
        script->Flags = static_cast<uint16_t>(high | (low & 1) << 8);
    }
    for (uint16_t i = 0; i < count; ++i) {
        if (version2)
            script->ParameterRegisters.push_back(reader.U8());
        script->Parameters.push_back(reader.String());
    }
    size_t codeSize = reader.U16();
    // A body that claims more than the block holds ends with the block.
    codeSize = std::min(codeSize, context.Code.size() - next);
    script->Code = context.Code.subspan(next, codeSize);
    script->Source = context.Source;
    script->Pool = context.Pool;
    script->Scope = context.Scope;
    script->Target = context.Home();
    next += codeSize;
    context.Pc = next;

    ScriptObject* function = heap_.New(ObjectKind::Function, Protos.Function);
    function->Script = std::move(script);
    ScriptObject* prototype = NewObject();
    function->Put("prototype", Value::FromObject(prototype), DontEnum);
    prototype->Put("constructor", Value::FromObject(function), DontEnum);
    if (name.empty())
        Push(Value::FromObject(function));
    else if (context.Locals)
        context.Locals->Put(name, Value::FromObject(function));
    else
        context.Home()->Put(name, Value::FromObject(function));
}

void ActionMachine::Try(Context& context, std::span<const uint8_t> body, size_t& next, bool& returned)
{
    SwfReader reader(body);
    uint8_t flags = reader.U8();
    size_t trySize = reader.U16(), catchSize = reader.U16(), finallySize = reader.U16();
    bool catchInRegister = flags & 4;
    std::string catchName;
    uint8_t catchRegister = 0;
    if (catchInRegister)
        catchRegister = reader.U8();
    else
        catchName = reader.String();
    const size_t size = context.Code.size();
    size_t tryEnd = std::min(size, next + trySize);
    size_t catchEnd = std::min(size, tryEnd + catchSize);
    size_t finallyEnd = std::min(size, catchEnd + finallySize);
    size_t stackDepth = stack_.size();

    std::optional<ScriptThrow> pending;
    size_t exit = finallyEnd;
    try {
        returned = Run(context, next, tryEnd);
        exit = context.Pc;
    } catch (const ScriptThrow& thrown) {
        stack_.resize(std::min(stack_.size(), stackDepth));
        if (flags & 1) {
            if (catchInRegister) {
                if (catchRegister < context.Registers.size())
                    context.Registers[catchRegister] = thrown.Thrown;
            } else {
                SetScoped(context, catchName, thrown.Thrown);
            }
            try {
                returned = Run(context, tryEnd, catchEnd);
                exit = context.Pc;
            } catch (const ScriptThrow& again) {
                pending = again;
            }
        } else {
            pending = thrown;
        }
    }
    if (exit == tryEnd || exit == catchEnd)
        exit = finallyEnd;
    if ((flags & 2) && finallySize > 0) {
        Value kept = context.Result;
        if (Run(context, catchEnd, finallyEnd)) {
            returned = true;
            pending.reset();
        } else {
            context.Result = kept;
        }
    }
    if (pending)
        throw *pending;
    next = exit;
    context.Pc = exit;
}

Value ActionMachine::Add2(const Value& a, const Value& b)
{
    Value left = ToPrimitive(a), right = ToPrimitive(b);
    if (left.IsString() || right.IsString()) {
        std::string text = PrimitiveToString(left, version_);
        const std::string tail = PrimitiveToString(right, version_);
        CheckTextLength(text.size() + tail.size());
        Allocate(text.size() + tail.size());
        return Value::FromString(text + tail);
    }
    return Value::FromNumber(PrimitiveToNumber(left, version_) + PrimitiveToNumber(right, version_));
}

Value ActionMachine::Less2(const Value& a, const Value& b)
{
    Value left = ToPrimitive(a), right = ToPrimitive(b);
    if (left.IsString() && right.IsString())
        return Value::Boolean(left.Text() < right.Text());
    double x = PrimitiveToNumber(left, version_), y = PrimitiveToNumber(right, version_);
    if (std::isnan(x) || std::isnan(y))
        return {};
    return Value::Boolean(x < y);
}

bool ActionMachine::Equals2(const Value& a, const Value& b)
{
    auto nullish = [](const Value& v) { return v.Type == ValueType::Undefined || v.Type == ValueType::Null; };
    if (nullish(a) || nullish(b))
        return nullish(a) && nullish(b);
    if (a.Type == b.Type) {
        switch (a.Type) {
        case ValueType::Boolean:
            return a.Flag == b.Flag;
        case ValueType::Number:
            return a.Number == b.Number;
        case ValueType::String:
            return a.Text() == b.Text();
        case ValueType::Object:
            return a.Object == b.Object;
        default:
            return true;
        }
    }
    if (a.IsObject() || b.IsObject()) {
        Value left = ToPrimitive(a), right = ToPrimitive(b);
        if (left.IsObject() || right.IsObject())
            return false;
        return Equals2(left, right);
    }
    return PrimitiveToNumber(a, version_) == PrimitiveToNumber(b, version_);
}

ScriptObject* ActionMachine::FindClip(const std::string& target)
{
    ScriptObject* found = ResolveTarget(nullptr, target);
    return found && found->Clip ? found : nullptr;
}

// Targets in both syntaxes: "/a/b", "../c", "_level0/a" and "_root.a.b",
// "_parent.c", "this"; relative to the context's timeline or the root.
ScriptObject* ActionMachine::ResolveTarget(Context* context, const std::string& target)
{
    ScriptObject* start = context ? context->Home() : root_;
    if (target.empty())
        return start;
    bool slashes = target.find('/') != std::string::npos;
    char separator = slashes ? '/' : '.';
    ScriptObject* current = start;
    size_t at = 0;
    if (slashes && target[0] == '/') {
        current = root_;
        at = 1;
    }
    bool first = true;
    for (int steps = 0; at <= target.size() && steps < MaxCallDepth; ++steps) {
        size_t end = target.find(separator, at);
        if (end == std::string::npos)
            end = target.size();
        std::string part = target.substr(at, end - at);
        at = end + 1;
        if (part.empty()) {
            if (end == target.size())
                break;
            continue;
        }
        if (part == "..") {
            current = current && current->Clip ? current->Clip->Parent : nullptr;
        } else if (first && part == "_root") {
            current = RootOf(start);
        } else if (std::optional<int32_t> level = first ? LevelNumber(part) : std::nullopt) {
            current = Level(*level);
        } else if (first && part == "_global") {
            current = global_;
        } else if (first && part == "this") {
            current = context && context->This ? context->This : start;
        } else if (first && !slashes && context) {
            Value found = GetScoped(*context, part);
            current = found.IsObject() ? found.Object : nullptr;
        } else {
            Value found = GetMember(Value::FromObject(current), part);
            current = found.IsObject() ? found.Object : nullptr;
        }
        first = false;
        if (!current || end == target.size())
            break;
    }
    return current;
}

// Splits "/a/b:name", "a.b.name" into the object that holds the variable and
// its name; answers false for a plain name.
bool ActionMachine::ResolvePath(Context* context, const std::string& path, ScriptObject*& owner, std::string& name)
{
    size_t colon = path.rfind(':');
    size_t split = colon;
    if (colon == std::string::npos) {
        split = path.rfind('.');
        if (split == std::string::npos || split == 0)
            return false;
    }
    name = path.substr(split + 1);
    owner = ResolveTarget(context, path.substr(0, split));
    return true;
}

Value ActionMachine::GetScoped(Context& context, const std::string& name)
{
    ScriptObject* owner = nullptr;
    std::string member;
    if (name.find_first_of(":./") != std::string::npos) {
        if (ResolvePath(&context, name, owner, member))
            return owner ? GetMember(Value::FromObject(owner), member) : Value();
        if (name.find('/') != std::string::npos)
            return Value::FromObject(ResolveTarget(&context, name));
    }
    if (name == "this")
        return context.This ? Value::FromObject(context.This) : Value::FromObject(context.Home());
    if (name == "_root")
        return Value::FromObject(RootOf(context.Home()));
    if (std::optional<int32_t> level = LevelNumber(name)) {
        ScriptObject* clip = Level(*level);
        return clip ? Value::FromObject(clip) : Value();
    }
    if (name == "_global")
        return Value::FromObject(global_);
    for (auto scope = context.Scope.rbegin(); scope != context.Scope.rend(); ++scope)
        if (HasMember(**scope, name))
            return GetMember(Value::FromObject(*scope), name);
    ScriptObject* home = context.Home();
    if (HasMember(*home, name))
        return GetMember(Value::FromObject(home), name);
    return GetMember(Value::FromObject(global_), name);
}

void ActionMachine::SetScoped(Context& context, const std::string& name, const Value& value)
{
    ScriptObject* owner = nullptr;
    std::string member;
    if (name.find_first_of(":.") != std::string::npos && ResolvePath(&context, name, owner, member)) {
        if (owner)
            SetMember(Value::FromObject(owner), member, value);
        return;
    }
    for (auto scope = context.Scope.rbegin(); scope != context.Scope.rend(); ++scope)
        if ((*scope)->Find(name)) {
            SetMember(Value::FromObject(*scope), name, value);
            return;
        }
    SetMember(Value::FromObject(context.Home()), name, value);
}

std::optional<std::string> ActionMachine::GetVariable(const std::string& path)
{
    ScriptObject* owner = root_;
    std::string name = path;
    if (name.find_first_of(":.") != std::string::npos && !ResolvePath(nullptr, path, owner, name))
        owner = root_;
    if (!owner || !HasMember(*owner, name))
        return std::nullopt;
    try {
        return ToString(GetMember(Value::FromObject(owner), name));
    } catch (const ScriptThrow&) {
    } catch (const ScriptAbort& abort) {
        Abort(abort);
    }
    return std::nullopt;
}

bool ActionMachine::SetVariable(const std::string& path, const std::string& value)
{
    ScriptObject* owner = root_;
    std::string name = path;
    if (name.find_first_of(":.") != std::string::npos && !ResolvePath(nullptr, path, owner, name))
        owner = root_;
    if (!owner)
        return false;
    try {
        SetMember(Value::FromObject(owner), name, Value::FromString(value));
    } catch (const ScriptThrow&) {
    } catch (const ScriptAbort& abort) {
        Abort(abort);
    }
    return true;
}

Value ActionMachine::GetMember(const Value& object, const std::string& name)
{
    if (object.IsString()) {
        if (name == "length")
            return Value::FromNumber(static_cast<double>(Utf8Length(object.Text())));
        Property* found = Protos.String->Lookup(name);
        return found ? found->Content : Value();
    }
    if (object.IsNumber() || object.Type == ValueType::Boolean) {
        Property* found = (object.IsNumber() ? Protos.Number : Protos.Boolean)->Lookup(name);
        return found ? found->Content : Value();
    }
    if (!object.IsObject())
        return {};
    ScriptObject* target = object.Object;
    if (name == "__proto__")
        return Value::FromObject(target->Prototype);
    if (target->Kind == ObjectKind::Array) {
        if (name == "length")
            return Value::FromNumber(static_cast<double>(target->Elements.size()));
        if (std::optional<size_t> index = ArrayIndex(name))
            return *index < target->Elements.size() ? target->Elements[*index] : Value();
    }
    if (target->Kind == ObjectKind::String && name == "length")
        return Value::FromNumber(static_cast<double>(Utf8Length(target->Primitive.Text())));
    if (target->Hook) {
        Value property;
        if ((*target->Hook)(*this, name, property, false))
            return property;
    }
    if (target->Clip) {
        Value property;
        if (GetClipProperty(*this, target, name, property) || GetFieldProperty(*this, target, name, property)
            || GetClipEffect(*this, target, name, property))
            return property;
        if (Property* own = target->Find(name))
            return own->Content;
        if (ScriptObject* child = ChildClip(*target, name))
            return Value::FromObject(child);
    }
    Property* found = target->Lookup(name);
    return found ? found->Content : Value();
}

void ActionMachine::SetMember(const Value& object, const std::string& name, const Value& value)
{
    if (!object.IsObject())
        return;
    ScriptObject* target = object.Object;
    if (name == "__proto__") {
        target->Prototype = value.IsObject() ? value.Object : nullptr;
        return;
    }
    if (target->Kind == ObjectKind::Array) {
        if (name == "length") {
            size_t length = ArrayLength(ToInteger(ToNumber(value)));
            Allocate(length * sizeof(Value));
            target->Elements.resize(length);
            return;
        }
        if (std::optional<size_t> index = ArrayIndex(name)) {
            CheckArrayLength(*index + 1);
            if (*index >= target->Elements.size()) {
                Allocate((*index + 1 - target->Elements.size()) * sizeof(Value));
                target->Elements.resize(*index + 1);
            }
            target->Elements[*index] = value;
            return;
        }
    }
    if (target->Hook) {
        Value given = value;
        if ((*target->Hook)(*this, name, given, true))
            return;
    }
    if (target->Clip && (SetClipProperty(*this, target, name, value) || SetFieldProperty(*this, target, name, value)))
        return;
    // The properties of how a clip draws are kept as set, and drawn.
    if (target->Clip)
        ApplyClipEffect(*this, target, name, value);
    target->Put(name, value);
}

bool ActionMachine::HasMember(ScriptObject& object, const std::string& name)
{
    if (object.Lookup(name))
        return true;
    if (object.Kind == ObjectKind::Array && (name == "length" || ArrayIndex(name)))
        return true;
    return object.Clip && (IsClipProperty(name) || ChildClip(object, name));
}

ScriptObject* ActionMachine::ChildClip(ScriptObject& clip, const std::string& name)
{
    DisplayList* list = clip.Clip ? clip.Clip->List() : nullptr;
    PlacedObject* child = list ? list->FindNamed(name, version_ < 7) : nullptr;
    return child ? ClipObject(child->Link) : nullptr;
}

ScriptObject* ActionMachine::ClipFromValue(Context& context, const Value& value)
{
    if (value.IsObject())
        return value.Object->Clip ? value.Object : nullptr;
    return ResolveTarget(&context, ToString(value));
}

void ActionMachine::GotoFrame(ScriptObject* clip, size_t frame, bool play)
{
    if (!clip || !clip->Clip)
        return;
    Timeline* frames = clip->Clip->Frames();
    if (!frames)
        return;
    if (play)
        frames->GotoAndPlay(frame);
    else
        frames->GotoAndStop(frame);
}

bool ActionMachine::GotoLabel(ScriptObject* clip, const std::string& label, bool play)
{
    DisplayList* list = clip && clip->Clip ? clip->Clip->List() : nullptr;
    if (!list)
        return false;
    std::optional<size_t> frame = FindLabel(list->FrameData(), label);
    if (frame)
        GotoFrame(clip, *frame, play);
    return frame.has_value();
}

void ActionMachine::Goto(ScriptObject* clip, const Value& frame, bool play)
{
    if (frame.IsString()) {
        if (GotoLabel(clip, frame.Text(), play))
            return;
        double number = StringToNumber(frame.Text(), 5);
        if (!std::isnan(number))
            Goto(clip, Value::FromNumber(number), play);
        return;
    }
    double index = ToInteger(ToNumber(frame)) - 1;
    GotoFrame(clip, index < 0 ? 0 : static_cast<size_t>(std::min(index, 1e9)), play);
}

void ActionMachine::CallFrame(ScriptObject* clip, const std::string& frame)
{
    DisplayList* list = clip && clip->Clip ? clip->Clip->List() : nullptr;
    if (!list)
        return;
    std::span<const Frame> frames = list->FrameData();
    std::shared_ptr<const Movie> source = LoadedSource(*clip->Clip->Link);
    std::optional<size_t> index = FindLabel(frames, frame);
    if (!index) {
        double number = StringToNumber(frame, version_);
        if (std::isnan(number) || number < 1 || number > static_cast<double>(frames.size()))
            return;
        index = static_cast<size_t>(number) - 1;
    }
    for (const std::vector<uint8_t>& block : frames[*index].Actions) {
        if (disabled_)
            return;
        if (depth_ == 0) {
            RunBlock(block, clip, source);
            continue;
        }
        try {
            RunCode(block, clip, source);
        } catch (const ScriptThrow&) {
        }
    }
}

ScriptObject* ActionMachine::FindClipFrom(Context& context, const std::string& target)
{
    ScriptObject* found = ResolveTarget(&context, target);
    return found && found->Clip ? found : nullptr;
}

std::string ActionMachine::TypeName(const Value& value)
{
    switch (value.Type) {
    case ValueType::Undefined:
        return "undefined";
    case ValueType::Null:
        return "null";
    case ValueType::Boolean:
        return "boolean";
    case ValueType::Number:
        return "number";
    case ValueType::String:
        return "string";
    case ValueType::Object:
        break;
    }
    if (value.Object->Clip)
        return value.Object->Clip->IsField ? "object" : "movieclip";
    return value.Object->IsFunction() ? "function" : "object";
}

bool ActionMachine::IsInstance(const Value& object, const Value& constructor)
{
    if (!object.IsObject() || !constructor.IsObject())
        return false;
    Value prototype = GetMember(constructor, "prototype");
    if (!prototype.IsObject())
        return false;
    ScriptObject* walk = object.Object->Prototype;
    for (int i = 0; walk && i < MaxCallDepth; ++i, walk = walk->Prototype)
        if (walk == prototype.Object)
            return true;
    return false;
}

ScriptObject* ActionMachine::Level(int32_t level)
{
    if (level == 0)
        return root_;
    auto found = Loads.Levels.find(level);
    return found == Loads.Levels.end() ? nullptr : ClipObject(found->second);
}

ScriptObject* ActionMachine::RootOf(ScriptObject* clip)
{
    for (int i = 0; clip && clip->Clip && i < MaxCallDepth; ++i) {
        if (!clip->Clip->Parent)
            return clip;
        clip = clip->Clip->Parent;
    }
    return root_;
}

void ActionMachine::GetUrl(const std::string& url, const std::string& window, uint8_t flags, ScriptObject* clip)
{
    static const std::string fsCommand = "fscommand:";
    LoadKind kind = (flags & LoadVariablesFlag) ? LoadKind::Variables
                    : url.empty()               ? LoadKind::Unload
                                                : LoadKind::Movie;
    if ((flags & (LoadVariablesFlag | LoadTargetFlag)) || LevelNumber(window))
        Loads.Into(*this, kind, url, window, clip);
    else if (StartsWithCaseless(url, fsCommand))
        events_.FsCommand(url.substr(fsCommand.size()), window);
    else
        events_.OpenUrl(url, window);
}

}
