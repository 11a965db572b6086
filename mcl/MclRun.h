#pragma once
// MclConvert: pulls pictures and sound from the conversion's sources on the
// calling thread and writes them into the target file, or files when split.
#include "MclConversion.h"

int32_t RunConversion(MclHandle m, MclConversion& conversion);
