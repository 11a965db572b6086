#pragma once
// The pixel work of the 32-bit ARGB bitmap, free of any system call: rows of
// 0xAARRGGBB pixels (blue, green, red, alpha in memory), copied, keyed,
// blended and stretched between pixel buffers.
#include <cstdint>

using TfeColor = uint32_t;

// Pixels of a colour-keyed source with this colour (alpha ignored) are left out.
constexpr TfeColor feKeyColor = 0x7F007F;

// How a source row lands on a destination row.
enum class TfeDrawMode { Copy, ColorKey, Blend };

// Left and top inside, right and bottom outside.
struct TfeRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Width() < 1 || Height() < 1; }
};
TfeRect IntersectRects(const TfeRect& a, const TfeRect& b);

// A top-down buffer of Width x Height pixels without gaps between rows.
struct TfePixels {
    TfeColor* Bits = nullptr;
    int Width = 0;
    int Height = 0;
    TfeColor* Row(int y) const { return Bits + static_cast<intptr_t>(y) * Width; }
};

// Source over destination by the source's alpha: 0 leaves the destination,
// 255 takes the source; between them each colour channel mixes as
// (s * a + d * (255 - a)) / 255 and the alpha becomes the cover
// a + da * (255 - a) / 255, both rounded to nearest. Every path that blends
// uses this one formula.
TfeColor BlendPixel(TfeColor source, TfeColor destination);

void CopyRow(const TfeColor* source, TfeColor* destination, int count);
// Pixels not of the key colour are stored opaque; keyed ones leave the destination.
void ColorKeyRow(const TfeColor* source, TfeColor* destination, int count);
void BlendRow(const TfeColor* source, TfeColor* destination, int count);
void DrawRow(TfeDrawMode mode, const TfeColor* source, TfeColor* destination, int count);
void FillRow(TfeColor* destination, int count, TfeColor color);
void SetAlphaRow(TfeColor* destination, int count, uint8_t alpha);

// Draws SourceRect of Source into DestRect of Dest, limited to Clip and to
// Dest's bounds, scaling by nearest neighbour; nothing when the source
// rectangle is empty or not inside Source, or the clip comes out empty.
void StretchPixels(const TfePixels& source, const TfeRect& sourceRect, const TfePixels& dest,
                   const TfeRect& destRect, const TfeRect& clip, TfeDrawMode mode);
