#pragma once
// flash.display.BitmapData: pixels that scripts make, fill, copy and draw
// clips into, and MovieClip's attachBitmap that shows them.
#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

void InstallBitmaps(ActionMachine& machine, ScriptObject* global);

}
