#include "fe_pixels.h"

#include <algorithm>
#include <vector>

namespace {

uint32_t Channel(TfeColor color, int shift)
{
    return (color >> shift) & 0xFF;
}

uint32_t Mix(uint32_t source, uint32_t destination, uint32_t alpha)
{
    return (source * alpha + destination * (255 - alpha) + 127) / 255;
}

// The source column (or row) for destination index I of a span of
// DestLength mapped from SourceFirst over SourceLength.
int SourceIndex(int i, int destLength, int sourceFirst, int sourceLength)
{
    if (destLength == 1) return sourceFirst + (sourceLength - 1) / 2;
    return static_cast<int>(static_cast<int64_t>(i) * (sourceLength - 1) / (destLength - 1)) + sourceFirst;
}

}

TfeRect IntersectRects(const TfeRect& a, const TfeRect& b)
{
    return TfeRect{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                   std::min(a.Bottom, b.Bottom)};
}

TfeColor BlendPixel(TfeColor source, TfeColor destination)
{
    uint32_t alpha = source >> 24;
    if (alpha == 0) return destination;
    if (alpha == 255) return source;
    uint32_t cover = Mix(255, destination >> 24, alpha);
    return cover << 24 | Mix(Channel(source, 16), Channel(destination, 16), alpha) << 16 |
           Mix(Channel(source, 8), Channel(destination, 8), alpha) << 8 | Mix(Channel(source, 0), Channel(destination, 0), alpha);
}

void CopyRow(const TfeColor* source, TfeColor* destination, int count)
{
    std::copy(source, source + count, destination);
}

void ColorKeyRow(const TfeColor* source, TfeColor* destination, int count)
{
    for (int i = 0; i < count; ++i)
        if ((source[i] & 0xFFFFFF) != feKeyColor) destination[i] = source[i] | 0xFF000000;
}

void BlendRow(const TfeColor* source, TfeColor* destination, int count)
{
    for (int i = 0; i < count; ++i) destination[i] = BlendPixel(source[i], destination[i]);
}

void DrawRow(TfeDrawMode mode, const TfeColor* source, TfeColor* destination, int count)
{
    switch (mode) {
    case TfeDrawMode::Copy:
        CopyRow(source, destination, count);
        break;
    case TfeDrawMode::ColorKey:
        ColorKeyRow(source, destination, count);
        break;
    case TfeDrawMode::Blend:
        BlendRow(source, destination, count);
        break;
    }
}

void FillRow(TfeColor* destination, int count, TfeColor color)
{
    std::fill(destination, destination + count, color);
}

void SetAlphaRow(TfeColor* destination, int count, uint8_t alpha)
{
    for (int i = 0; i < count; ++i) destination[i] = (destination[i] & 0xFFFFFF) | static_cast<TfeColor>(alpha) << 24;
}

void StretchPixels(const TfePixels& source, const TfeRect& sourceRect, const TfePixels& dest,
                   const TfeRect& destRect, const TfeRect& clip, TfeDrawMode mode)
{
    if (sourceRect.Empty() || destRect.Empty()) return;
    if (sourceRect.Left < 0 || sourceRect.Top < 0 || sourceRect.Right > source.Width ||
        sourceRect.Bottom > source.Height)
        return;
    TfeRect area = IntersectRects(IntersectRects(TfeRect{0, 0, dest.Width, dest.Height}, clip), destRect);
    if (area.Empty()) return;
    int width = area.Width();
    if (sourceRect.Width() == destRect.Width() && sourceRect.Height() == destRect.Height()) {
        int dx = sourceRect.Left - destRect.Left;
        int dy = sourceRect.Top - destRect.Top;
        for (int y = area.Top; y < area.Bottom; ++y)
            DrawRow(mode, source.Row(y + dy) + area.Left + dx, dest.Row(y) + area.Left, width);
        return;
    }
    std::vector<int> columns(width);
    for (int i = 0; i < width; ++i)
        columns[i] = SourceIndex(i + area.Left - destRect.Left, destRect.Width(), sourceRect.Left, sourceRect.Width());
    std::vector<TfeColor> sampled(width);
    int previousRow = -1;
    for (int y = area.Top; y < area.Bottom; ++y) {
        int row = SourceIndex(y - destRect.Top, destRect.Height(), sourceRect.Top, sourceRect.Height());
        TfeColor* target = dest.Row(y) + area.Left;
        // Consecutive rows of one source row come out alike: copy the last.
        if (row == previousRow && mode == TfeDrawMode::Copy) {
            CopyRow(dest.Row(y - 1) + area.Left, target, width);
            continue;
        }
        if (row != previousRow) {
            const TfeColor* line = source.Row(row);
            for (int i = 0; i < width; ++i) sampled[i] = line[columns[i]];
            previousRow = row;
        }
        DrawRow(mode, sampled.data(), target, width);
    }
}
