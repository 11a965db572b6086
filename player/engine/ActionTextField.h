#pragma once
// Text fields that scripts make and change: createTextField, the
// properties of TextField and the TextFormat objects that style a field.
#include <string>

#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

// Answer false for a name that is no text field property, or an object that
// is no text field.
bool GetFieldProperty(ActionMachine& machine, ScriptObject* object, const std::string& name, Value& value);
bool SetFieldProperty(ActionMachine& machine, ScriptObject* object, const std::string& name, const Value& value);

// TextField, TextFormat and MovieClip's createTextField; after the clips'.
void InstallTextFields(ActionMachine& machine, ScriptObject* global);

}
