#pragma once
// The filters of PlaceObject3: drop shadow, blur, glow, bevel, gradient
// glow and bevel, convolution and colour matrix, read from their records
// and applied to an object drawn on its own into premultiplied pixels.
#include <array>
#include <cstdint>
#include <vector>

#include "Shape.h"
#include "Surface.h"

namespace tvmplayer {

enum class FilterKind : uint8_t { DropShadow, Blur, Glow, Bevel, GradientGlow, Convolution, ColourMatrix, GradientBevel };

struct Filter {
    FilterKind Kind = FilterKind::Blur;
    // Shadows and glows: their colour; bevels: the shadow's, and the
    // highlight's beside it. Gradient kinds: their stops instead.
    Colour Argb = 0, Highlight = 0;
    std::vector<GradientStop> Stops;
    double BlurX = 0, BlurY = 0;  // stage pixels
    double Angle = 0;             // radians
    double Distance = 0;          // stage pixels
    double Strength = 1;
    bool Inner = false, Knockout = false, CompositeSource = true, OnTop = false;
    int Passes = 1;
    // Convolution.
    int MatrixX = 0, MatrixY = 0;
    double Divisor = 1, Bias = 0;
    std::vector<double> Matrix;
    Colour Default = 0;
    bool Clamp = true, PreserveAlpha = false;
    // Colour matrix: four rows of five, the fifth in 0..255 units.
    std::array<double, 20> Colours{};
};

// Blurs wider than this many pixels are narrowed to it.
inline constexpr double MaxBlur = 255;
// A convolution larger than this on either side is not applied.
inline constexpr int MaxConvolution = 15;

// A filter list; what follows a damaged filter is not read.
std::vector<Filter> ReadFilters(SwfReader& reader);

// Applies the filters in their order to the pixels, where the object was
// drawn alone; scale: surface pixels per stage pixel.
void ApplyFilters(const std::vector<Filter>& filters, const Surface& pixels, double scaleX, double scaleY);

}
