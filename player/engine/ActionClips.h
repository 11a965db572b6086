#pragma once
// Movie clips as scripts see them: their properties by name or by the
// numbers of GetProperty, their methods, and clips that scripts make.
#include <string>

#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

// "_x" for 0 and so on; empty for a number that names no property.
std::string ClipPropertyName(int index);
bool IsClipProperty(const std::string& name);
// Answer false for a name that is no clip property.
bool GetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, Value& value);
bool SetClipProperty(ActionMachine& machine, ScriptObject* clip, const std::string& name, const Value& value);

ScriptObject* DuplicateClip(ActionMachine& machine, ScriptObject* source, const std::string& name, int depth);
void RemoveClip(ActionMachine& machine, ScriptObject* clip);

// Calls onEnterFrame of every clip that has one, parents before children.
void RunEnterFrame(ActionMachine& machine);

// gotoAndPlay, createEmptyMovieClip and the other methods of MovieClip.
void InstallClipMethods(ActionMachine& machine, ScriptObject* prototype);

}
