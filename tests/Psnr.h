#pragma once
// How near a drawn picture (0x00RRGGBB or premultiplied 0xAARRGGBB of an
// opaque picture) is to the source's rgb24 frame, in decibels; 99 when equal.
#include <cmath>
#include <cstdint>
#include <span>

namespace tvmtest {

inline double Psnr(std::span<const uint32_t> drawn, const uint8_t* rgb)
{
    double error = 0;
    for (size_t i = 0; i < drawn.size(); ++i)
        for (int c = 0; c < 3; ++c) {
            double d = static_cast<double>(drawn[i] >> (16 - 8 * c) & 0xFF) - rgb[3 * i + c];
            error += d * d;
        }
    error /= static_cast<double>(drawn.size()) * 3.0;
    return error == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / error);
}

}
