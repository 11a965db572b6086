#pragma once
// libavdevice's entry points, bound by name when the library loads.
#include "MyUtils.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#define TVM_AVDEVICE_ENTRY_POINTS(X) \
    X(avdevice_register_all)

TVM_DECLARE_ENTRY_POINTS(TVM_AVDEVICE_ENTRY_POINTS, AVDeviceEntryPoints)
