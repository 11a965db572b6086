#include "BlendModes.h"

#include <algorithm>

namespace tvmplayer {

BlendMode ToBlendMode(uint8_t value)
{
    return value >= 1 && value <= static_cast<uint8_t>(BlendMode::HardLight) ? static_cast<BlendMode>(value)
                                                                            : BlendMode::Normal;
}

void BlendPixels(BlendMode mode, const Surface& source, const Surface& target, int dx, int dy)
{
    int x0 = std::max(0, -dx), y0 = std::max(0, -dy);
    int x1 = std::min(source.Width, target.Width - dx), y1 = std::min(source.Height, target.Height - dy);
    for (int y = y0; y < y1; ++y) {
        const uint32_t* from = source.Pixels + static_cast<ptrdiff_t>(y) * source.Stride;
        uint32_t* to = target.Pixels + static_cast<ptrdiff_t>(y + dy) * target.Stride + dx;
        for (int x = x0; x < x1; ++x) {
            uint32_t s = from[x], d = to[x];
            int sa = static_cast<int>(s >> 24), da = static_cast<int>(d >> 24);
            if (sa == 0)
                continue;
            // The separable blend in premultiplied terms, channels 0..255:
            // (1 - sa) d + (1 - da) s + sa da B(s / sa, d / da).
            uint32_t out = static_cast<uint32_t>(sa + da - sa * da / 255) << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                int sc = static_cast<int>(s >> shift & 0xFF), dc = static_cast<int>(d >> shift & 0xFF);
                // B times sa da, from premultiplied values.
                int mixed = mode == BlendMode::Subtract ? std::max(0, dc * sa - sc * da) : (da - dc) * sa;
                int c = ((255 - sa) * dc + (255 - da) * sc + mixed) / 255;
                out |= static_cast<uint32_t>(std::clamp(c, 0, static_cast<int>(out >> 24))) << shift;
            }
            to[x] = out;
        }
    }
}

}
