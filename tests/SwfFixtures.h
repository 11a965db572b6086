#pragma once
// Small Flash movies and projector executables made by the tests themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

// The tags of a movie, written one after another:
//   SwfTags().Background(0x336699).Label("start").ShowFrame().End().Take()
class SwfTags {
public:
    // Any tag; the long header form is used when the body needs it or when asked.
    SwfTags& Tag(uint16_t code, const Bytes& body, bool longForm = false);
    SwfTags& Background(uint32_t rgb);
    SwfTags& ShowFrame();
    SwfTags& Label(const std::string& name);
    SwfTags& DoAction(const Bytes& actions);
    SwfTags& Sprite(uint16_t id, uint16_t frameCount, const Bytes& tags);
    SwfTags& End();
    Bytes Take() { return std::move(bytes_); }

private:
    Bytes bytes_;
};

struct SwfMovie {
    int32_t widthTwips = 11000;
    int32_t heightTwips = 8000;
    uint8_t rateFraction = 0x00;  // the 8.8 frame rate's low byte
    uint8_t rateInteger = 0x18;
    uint16_t frameCount = 120;
    uint8_t version = 10;
    // What follows the header; when empty, a white background and one frame.
    Bytes tags;
};

// "FWS", "CWS" (zlib) or "ZWS" (raw LZMA1 with 5 property bytes).
Bytes MakeSwf(const SwfMovie& movie, const char* signature = "FWS");
// A zlib stream of data, as compressed movies and lossless bitmaps hold it.
Bytes Deflate(const Bytes& data);
// A fake executable with Movie stored at its end, as projectors do.
Bytes MakeProjector(const Bytes& movie);

}
