#pragma once
// The blend modes of PlaceObject3, and the two that cairo has no operator
// for (subtract and invert), done here on premultiplied pixels.
#include <cstdint>

#include "Surface.h"

namespace tvmplayer {

enum class BlendMode : uint8_t {
    Normal = 1,
    Layer,
    Multiply,
    Screen,
    Lighten,
    Darken,
    Difference,
    Add,
    Subtract,
    Invert,
    Alpha,
    Erase,
    Overlay,
    HardLight,
};

// A placement's blend mode byte; 0 and unknown values are normal.
BlendMode ToBlendMode(uint8_t value);

// Whether what an object draws goes through a layer of its own first: every
// mode but normal (a layer is where its children's alpha and erase work).
inline bool NeedsLayer(BlendMode mode)
{
    return mode != BlendMode::Normal;
}

// Composites source onto target, source pixel (x, y) over target pixel
// (x + dx, y + dy), for Subtract or Invert.
void BlendPixels(BlendMode mode, const Surface& source, const Surface& target, int dx, int dy);

}
