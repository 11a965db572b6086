#pragma once
// Movie clips as scripts see them: their properties by name or by the
// numbers of GetProperty, their methods, and clips that scripts make.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;
struct Movie;

// "_x" for 0 and so on; empty for a number that names no property.
std::string ClipPropertyName(int index);
bool IsClipProperty(const std::string& name);
// Answer false for a name that is no clip property.
bool GetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, Value& value);
bool SetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, const Value& value);

struct StageEvent;

// What a clip or text field that a script makes takes with all it holds,
// roughly: counted against the memory of the frame's scripts.
inline constexpr size_t ClipBytes = 1024;

// The character a movie exports under name, its case aside.
std::optional<uint16_t> ExportedId(const Movie& movie, const std::string& name);

// A depth in the scripts' numbering, as display lists key it.
int32_t ListDepth(double depth);

// depth: the list's own numbering, where the scripts' 0 is 16384.
ScriptObject* DuplicateClip(ActionMachine& machine, ScriptObject* source, const std::string& name, double depth);
// Only clips at the scripts' depths leave.
void RemoveClip(ActionMachine& machine, ScriptObject* clip);

// Runs the sprites' frame actions and clip events the stage raised, in turn.
void RunStageEvents(ActionMachine& machine, std::vector<StageEvent>& events);
// Runs the enterFrame clip events and calls onEnterFrame of every clip on
// the stage that has one, parents before children. Answers whether any ran.
bool RunEnterFrame(ActionMachine& machine);

// gotoAndPlay, createEmptyMovieClip and the other methods of MovieClip.
void InstallClipMethods(ActionMachine& machine, ScriptObject* prototype);

}
