#pragma once
// setInterval and setTimeout: functions called again and again, or once,
// on the movie's clock, between frames.
#include <cstdint>
#include <string>
#include <vector>

#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

class ScriptTimers {
public:
    // Calls what is due at now (milliseconds of the movie's clock).
    void Run(ActionMachine& machine, uint32_t now);
    // What the timers keep alive.
    void AddRoots(std::vector<ScriptObject*>& roots) const;

    struct Timer {
        int Id = 0;
        Value Function;
        ScriptObject* Object = nullptr;
        std::string Method;
        std::vector<Value> Arguments;
        uint32_t Period = 0;
        uint32_t Due = 0;
        bool Once = false;
    };
    int Add(Timer timer);
    void Remove(int id);
    bool Active() const { return !timers_.empty(); }

    static constexpr size_t MaxTimers = 1000;

private:
    std::vector<Timer> timers_;
    int nextId_ = 1;
};

void InstallTimers(ActionMachine& machine, ScriptObject* global);

}
