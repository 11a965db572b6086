#pragma once
// Color, flash.geom (Point, Rectangle, Matrix, ColorTransform, Transform)
// and the properties through which scripts change how a clip draws:
// transform, filters, blendMode and scrollRect.
#include <initializer_list>
#include <string>

#include "ActionObject.h"
#include "Records.h"

namespace tvmplayer {

class ActionMachine;

// A clip's transform, made afresh at each read; false for other names.
bool GetClipEffect(ActionMachine& machine, ScriptObject* clip, const std::string& name, Value& value);
// Draws the clip as transform, filters, blendMode or scrollRect now say;
// other names are left alone.
void ApplyClipEffect(ActionMachine& machine, ScriptObject* clip, const std::string& name, const Value& value);

// The object a dotted package name stands for in global ("flash", "geom"),
// made where missing.
ScriptObject* PackageObject(ActionMachine& machine, ScriptObject* global, std::initializer_list<const char*> path);

// A flash.geom.Matrix or any object with its members, translation in pixels;
// a member missing is the identity's.
Matrix MatrixOf(ActionMachine& machine, const Value& object);

void InstallGeometry(ActionMachine& machine, ScriptObject* global);

}
