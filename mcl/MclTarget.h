#pragma once
// What a configuration writes: the container and the encoders of its video
// and sound.
#include <string>

#include "MclConversion.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

struct MclTarget {
    const char* Container = nullptr;
    const char* VideoCodec = nullptr;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    const char* AudioCodec = nullptr;
};

// False for a format, preset or codec the library does not write.
bool ChooseTarget(const MclConversion& conversion, MclTarget& target);
