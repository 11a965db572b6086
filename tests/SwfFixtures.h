#pragma once
// Small Flash movies and projector executables made by the tests themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace tvmtest {

struct SwfMovie {
    int32_t widthTwips = 11000;
    int32_t heightTwips = 8000;
    uint8_t rateFraction = 0x00;  // the 8.8 frame rate's low byte
    uint8_t rateInteger = 0x18;
    uint16_t frameCount = 120;
    uint8_t version = 10;
};

// "FWS", "CWS" (zlib) or "ZWS" (raw LZMA1 with 5 property bytes).
Bytes MakeSwf(const SwfMovie& movie, const char* signature = "FWS");
// A fake executable with Movie stored at its end, as projectors do.
Bytes MakeProjector(const Bytes& movie);

}
