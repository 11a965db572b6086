#pragma once
// libswresample's entry points, bound by name when the library loads.
#include "MyUtils.h"

extern "C" {
#include <libswresample/swresample.h>
}

#define TVM_SWRESAMPLE_ENTRY_POINTS(X) \
    X(swr_alloc_set_opts2) X(swr_convert) X(swr_free) X(swr_get_delay) X(swr_init) X(swr_set_compensation)

TVM_DECLARE_ENTRY_POINTS(TVM_SWRESAMPLE_ENTRY_POINTS, SwResampleEntryPoints)
