#pragma once
// libswscale's entry points, bound by name when the library loads.
#include "MyUtils.h"

extern "C" {
#include <libswscale/swscale.h>
}

#define TVM_SWSCALE_ENTRY_POINTS(X) \
    X(sws_freeContext) X(sws_get_class) X(sws_getCachedContext) X(sws_getContext) X(sws_scale)

TVM_DECLARE_ENTRY_POINTS(TVM_SWSCALE_ENTRY_POINTS, SwScaleEntryPoints)
