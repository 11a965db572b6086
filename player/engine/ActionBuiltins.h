#pragma once
// The objects every movie finds ready: Object, Function, Array, String,
// Number, Boolean, Date, Math, MovieClip, ExternalInterface and the global
// functions.
#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

// Makes the prototypes and answers the global object.
ScriptObject* InstallBuiltins(ActionMachine& machine);

// A method of a built-in object: not enumerable, as the player's own are,
// and made only when a script first uses the object.
void DefineMethod(ActionMachine& machine, ScriptObject* owner, const char* name, NativeFunction function);
// A constructor: called with new it fills in the object being made, called
// as a function it converts its argument. Named so in global.
ScriptObject* Constructor(ActionMachine& machine, ScriptObject* global, const char* name, ScriptObject* prototype,
                          NativeFunction function);
// The primitive a wrapper object holds, or the value itself.
Value ThisPrimitive(NativeCall& call);

// The parts that live in their own units.
void InstallStringMethods(ActionMachine& machine, ScriptObject* global);
void InstallArrayMethods(ActionMachine& machine, ScriptObject* global);
void InstallDate(ActionMachine& machine, ScriptObject* global);
void InstallExternalInterface(ActionMachine& machine, ScriptObject* global);

}
