#pragma once
// The check every back end makes of a task before it converts.
#include "kvnTavelomaticType.h"

// The first failing check decides: 8 a conversion is already running, 2 the
// source is missing, 3 the target exists and cannot be deleted (it is
// deleted otherwise), 7 the target's folder cannot be made. Else 0, after
// the start and stop frames, the aspect of a transparent stage and the crop
// rectangle have been fitted to the source in Settings.
int ValidateTask(TkvnTavelomaticSettings& settings);
