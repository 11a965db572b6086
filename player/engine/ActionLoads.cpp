#include "ActionLoads.h"

#include <algorithm>
#include <cmath>

#include "ActionBuiltins.h"
#include "ActionMachine.h"
#include "DisplayList.h"
#include "Variables.h"

namespace tvmplayer {

std::optional<int32_t> LevelNumber(const std::string& target)
{
    const std::string prefix = "_level";
    if (target.size() <= prefix.size() || target.size() > prefix.size() + 9 || target.compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    int32_t level = 0;
    for (size_t i = prefix.size(); i < target.size(); ++i) {
        if (target[i] < '0' || target[i] > '9')
            return std::nullopt;
        level = level * 10 + (target[i] - '0');
    }
    return level;
}

void ScriptLoads::Request(ActionMachine& machine, LoadRequest request)
{
    if (pending_.size() >= MaxPendingLoads) {
        machine.Events().Trace("Too many loads at once; \"" + request.Url + "\" was not loaded.");
        return;
    }
    machine.Allocate(sizeof(LoadRequest) + request.Url.size());
    pending_.push_back(std::move(request));
}

void ScriptLoads::Into(ActionMachine& machine, LoadKind kind, const std::string& url, const std::string& target,
                       ScriptObject* clip, ScriptObject* receiver)
{
    LoadRequest request;
    request.Kind = kind;
    request.Url = url;
    request.Receiver = receiver;
    bool isClip = clip && clip->Clip && !clip->Clip->IsField;
    // A level's own clip stands for its level.
    if (isClip && !clip->Clip->Parent)
        request.Level = LevelNumber(clip->Clip->Name);
    else if (isClip)
        request.Clip = clip->Clip->Link;
    else
        request.Level = LevelNumber(target);
    if (!request.Level && !isClip)
        return;
    Request(machine, std::move(request));
}

std::vector<LoadRequest> ScriptLoads::Take()
{
    std::vector<LoadRequest> taken;
    taken.swap(pending_);
    return taken;
}

void ScriptLoads::AddRoots(std::vector<ScriptObject*>& roots) const
{
    for (const LoadRequest& request : pending_)
        if (request.Receiver)
            roots.push_back(request.Receiver);
    std::vector<std::shared_ptr<ClipLink>> links;
    for (const auto& [level, link] : Levels) {
        links.push_back(link);
        if (link->Object && link->Object->Children)
            CollectLinks(*link->Object->Children, links, SIZE_MAX);
    }
    for (const auto& link : links)
        if (link->Script)
            roots.push_back(link->Script);
}

void SetQueryVariables(ActionMachine& machine, ScriptObject* object, std::string_view query)
{
    for (const auto& [name, value] : ParseQuery(query))
        machine.SetMember(Value::FromObject(object), name, Value::FromString(value));
}

void LoadVarsArrived(ActionMachine& machine, ScriptObject* receiver, const std::optional<std::string>& text)
{
    Value handler = machine.GetMember(Value::FromObject(receiver), "onData");
    machine.CallFromOutside(handler, receiver, {text ? Value::FromString(*text) : Value()});
}

void BroadcastLoad(ActionMachine& machine, ScriptObject* loader, const char* event, std::vector<Value> arguments)
{
    Value listeners = machine.GetMember(Value::FromObject(loader), "_listeners");
    if (!listeners.IsObject())
        return;
    // Listeners may come and go as they hear it.
    std::vector<Value> hearing = listeners.Object->Elements;
    for (const Value& listener : hearing) {
        Value handler = machine.GetMember(listener, event);
        if (handler.IsObject() && handler.Object->IsFunction())
            machine.CallFromOutside(handler, listener.IsObject() ? listener.Object : nullptr, arguments);
    }
}

namespace {

// A target given as a clip or as its name.
void LoadInto(NativeCall& call, LoadKind kind, const std::string& url, const Value& target,
              ScriptObject* receiver = nullptr)
{
    ActionMachine& machine = call.Machine;
    if (target.IsObject() && target.Object->Clip) {
        machine.Loads.Into(machine, kind, url, {}, target.Object, receiver);
        return;
    }
    std::string name = machine.ToString(target);
    machine.Loads.Into(machine, kind, url, name, machine.FindClip(name), receiver);
}

void LoadLevel(NativeCall& call, LoadKind kind, const std::string& url, const Value& level)
{
    double number = call.Machine.ToNumber(level);
    if (std::isfinite(number) && number >= 0 && number < 1e9)
    {
        LoadRequest request;
        request.Kind = kind;
        request.Url = url;
        request.Level = static_cast<int32_t>(number);
        call.Machine.Loads.Request(call.Machine, std::move(request));
    }
}

void InstallGlobals(ActionMachine& machine, ScriptObject* global)
{
    auto url = [](NativeCall& call) { return call.Machine.ToString(call.Argument(0)); };
    DefineMethod(machine, global, "loadMovie", [url](NativeCall& call) {
        std::string address = url(call);
        LoadInto(call, address.empty() ? LoadKind::Unload : LoadKind::Movie, address, call.Argument(1));
        return Value();
    });
    DefineMethod(machine, global, "loadMovieNum", [url](NativeCall& call) {
        std::string address = url(call);
        LoadLevel(call, address.empty() ? LoadKind::Unload : LoadKind::Movie, address, call.Argument(1));
        return Value();
    });
    DefineMethod(machine, global, "unloadMovie", [](NativeCall& call) {
        LoadInto(call, LoadKind::Unload, {}, call.Argument(0));
        return Value();
    });
    DefineMethod(machine, global, "unloadMovieNum", [](NativeCall& call) {
        LoadLevel(call, LoadKind::Unload, {}, call.Argument(0));
        return Value();
    });
    DefineMethod(machine, global, "loadVariables", [url](NativeCall& call) {
        LoadInto(call, LoadKind::Variables, url(call), call.Argument(1));
        return Value();
    });
    DefineMethod(machine, global, "loadVariablesNum", [url](NativeCall& call) {
        LoadLevel(call, LoadKind::Variables, url(call), call.Argument(1));
        return Value();
    });
}

void InstallClipLoads(ActionMachine& machine, ScriptObject* prototype)
{
    DefineMethod(machine, prototype, "loadMovie", [](NativeCall& call) {
        if (call.This)
            LoadInto(call, LoadKind::Movie, call.Machine.ToString(call.Argument(0)), Value::FromObject(call.This));
        return Value();
    });
    DefineMethod(machine, prototype, "unloadMovie", [](NativeCall& call) {
        if (call.This)
            LoadInto(call, LoadKind::Unload, {}, Value::FromObject(call.This));
        return Value();
    });
    DefineMethod(machine, prototype, "loadVariables", [](NativeCall& call) {
        if (call.This)
            LoadInto(call, LoadKind::Variables, call.Machine.ToString(call.Argument(0)),
                     Value::FromObject(call.This));
        return Value();
    });
}

void CallOnLoad(ActionMachine& machine, ScriptObject* object, bool success)
{
    Value handler = machine.GetMember(Value::FromObject(object), "onLoad");
    Value flag = Value::Boolean(success);
    if (handler.IsObject())
        machine.Call(handler, object, std::span<Value>(&flag, 1));
}

void InstallLoadVars(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.NewObject();
    Constructor(machine, global, "LoadVars", prototype, [](NativeCall& call) {
        return call.Constructing && call.This ? Value::FromObject(call.This) : Value();
    });
    DefineMethod(machine, prototype, "load", [](NativeCall& call) {
        if (!call.This)
            return Value::Boolean(false);
        std::string url = call.Machine.ToString(call.Argument(0));
        call.This->Put("loaded", Value::Boolean(false));
        LoadRequest request;
        request.Kind = LoadKind::Variables;
        request.Url = url;
        request.Receiver = call.This;
        call.Machine.Loads.Request(call.Machine, std::move(request));
        return Value::Boolean(true);
    });
    DefineMethod(machine, prototype, "decode", [](NativeCall& call) {
        if (call.This)
            SetQueryVariables(call.Machine, call.This, call.Machine.ToString(call.Argument(0)));
        return Value();
    });
    DefineMethod(machine, prototype, "toString", [](NativeCall& call) {
        std::string text;
        if (!call.This)
            return Value::FromString(text);
        for (const std::string& name : call.This->Names()) {
            Value value = call.Machine.GetMember(Value::FromObject(call.This), name);
            if (value.IsObject() && value.Object->IsFunction())
                continue;
            std::string pair = UrlEscape(name) + "=" + UrlEscape(call.Machine.ToString(value));
            CheckTextLength(text.size() + pair.size() + 1);
            text += (text.empty() ? "" : "&") + pair;
        }
        call.Machine.Allocate(text.size());
        return Value::FromString(text);
    });
    // What a load hands over: decoded into the object unless a script
    // answers onData itself.
    DefineMethod(machine, prototype, "onData", [](NativeCall& call) {
        if (!call.This)
            return Value();
        const Value& text = call.Argument(0);
        bool arrived = text.Type != ValueType::Undefined;
        if (arrived) {
            SetQueryVariables(call.Machine, call.This, call.Machine.ToString(text));
            call.This->Put("loaded", Value::Boolean(true));
        }
        CallOnLoad(call.Machine, call.This, arrived);
        return Value();
    });
}

std::vector<Value>::iterator FindListener(std::vector<Value>& listeners, const Value& listener)
{
    return std::find_if(listeners.begin(), listeners.end(),
                        [&](const Value& v) { return v.IsObject() && v.Object == listener.Object; });
}

void InstallClipLoader(ActionMachine& machine, ScriptObject* global)
{
    ScriptObject* prototype = machine.NewObject();
    // The loader hears its own events first, as a broadcaster does.
    Constructor(machine, global, "MovieClipLoader", prototype, [](NativeCall& call) {
        if (!call.Constructing || !call.This)
            return Value();
        call.This->Put("_listeners", Value::FromObject(call.Machine.NewArray({Value::FromObject(call.This)})),
                       DontEnum);
        return Value::FromObject(call.This);
    });
    auto listeners = [](NativeCall& call) -> ScriptObject* {
        Value list = call.This ? call.Machine.GetMember(Value::FromObject(call.This), "_listeners") : Value();
        return list.IsObject() && list.Object->Kind == ObjectKind::Array ? list.Object : nullptr;
    };
    DefineMethod(machine, prototype, "addListener", [listeners](NativeCall& call) {
        ScriptObject* list = listeners(call);
        const Value& listener = call.Argument(0);
        if (!list || !listener.IsObject())
            return Value::Boolean(false);
        auto& elements = list->Elements;
        if (FindListener(elements, listener) == elements.end()) {
            CheckArrayLength(elements.size() + 1);
            call.Machine.Allocate(sizeof(Value));
            elements.push_back(listener);
        }
        return Value::Boolean(true);
    });
    DefineMethod(machine, prototype, "removeListener", [listeners](NativeCall& call) {
        ScriptObject* list = listeners(call);
        const Value& listener = call.Argument(0);
        if (!list || !listener.IsObject())
            return Value::Boolean(false);
        auto at = FindListener(list->Elements, listener);
        if (at == list->Elements.end())
            return Value::Boolean(false);
        list->Elements.erase(at);
        return Value::Boolean(true);
    });
    DefineMethod(machine, prototype, "loadClip", [](NativeCall& call) {
        if (call.This)
            LoadInto(call, LoadKind::Movie, call.Machine.ToString(call.Argument(0)), call.Argument(1), call.This);
        return Value::Boolean(call.This != nullptr);
    });
    DefineMethod(machine, prototype, "unloadClip", [](NativeCall& call) {
        LoadInto(call, LoadKind::Unload, {}, call.Argument(0));
        return Value::Boolean(true);
    });
}

}

void InstallLoads(ActionMachine& machine, ScriptObject* global)
{
    InstallGlobals(machine, global);
    InstallClipLoads(machine, machine.Protos.Clip);
    InstallLoadVars(machine, global);
    InstallClipLoader(machine, global);
}

}
