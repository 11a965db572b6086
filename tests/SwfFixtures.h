#pragma once
// Small Flash movies and projector executables made by the tests themselves.
#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

// How a StartSound plays its sound (SOUNDINFO).
struct SwfSoundInfo {
    bool stop = false, noMultiple = false;
    uint32_t inPoint = 0, outPoint = 0;  // 0: not given
    uint16_t loops = 0;                  // 0: not given
    struct Point {
        uint32_t position;
        uint16_t left, right;
    };
    std::vector<Point> envelope;
};

// A sound format byte: codec (0 uncompressed, 1 ADPCM, 2 MP3, 3 PCM little-endian,
// 6 Nellymoser, ...), rate (0: 5.5, 1: 11, 2: 22, 3: 44 kHz), 16 bits, stereo.
uint8_t SoundFormatByte(int codec, int rate, bool sixteenBit, bool stereo);

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
    SwfTags& DefineSound(uint16_t id, uint8_t format, uint32_t sampleCount, const Bytes& data);
    SwfTags& StartSound(uint16_t id, const SwfSoundInfo& info = {});
    SwfTags& SoundStreamHead(uint8_t format, uint16_t samplesPerBlock);
    SwfTags& SoundStreamBlock(const Bytes& data);
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
// A fake executable with Movie stored at its end, as projectors do.
Bytes MakeProjector(const Bytes& movie);

}
