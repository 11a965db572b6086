#include "Surface.h"

#include <algorithm>

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
