#include "Surface.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace tvmplayer {

StageTransform FitStage(int stageWidth, int stageHeight, int surfaceWidth, int surfaceHeight, ScaleMode mode)
{
    StageTransform transform;
    if (stageWidth <= 0 || stageHeight <= 0)
        return transform;
    transform.ScaleX = static_cast<double>(surfaceWidth) / stageWidth;
    transform.ScaleY = static_cast<double>(surfaceHeight) / stageHeight;
    if (mode == ScaleMode::ShowAll) {
        double scale = std::min(transform.ScaleX, transform.ScaleY);
        transform.ScaleX = transform.ScaleY = scale;
        transform.OffsetX = (surfaceWidth - stageWidth * scale) / 2;
        transform.OffsetY = (surfaceHeight - stageHeight * scale) / 2;
    }
    return transform;
}

uint32_t Premultiply(Colour colour)
{
    uint32_t alpha = colour >> 24;
    auto channel = [&](int shift) { return ((colour >> shift & 0xFF) * alpha + 127) / 255 << shift; };
    return alpha << 24 | channel(16) | channel(8) | channel(0);
}

namespace {

// d (1 - sa) + s per channel, as (t + t / 256) / 256 with t = d (255 - sa) + 128,
// saturated.
uint32_t OverPixel(uint32_t s, uint32_t d)
{
    uint32_t inverse = 255 - (s >> 24), out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t t = (d >> shift & 0xFF) * inverse + 0x80;
        uint32_t c = (s >> shift & 0xFF) + ((t + (t >> 8)) >> 8);
        out |= std::min(c, 255u) << shift;
    }
    return out;
}

void OverRowPlain(const uint32_t* from, uint32_t* to, int count)
{
    for (int x = 0; x < count; ++x) to[x] = OverPixel(from[x], to[x]);
}

#ifdef __SSE2__
// Four pixels at a time, the same arithmetic in 16-bit lanes.
void OverRowWide(const uint32_t* from, uint32_t* to, int count)
{
    const __m128i zero = _mm_setzero_si128(), round = _mm_set1_epi16(0x80), spread = _mm_set1_epi16(0x101),
                  low = _mm_set1_epi16(0xFF), alphas = _mm_set1_epi32(static_cast<int>(0xFF000000));
    auto scaled = [&](__m128i s16, __m128i d16) {
        __m128i inverse = _mm_xor_si128(_mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF), low);
        return _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(d16, inverse), round), spread);
    };
    int x = 0;
    for (; x + 4 <= count; x += 4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(s, zero)) == 0xFFFF)
            continue;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(s, alphas), alphas)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), s);
            continue;
        }
        __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(to + x));
        __m128i low16 = scaled(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero));
        __m128i high16 = scaled(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_adds_epu8(s, _mm_packus_epi16(low16, high16)));
    }
    OverRowPlain(from + x, to + x, count - x);
}
#endif

}

void CompositeOver(const Surface& source, const Surface& target, int dx, int dy)
{
#ifdef __SSE2__
    const auto row = OverRowWide;
#else
    const auto row = OverRowPlain;
#endif
    int x0 = std::max(0, -dx), y0 = std::max(0, -dy);
    int x1 = std::min(source.Width, target.Width - dx), y1 = std::min(source.Height, target.Height - dy);
    for (int y = y0; y < y1; ++y)
        row(source.Pixels + static_cast<ptrdiff_t>(y) * source.Stride + x0,
            target.Pixels + static_cast<ptrdiff_t>(y + dy) * target.Stride + x0 + dx, x1 - x0);
}

Colour Unpremultiply(uint32_t pixel)
{
    uint32_t alpha = pixel >> 24;
    Colour straight = alpha << 24;
    if (alpha != 0)
        for (int shift = 0; shift < 24; shift += 8)
            straight |= std::min(255u, ((pixel >> shift & 0xFF) * 255 + alpha / 2) / alpha) << shift;
    return straight;
}

void Fill(const Surface& surface, Colour colour)
{
    uint32_t pixel = Premultiply(colour);
    for (int y = 0; y < surface.Height; ++y) {
        uint32_t* row = surface.Pixels + static_cast<ptrdiff_t>(y) * surface.Stride;
        std::fill(row, row + surface.Width, pixel);
    }
}

}
