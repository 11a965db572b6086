#include "ActionObject.h"

#include <algorithm>
#include <cctype>

#include "DisplayList.h"

namespace tvmplayer {
namespace {

// Prototype chains are walked no further, so that a cycle made by a script
// ends the walk.
constexpr int MaxPrototypeChain = 256;

}

const Value& NativeCall::Argument(size_t index) const
{
    static const Value undefined;
    return index < Arguments.size() ? Arguments[index] : undefined;
}

bool ScriptObject::NameOrder::operator()(const std::string& a, const std::string& b) const
{
    if (!Caseless)
        return a < b;
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

ScriptObject::ScriptObject(ObjectKind kind, ScriptObject* prototype, bool caseless)
    : Kind(kind), Prototype(prototype), properties_(NameOrder{caseless})
{
}

Property* ScriptObject::Find(const std::string& name)
{
    MakeDeferred();
    auto found = properties_.find(name);
    return found == properties_.end() ? nullptr : &found->second;
}

Property* ScriptObject::Lookup(const std::string& name)
{
    ScriptObject* object = this;
    for (int i = 0; object && i < MaxPrototypeChain; ++i, object = object->Prototype)
        if (Property* property = object->Find(name))
            return property;
    return nullptr;
}

void ScriptObject::Put(const std::string& name, Value value, uint8_t flags)
{
    MakeDeferred();
    auto found = properties_.find(name);
    if (found == properties_.end()) {
        properties_.emplace(name, Property{std::move(value), flags});
    } else if (!(found->second.Flags & ReadOnly)) {
        found->second.Content = std::move(value);
    }
}

bool ScriptObject::Remove(const std::string& name)
{
    MakeDeferred();
    auto found = properties_.find(name);
    if (found == properties_.end() || (found->second.Flags & DontDelete))
        return false;
    properties_.erase(found);
    return true;
}

std::vector<std::string> ScriptObject::Names()
{
    MakeDeferred();
    std::vector<std::string> names;
    for (const auto& [name, property] : properties_)
        if (!(property.Flags & DontEnum))
            names.push_back(name);
    return names;
}

void ScriptObject::DeferMethod(ScriptHeap& heap, ScriptObject* functionPrototype, std::string name,
                               NativeFunction function)
{
    if (!deferred_)
        deferred_ = std::make_unique<DeferredMethods>(DeferredMethods{heap, functionPrototype, {}});
    deferred_->Methods.emplace_back(std::move(name), std::move(function));
}

void ScriptObject::MakeMethods()
{
    // Taken first: the puts below must not make them again.
    std::unique_ptr<DeferredMethods> deferred = std::move(deferred_);
    for (auto& [name, function] : deferred->Methods) {
        ScriptObject* method = deferred->Heap.Make(ObjectKind::Function, deferred->FunctionPrototype);
        method->Native = std::move(function);
        Put(name, Value::FromObject(method), DontEnum);
    }
}

ScriptObject* ScriptHeap::New(ObjectKind kind, ScriptObject* prototype)
{
    if (objects_.size() >= MaxObjects)
        throw ScriptAbort("a script made more objects than the player allows");
    return Make(kind, prototype);
}

ScriptObject* ScriptHeap::Make(ObjectKind kind, ScriptObject* prototype)
{
    objects_.push_back(std::make_unique<ScriptObject>(kind, prototype, caseless_));
    return objects_.back().get();
}

void ScriptHeap::Collect(std::span<ScriptObject* const> roots)
{
    // An explicit list of objects to visit: a long chain of objects must not
    // run the native stack down.
    std::vector<ScriptObject*> pending(roots.begin(), roots.end());
    auto visit = [&](ScriptObject* object) {
        if (object && !object->marked_)
            pending.push_back(object);
    };
    auto visitValue = [&](const Value& value) {
        if (value.Type == ValueType::Object)
            visit(value.Object);
    };
    while (!pending.empty()) {
        ScriptObject* object = pending.back();
        pending.pop_back();
        if (!object || object->marked_)
            continue;
        object->marked_ = true;
        visit(object->Prototype);
        for (const auto& entry : object->properties_) visitValue(entry.second.Content);
        for (const Value& element : object->Elements) visitValue(element);
        if (object->Script) {
            for (ScriptObject* scope : object->Script->Scope) visit(scope);
            visit(object->Script->Target);
        }
        if (object->Clip)
            visit(object->Clip->Parent);
    }
    std::erase_if(objects_, [](const std::unique_ptr<ScriptObject>& object) { return !object->marked_; });
    for (auto& object : objects_) object->marked_ = false;
    survivors_ = objects_.size();
}

void CheckTextLength(size_t length)
{
    if (length > ScriptHeap::MaxText)
        throw ScriptAbort("a script made a text longer than the player allows");
}

void CheckArrayLength(size_t length)
{
    if (length > ScriptHeap::MaxElements)
        throw ScriptAbort("a script made an array longer than the player allows");
}

size_t ArrayLength(double length)
{
    if (!(length >= 0 && length <= static_cast<double>(ScriptHeap::MaxElements)))
        throw ScriptAbort("a script made an array longer than the player allows");
    return static_cast<size_t>(length);
}

}

namespace tvmplayer {

std::optional<size_t> ArrayIndex(const std::string& name)
{
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0'))
        return std::nullopt;
    size_t index = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return std::nullopt;
        index = index * 10 + static_cast<size_t>(c - '0');
    }
    return index;
}

ClipState::~ClipState()
{
    if (Link)
        Link->Script = nullptr;
}

PlacedObject* ClipState::Placed() const
{
    return Link ? Link->Object : nullptr;
}

DisplayList* ClipState::List() const
{
    PlacedObject* placed = Placed();
    return placed ? placed->Children.get() : nullptr;
}

Timeline* ClipState::Frames() const
{
    DisplayList* list = List();
    return list ? &list->Frames() : nullptr;
}

}
