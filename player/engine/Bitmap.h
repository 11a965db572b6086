#pragma once
// The bitmaps of a movie, decoded once when the movie loads: DefineBits
// (with the movie's JPEGTables), DefineBitsJPEG2/3/4 (whose image may also
// be a PNG or a GIF) and DefineBitsLossless/2 in every format.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "SwfReader.h"

namespace tvmplayer {

// A number no other call returns. It names a bitmap or a shape for the
// cache of shape pictures, where an address could name a later one: a
// definition may be replaced where it lies.
uint64_t NewDrawingSerial();

struct Bitmap {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;  // premultiplied 0xAARRGGBB, rows packed
    // Copies keep it: a copy given other pixels draws under a key of its own
    // (a colour transform's).
    uint64_t Serial = NewDrawingSerial();
};

// Larger bitmaps are refused, whatever their header claims.
inline constexpr size_t MaxBitmapPixels = 1u << 24;

// A bitmap tag's body after its character id; nothing when its data cannot
// be decoded. tables: the movie's JPEGTables, for DefineBits.
std::optional<Bitmap> ReadBitmap(uint16_t code, SwfReader& body, std::span<const uint8_t> tables);

}
