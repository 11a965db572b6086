#include "SwResampleStubs.h"

TVM_DEFINE_ENTRY_POINTS(TVM_SWRESAMPLE_ENTRY_POINTS, SwResampleEntryPoints)
