#pragma once
// The drawing methods of movie clips: lines, fills, gradients and bitmaps that
// scripts draw into a clip, kept as a shape drawn below its children.
#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

// lineStyle, lineGradientStyle, beginFill, beginGradientFill,
// beginBitmapFill, moveTo, lineTo, curveTo, endFill and clear.
void InstallDrawingMethods(ActionMachine& machine, ScriptObject* prototype);

}
