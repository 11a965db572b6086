#pragma once
// A picture of the library: top-down rows of BGR (24 bits) or BGRA (32 bits)
// pixels, each row padded to four bytes as a DIB's is, so a row copies to or
// from a DIB section as it is.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "MclApi.h"
#include "MclHandleTable.h"

struct MclPicture {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Bits = 24;
    std::vector<uint8_t> Pixels;

    int32_t BytesPerPixel() const { return Bits / 8; }
    int32_t Stride() const { return (Width * BytesPerPixel() + 3) & ~3; }
    uint8_t* Row(int32_t y) { return Pixels.data() + static_cast<size_t>(y) * Stride(); }
    const uint8_t* Row(int32_t y) const { return Pixels.data() + static_cast<size_t>(y) * Stride(); }
    bool Empty() const { return Width <= 0 || Height <= 0; }

    // New size and depth; what both sizes share is kept (a 24-bit picture
    // grown to 32 bits becomes opaque), new pixels are black and transparent.
    bool Redim(int32_t width, int32_t height, int32_t bits);
    // Every pixel becomes Color; its high byte is the transparency (0 opaque).
    void Clear(MclColor color);
    // Scales the picture to the new size, alpha included.
    bool Resample(int32_t width, int32_t height);
    // Draws Source over this picture with Source's alpha, its top left at
    // (X, Y); whatever falls outside is clipped.
    void Insert(const MclPicture& source, int32_t x, int32_t y);

    bool FromBitmap(HBITMAP bitmap);
    // A DIB section of the picture's depth, alpha kept; the caller owns it.
    HBITMAP ToBitmap() const;
    // 1:1 and opaque at (X, Y).
    bool Show(HDC dc, int32_t x, int32_t y) const;
};

MclHandleTable<MclPicture>& Pictures();
// Nullptr for a handle the library did not give out.
MclPicture* PictureFromHandle(MclImage img);

// Sizes a picture may take: positive, and small enough that its bytes fit
// what a DIB can address.
bool ValidPictureSize(int64_t width, int64_t height);
