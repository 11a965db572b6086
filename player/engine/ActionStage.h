#pragma once
// Stage, Mouse and Key as a movie converted without a user finds them: the
// stage's size, and a mouse and keyboard that never act.
#include "ActionObject.h"

namespace tvmplayer {

class ActionMachine;

void InstallStage(ActionMachine& machine, ScriptObject* global);

}
