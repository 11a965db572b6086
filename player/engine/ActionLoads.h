#pragma once
// Movies and variables that scripts load: loadMovie, loadVariables and
// their level forms, unloadMovie, the clips' methods of those names and
// LoadVars and MovieClipLoader. Scripts only ask; the player fetches what they asked for on a
// later frame, as one that downloads it would.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;
struct ClipLink;

enum class LoadKind : uint8_t { Movie, Variables, Unload };

// GetURL2's flags besides its low bits, the method (GET, POST), which
// files ignore.
enum GetUrlFlag : uint8_t { LoadVariablesFlag = 0x80, LoadTargetFlag = 0x40 };

struct LoadRequest {
    LoadKind Kind = LoadKind::Movie;
    std::string Url;
    // Where it goes: a level, else a clip, else a LoadVars object.
    std::optional<int32_t> Level;
    std::weak_ptr<ClipLink> Clip;
    // The LoadVars object, or the MovieClipLoader that hears of a movie's load.
    ScriptObject* Receiver = nullptr;
};

// Loads waiting at once; a movie that asks for more in one frame is
// refused the rest, so that what it loads stays bounded per frame.
inline constexpr size_t MaxPendingLoads = 64;

class ScriptLoads {
public:
    // Refused, with a message, when too many wait.
    void Request(ActionMachine& machine, LoadRequest request);
    // A load into target: a level's name, else the clip found for it; a
    // target that names nothing there loads nothing.
    void Into(ActionMachine& machine, LoadKind kind, const std::string& url, const std::string& target,
              ScriptObject* clip, ScriptObject* receiver = nullptr);
    std::vector<LoadRequest> Take();
    // Waiting LoadVars objects, and the levels' clips, stay reachable.
    void AddRoots(std::vector<ScriptObject*>& roots) const;

    // The clips of the levels above 0, kept by the player.
    std::map<int32_t, std::shared_ptr<ClipLink>> Levels;

private:
    std::vector<LoadRequest> pending_;
};

// The level a target names: "_level3" is 3; nothing for other targets.
std::optional<int32_t> LevelNumber(const std::string& target);

// Each pair of "a=1&b=two" set on object as a string.
void SetQueryVariables(ActionMachine& machine, ScriptObject* object, std::string_view query);
// A LoadVars object hears the end of its load through its onData: the
// text, or nothing when it could not be read.
void LoadVarsArrived(ActionMachine& machine, ScriptObject* receiver, const std::optional<std::string>& text);

// A MovieClipLoader's listeners hear event ("onLoadInit") with arguments.
void BroadcastLoad(ActionMachine& machine, ScriptObject* loader, const char* event, std::vector<Value> arguments);

// The global functions, the clips' methods, LoadVars and MovieClipLoader.
void InstallLoads(ActionMachine& machine, ScriptObject* global);

}
