#pragma once
// Pictures the media library's tests draw, compare and leave for the Linux
// side, whose ffmpeg compares them against what it decodes.
#include <cstdint>
#include <string>
#include <vector>

#include "MclApi.h"

namespace mcltest {

// Bytes of a picture, top-down rows without padding: BGR or BGRA.
struct Pixels {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Bits = 24;
    std::vector<uint8_t> Data;

    uint8_t* At(int32_t x, int32_t y) { return Data.data() + (static_cast<size_t>(y) * Width + x) * (Bits / 8); }
};

// Blocks of 8 x 8 in a few dozen colours, with a lighter square that moves
// with Frame: few enough colours for a GIF to keep every one.
Pixels Pattern(int32_t width, int32_t height, int32_t bits, int frame);
// A new library picture of the pixels, and the pixels of a library picture.
MclImage ToImage(const Pixels& pixels);
Pixels FromImage(MclImage img);
// Appends the pixels as RGB (or RGBA for 32 bits) to File, the form the
// Linux-side checks read.
void AppendRaw(const std::string& fileName, const Pixels& pixels);

}
