#include "Records.h"

#include <algorithm>
#include <cmath>

namespace tvmplayer {

Matrix Matrix::Then(const Matrix& inner) const
{
    return {A * inner.A + C * inner.B,       B * inner.A + D * inner.B,       A * inner.C + C * inner.D,
            B * inner.C + D * inner.D,       A * inner.Tx + C * inner.Ty + Tx, B * inner.Tx + D * inner.Ty + Ty};
}

Matrix Matrix::Inverse() const
{
    double det = Determinant();
    if (det == 0)
        return {};
    return {D / det, -B / det, -C / det, A / det, (C * Ty - D * Tx) / det, (B * Tx - A * Ty) / det};
}

Matrix Matrix::Blend(const Matrix& from, const Matrix& to, double t)
{
    auto mix = [t](double a, double b) { return a + (b - a) * t; };
    return {mix(from.A, to.A), mix(from.B, to.B), mix(from.C, to.C),
            mix(from.D, to.D), mix(from.Tx, to.Tx), mix(from.Ty, to.Ty)};
}

bool ColourTransform::Identity() const
{
    for (int i = 0; i < 4; ++i)
        if (Mul[i] != 1 || Add[i] != 0)
            return false;
    return true;
}

Colour ColourTransform::Apply(Colour colour) const
{
    static constexpr int shifts[4] = {16, 8, 0, 24};
    Colour out = 0;
    for (int i = 0; i < 4; ++i) {
        double value = (colour >> shifts[i] & 0xFF) * Mul[i] + Add[i];
        out |= static_cast<Colour>(std::lround(std::clamp(value, 0.0, 255.0))) << shifts[i];
    }
    return out;
}

ColourTransform ColourTransform::Then(const ColourTransform& inner) const
{
    ColourTransform out;
    for (int i = 0; i < 4; ++i) {
        out.Mul[i] = Mul[i] * inner.Mul[i];
        out.Add[i] = Mul[i] * inner.Add[i] + Add[i];
    }
    return out;
}

Colour ReadRgb(SwfReader& reader)
{
    uint32_t r = reader.U8(), g = reader.U8(), b = reader.U8();
    return 0xFF000000u | r << 16 | g << 8 | b;
}

Colour ReadRgba(SwfReader& reader)
{
    Colour rgb = ReadRgb(reader) & 0xFFFFFF;
    return rgb | static_cast<uint32_t>(reader.U8()) << 24;
}

Matrix ReadMatrix(SwfReader& reader)
{
    reader.Align();
    Matrix m;
    auto fixed = [&](int bits) { return reader.SignedBits(bits) / 65536.0; };
    if (reader.UnsignedBits(1)) {
        int bits = static_cast<int>(reader.UnsignedBits(5));
        m.A = fixed(bits);
        m.D = fixed(bits);
    }
    if (reader.UnsignedBits(1)) {
        int bits = static_cast<int>(reader.UnsignedBits(5));
        m.B = fixed(bits);
        m.C = fixed(bits);
    }
    int bits = static_cast<int>(reader.UnsignedBits(5));
    m.Tx = reader.SignedBits(bits);
    m.Ty = reader.SignedBits(bits);
    reader.Align();
    return m;
}

ColourTransform ReadColourTransform(SwfReader& reader, bool withAlpha)
{
    reader.Align();
    ColourTransform t;
    bool hasAdd = reader.UnsignedBits(1), hasMul = reader.UnsignedBits(1);
    int bits = static_cast<int>(reader.UnsignedBits(4));
    int channels = withAlpha ? 4 : 3;
    if (hasMul)
        for (int i = 0; i < channels; ++i) t.Mul[i] = reader.SignedBits(bits) / 256.0;
    if (hasAdd)
        for (int i = 0; i < channels; ++i) t.Add[i] = reader.SignedBits(bits);
    reader.Align();
    return t;
}

void SkipRect(SwfReader& reader)
{
    reader.Align();
    int bits = static_cast<int>(reader.UnsignedBits(5));
    for (int i = 0; i < 4; ++i) reader.SignedBits(bits);
    reader.Align();
}

Colour BlendColour(Colour from, Colour to, double t)
{
    Colour out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        double a = from >> shift & 0xFF, b = to >> shift & 0xFF;
        out |= static_cast<Colour>(std::lround(a + (b - a) * t)) << shift;
    }
    return out;
}

}
