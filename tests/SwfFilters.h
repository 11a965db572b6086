#pragma once
// PlaceObject3 with filters and a blend mode, for the movies the tests
// write; lengths in stage pixels, angles in radians.
#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "SwfDrawing.h"

namespace tvmtest {

constexpr uint16_t TagDefineButton2 = 34;
constexpr uint16_t TagPlaceObject3 = 70;

struct SwfShadow {
    uint32_t argb = 0xFF000000;
    double blurX = 0, blurY = 0, angle = 0, distance = 0, strength = 1;
    bool inner = false, knockout = false, composite = true;
    uint8_t passes = 1;
};

Bytes BlurFilter(double blurX, double blurY, uint8_t passes);
Bytes DropShadowFilter(const SwfShadow& shadow);
Bytes GlowFilter(const SwfShadow& glow);
// A bevel: shadow.argb is its shadow colour.
Bytes BevelFilter(const SwfShadow& shadow, uint32_t highlight);
Bytes ColourMatrixFilter(const std::vector<float>& matrix);
Bytes ConvolutionFilter(uint8_t columns, uint8_t rows, const std::vector<float>& matrix, float divisor, float bias,
                        bool clamp, bool preserveAlpha);

struct SwfButtonPart {
    uint16_t id = 0, depth = 1;
    SwfMatrix matrix;
    std::vector<Bytes> filters;
    uint8_t blend = 0;
};

// A DefineButton2 body without actions whose parts all show in its up state.
Bytes Button2(uint16_t id, const std::vector<SwfButtonPart>& parts);

// filters: the records one after another, count of them; blend 0: none.
Bytes PlaceObject3(const SwfPlace& place, const std::vector<Bytes>& filters, uint8_t blend = 0);

}
