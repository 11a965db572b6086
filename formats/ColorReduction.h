#pragma once
// Reduction of 24-bit pixels to a palette of at most 256 colours by one of
// six methods. Plain C++, no system headers.
#include <array>
#include <cstdint>

enum TColorReduction : uint8_t { crHistogram, crMedianCut, crTrunc784, crTrunc666, crChannelRamps, crGrayscale };

// A palette entry in the order of a DIB colour table.
struct TPaletteEntry {
    uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
};
using TReducedPalette = std::array<TPaletteEntry, 256>;

// Pixels of a bottom-up image: Rows points at the first row in memory (the
// bottom one) and Stride bytes lead to the next.
template <typename Pixel>
struct TPixelRows {
    Pixel* Rows = nullptr;
    int64_t Stride = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    Pixel* Row(int32_t memoryRow) const { return Rows + memoryRow * Stride; }
};

// Writes the palette and one index per pixel of Source (blue, green, red
// bytes) into Indices, which has Source's size. Answers the number of colours
// used for the methods that count them (median cut: its boxes; 224 and 216
// for the truncations), else 0. Transparent is a pixel value as the bytes
// read little-endian (0x00RRGGBB); the histogram hands back the colour a
// pixel of that value was reduced to.
int ReduceColors(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TColorReduction method,
                 uint32_t& transparent, TReducedPalette& palette);

// The index of the level nearest to Value among 4, 6, 7 or 8 evenly spread
// levels (the lower on a tie), and the level itself.
int NearestLevelIndex(int levels, uint8_t value);
uint8_t LevelValue(int levels, int index);
