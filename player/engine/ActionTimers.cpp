#include "ActionTimers.h"

#include <algorithm>

#include "ActionBuiltins.h"
#include "ActionMachine.h"

namespace tvmplayer {
namespace {

// A timer behind by more than this many periods skips ahead instead of
// catching up call by call.
constexpr int MaxCallsAtOnce = 10;
// The shortest period the player keeps.
constexpr uint32_t MinPeriod = 10;

bool Reached(uint32_t now, uint32_t due)
{
    return static_cast<int32_t>(now - due) >= 0;
}

Value SetTimer(NativeCall& call, bool once)
{
    ScriptTimers::Timer timer;
    size_t next = 0;
    const Value& first = call.Argument(0);
    if (first.IsObject() && !first.Object->IsFunction()) {
        timer.Object = first.Object;
        timer.Method = call.Machine.ToString(call.Argument(1));
        next = 2;
    } else if (first.IsObject()) {
        timer.Function = first;
        next = 1;
    } else {
        return {};
    }
    double period = ToInteger(call.Machine.ToNumber(call.Argument(next)));
    timer.Period = std::max(MinPeriod, static_cast<uint32_t>(std::clamp(period, 0.0, 86400000.0)));
    for (size_t i = next + 1; i < call.Count(); ++i) timer.Arguments.push_back(call.Arguments[i]);
    timer.Due = call.Machine.Elapsed + timer.Period;
    timer.Once = once;
    int id = call.Machine.Timers.Add(std::move(timer));
    return id ? Value::FromNumber(id) : Value();
}

}

int ScriptTimers::Add(Timer timer)
{
    if (timers_.size() >= MaxTimers)
        return 0;
    timer.Id = nextId_++;
    timers_.push_back(std::move(timer));
    return timers_.back().Id;
}

void ScriptTimers::Remove(int id)
{
    std::erase_if(timers_, [id](const Timer& timer) { return timer.Id == id; });
}

void ScriptTimers::Run(ActionMachine& machine, uint32_t now)
{
    // Handlers may add and clear timers: work from a list of ids.
    std::vector<int> ids;
    for (const Timer& timer : timers_) ids.push_back(timer.Id);
    for (int id : ids) {
        for (int calls = 0; calls < MaxCallsAtOnce; ++calls) {
            auto found = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.Id == id; });
            if (found == timers_.end() || !Reached(now, found->Due))
                break;
            Timer timer = *found;
            if (timer.Once)
                timers_.erase(found);
            else
                found->Due += timer.Period;
            Value function = timer.Function;
            if (timer.Object)
                function = machine.GetMember(Value::FromObject(timer.Object), timer.Method);
            machine.CallFromOutside(function, timer.Object, timer.Arguments);
            if (timer.Once)
                break;
        }
        auto found = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.Id == id; });
        if (found != timers_.end() && Reached(now, found->Due))
            found->Due = now + found->Period;
    }
}

void ScriptTimers::AddRoots(std::vector<ScriptObject*>& roots) const
{
    for (const Timer& timer : timers_) {
        if (timer.Function.IsObject())
            roots.push_back(timer.Function.Object);
        if (timer.Object)
            roots.push_back(timer.Object);
        for (const Value& argument : timer.Arguments)
            if (argument.IsObject())
                roots.push_back(argument.Object);
    }
}

void InstallTimers(ActionMachine& machine, ScriptObject* global)
{
    DefineMethod(machine, global, "setInterval", [](NativeCall& call) { return SetTimer(call, false); });
    DefineMethod(machine, global, "setTimeout", [](NativeCall& call) { return SetTimer(call, true); });
    auto clear = [](NativeCall& call) {
        call.Machine.Timers.Remove(ToSaturatedInt32(call.Machine.ToNumber(call.Argument(0))));
        return Value();
    };
    DefineMethod(machine, global, "clearInterval", clear);
    DefineMethod(machine, global, "clearTimeout", clear);
}

}
