#include "SwfFilters.h"

#include <cmath>
#include <cstring>

#include "SwfBits.h"

namespace tvmtest {
namespace {

void PutRgba(BitWriter& w, uint32_t argb)
{
    for (int shift : {16, 8, 0, 24}) w.Bytes(argb >> shift & 0xFF, 1);
}

void PutFixed(BitWriter& w, double value)
{
    w.Bytes(static_cast<uint32_t>(static_cast<int32_t>(std::lround(value * 65536))), 4);
}

void PutFixed8(BitWriter& w, double value)
{
    w.Bytes(static_cast<uint16_t>(static_cast<int16_t>(std::lround(value * 256))), 2);
}

void PutFloat(BitWriter& w, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    w.Bytes(bits, 4);
}

uint8_t ShadowFlags(const SwfShadow& s, bool onTop)
{
    return static_cast<uint8_t>((s.inner ? 0x80 : 0) | (s.knockout ? 0x40 : 0) | (s.composite ? 0x20 : 0)
                                | (onTop ? s.passes & 0x0F : s.passes & 0x1F));
}

void PutLighting(BitWriter& w, const SwfShadow& s, bool withAngle, bool onTop)
{
    PutFixed(w, s.blurX);
    PutFixed(w, s.blurY);
    if (withAngle) {
        PutFixed(w, s.angle);
        PutFixed(w, s.distance);
    }
    PutFixed8(w, s.strength);
    w.Bytes(ShadowFlags(s, onTop), 1);
}

}

Bytes BlurFilter(double blurX, double blurY, uint8_t passes)
{
    BitWriter w;
    w.Bytes(1, 1);
    PutFixed(w, blurX);
    PutFixed(w, blurY);
    w.Bytes(static_cast<uint32_t>(passes << 3), 1);
    return w.Finish();
}

Bytes DropShadowFilter(const SwfShadow& s)
{
    BitWriter w;
    w.Bytes(0, 1);
    PutRgba(w, s.argb);
    PutLighting(w, s, true, false);
    return w.Finish();
}

Bytes GlowFilter(const SwfShadow& s)
{
    BitWriter w;
    w.Bytes(2, 1);
    PutRgba(w, s.argb);
    PutLighting(w, s, false, false);
    return w.Finish();
}

Bytes BevelFilter(const SwfShadow& s, uint32_t highlight)
{
    BitWriter w;
    w.Bytes(3, 1);
    PutRgba(w, s.argb);
    PutRgba(w, highlight);
    PutLighting(w, s, true, true);
    return w.Finish();
}

Bytes ColourMatrixFilter(const std::vector<float>& matrix)
{
    BitWriter w;
    w.Bytes(6, 1);
    for (float v : matrix) PutFloat(w, v);
    return w.Finish();
}

Bytes ConvolutionFilter(uint8_t columns, uint8_t rows, const std::vector<float>& matrix, float divisor, float bias,
                        bool clamp, bool preserveAlpha)
{
    BitWriter w;
    w.Bytes(5, 1);
    w.Bytes(columns, 1);
    w.Bytes(rows, 1);
    PutFloat(w, divisor);
    PutFloat(w, bias);
    for (float v : matrix) PutFloat(w, v);
    PutRgba(w, 0);
    w.Bytes((clamp ? 2u : 0u) | (preserveAlpha ? 1u : 0u), 1);
    return w.Finish();
}

Bytes Button2(uint16_t id, const std::vector<SwfButtonPart>& parts)
{
    BitWriter w;
    w.Bytes(id, 2);
    w.Bytes(0, 1);  // not a menu
    w.Bytes(0, 2);  // no actions
    for (const SwfButtonPart& part : parts) {
        w.Bytes(0x01u | (part.filters.empty() ? 0u : 0x10u) | (part.blend ? 0x20u : 0u), 1);
        // The id, depth, matrix and colour transform as PlaceObject2 writes them.
        Bytes placed = PlaceObject2({.depth = part.depth, .id = part.id, .matrix = part.matrix, .colours = SwfColours{}});
        w.Bytes(part.id, 2);
        w.Bytes(part.depth, 2);
        w.Append(Bytes(placed.begin() + 5, placed.end()));
        if (!part.filters.empty()) {
            w.Bytes(static_cast<uint32_t>(part.filters.size()), 1);
            for (const Bytes& filter : part.filters) w.Append(filter);
        }
        if (part.blend) w.Bytes(part.blend, 1);
    }
    w.Bytes(0, 1);
    return w.Finish();
}

Bytes PlaceObject3(const SwfPlace& place, const std::vector<Bytes>& filters, uint8_t blend)
{
    Bytes placed = PlaceObject2(place);
    BitWriter w;
    w.Bytes(placed[0], 1);
    w.Bytes((filters.empty() ? 0u : 1u) | (blend ? 2u : 0u), 1);
    w.Append(Bytes(placed.begin() + 1, placed.end()));
    if (!filters.empty()) {
        w.Bytes(static_cast<uint32_t>(filters.size()), 1);
        for (const Bytes& filter : filters) w.Append(filter);
    }
    if (blend) w.Bytes(blend, 1);
    return w.Finish();
}

}
