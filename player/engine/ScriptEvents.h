#pragma once
// What a movie's scripts tell the world outside the engine. The control
// turns these into its events and the debug output; every method may be
// left as it is.
#include <string>

namespace tvmplayer {

class ScriptEvents {
public:
    virtual ~ScriptEvents() = default;
    // trace() and the player's own warnings about scripts.
    virtual void Trace(const std::string&) {}
    // getURL("FSCommand:command", args) and fscommand(command, args).
    virtual void FsCommand(const std::string& /*command*/, const std::string& /*args*/) {}
    // ExternalInterface.call: the request as invoke XML; answers the
    // host's return value as XML, empty when it gave none.
    virtual std::string ExternalCall(const std::string&) { return {}; }
    // Any other getURL: nothing is opened while a movie is converted.
    virtual void OpenUrl(const std::string& /*url*/, const std::string& /*window*/) {}
    virtual void StopSounds() {}
    virtual void ToggleQuality() {}
};

}
