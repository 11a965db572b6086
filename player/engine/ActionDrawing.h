#pragma once
// The drawing methods of movie clips: lines, fills and gradients that
// scripts draw into a clip, kept as a shape drawn below its children.
#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

// lineStyle, beginFill, beginGradientFill, moveTo, lineTo, curveTo,
// endFill and clear.
void InstallDrawingMethods(ActionMachine& machine, ScriptObject* prototype);

}
