#pragma once
// Where the engine draws: 32-bit premultiplied ARGB pixels that the caller
// owns, rows `Stride` pixels apart, top row first.
#include <cstdint>

#include "Movie.h"

namespace tvmplayer {

struct Surface {
    uint32_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    int Stride = 0;  // in pixels
};

enum class ScaleMode {
    ShowAll,   // the whole stage, uniformly scaled and centred
    ExactFit,  // the stage stretched to the surface
};

// How stage pixels map to surface pixels: surface = stage * scale + offset.
struct StageTransform {
    double ScaleX = 1, ScaleY = 1;
    double OffsetX = 0, OffsetY = 0;
};

StageTransform FitStage(int stageWidth, int stageHeight, int surfaceWidth, int surfaceHeight, ScaleMode mode);

// Premultiplies a straight 0xAARRGGBB colour.
uint32_t Premultiply(Colour colour);
Colour Unpremultiply(uint32_t pixel);
void Fill(const Surface& surface, Colour colour);
// Composites source over target, source pixel (x, y) onto target pixel
// (x + dx, y + dy), rounding as pixman's OVER does: the same pixels
// whichever draws them.
void CompositeOver(const Surface& source, const Surface& target, int dx, int dy);

}
