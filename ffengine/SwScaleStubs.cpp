#include "SwScaleStubs.h"

TVM_DEFINE_ENTRY_POINTS(TVM_SWSCALE_ENTRY_POINTS, SwScaleEntryPoints)
