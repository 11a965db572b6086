#pragma once
// The flash.filters classes, and the filters a clip's filters array asks for.
#include <vector>

#include "ActionObject.h"
#include "Filters.h"

namespace tvmplayer {

class ActionMachine;

// The filters of an array of filter objects; what is no filter is passed over.
std::vector<Filter> ScriptFilters(ActionMachine& machine, const Value& list);

void InstallFilterClasses(ActionMachine& machine, ScriptObject* global);

}
