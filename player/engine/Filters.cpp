#include "Filters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tvmplayer {
namespace {

enum FilterId : uint8_t {
    IdDropShadow = 0,
    IdBlur = 1,
    IdGlow = 2,
    IdBevel = 3,
    IdGradientGlow = 4,
    IdConvolution = 5,
    IdColourMatrix = 6,
    IdGradientBevel = 7,
};

double Fixed(SwfReader& reader)
{
    return static_cast<int32_t>(reader.U32()) / 65536.0;
}

double Fixed8(SwfReader& reader)
{
    return static_cast<int16_t>(reader.U16()) / 256.0;
}

double Float(SwfReader& reader)
{
    uint32_t bits = reader.U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? value : 0;
}

void ReadBlur(SwfReader& reader, Filter& filter)
{
    filter.BlurX = std::clamp(Fixed(reader), 0.0, MaxBlur);
    filter.BlurY = std::clamp(Fixed(reader), 0.0, MaxBlur);
}

// The flags byte of shadows, glows and bevels; bevels and gradient kinds
// give one bit of the passes to OnTop.
void ReadShadowFlags(SwfReader& reader, Filter& filter, bool withOnTop)
{
    uint8_t flags = reader.U8();
    filter.Inner = flags & 0x80;
    filter.Knockout = flags & 0x40;
    filter.CompositeSource = flags & 0x20;
    filter.OnTop = withOnTop && (flags & 0x10);
    filter.Passes = std::min(flags & (withOnTop ? 0x0F : 0x1F), 15);
}

// What shadows, glows and bevels share after their colours; glows have no
// angle or distance.
void ReadLighting(SwfReader& reader, Filter& filter, bool withAngle, bool withOnTop)
{
    ReadBlur(reader, filter);
    if (withAngle) {
        filter.Angle = Fixed(reader);
        filter.Distance = Fixed(reader);
    }
    filter.Strength = Fixed8(reader);
    ReadShadowFlags(reader, filter, withOnTop);
}

Filter ReadFilter(SwfReader& reader)
{
    Filter f;
    uint8_t id = reader.U8();
    switch (id) {
    case IdDropShadow:
    case IdGlow:
        f.Kind = id == IdGlow ? FilterKind::Glow : FilterKind::DropShadow;
        f.Argb = ReadRgba(reader);
        ReadLighting(reader, f, id == IdDropShadow, false);
        break;
    case IdBlur: {
        f.Kind = FilterKind::Blur;
        ReadBlur(reader, f);
        f.Passes = reader.U8() >> 3;
        break;
    }
    case IdBevel:
        f.Kind = FilterKind::Bevel;
        f.Argb = ReadRgba(reader);
        f.Highlight = ReadRgba(reader);
        ReadLighting(reader, f, true, true);
        break;
    case IdGradientGlow:
    case IdGradientBevel: {
        f.Kind = id == IdGradientGlow ? FilterKind::GradientGlow : FilterKind::GradientBevel;
        uint8_t count = reader.U8();
        for (uint8_t i = 0; i < count; ++i) f.Stops.push_back({0, ReadRgba(reader)});
        for (uint8_t i = 0; i < count; ++i) f.Stops[i].Offset = reader.U8() / 255.0;
        ReadLighting(reader, f, true, true);
        break;
    }
    case IdConvolution: {
        f.Kind = FilterKind::Convolution;
        f.MatrixX = reader.U8();
        f.MatrixY = reader.U8();
        f.Divisor = Float(reader);
        f.Bias = Float(reader);
        for (int i = f.MatrixX * f.MatrixY; i > 0; --i) f.Matrix.push_back(Float(reader));
        f.Default = ReadRgba(reader);
        uint8_t flags = reader.U8();
        f.Clamp = flags & 0x02;
        f.PreserveAlpha = flags & 0x01;
        break;
    }
    case IdColourMatrix:
        f.Kind = FilterKind::ColourMatrix;
        for (double& value : f.Colours) value = Float(reader);
        break;
    default:
        throw SwfFormatError("unknown filter");
    }
    return f;
}

// Premultiplied colour, each channel 0..1.
struct Rgba {
    float A = 0, R = 0, G = 0, B = 0;
};

Rgba FromPixel(uint32_t p)
{
    return {(p >> 24) / 255.f, (p >> 16 & 0xFF) / 255.f, (p >> 8 & 0xFF) / 255.f, (p & 0xFF) / 255.f};
}

uint32_t ToPixel(Rgba c)
{
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.f, 1.f) * 255)); };
    uint32_t a = byte(c.A);
    auto channel = [&](float v) { return std::min(byte(v), a); };
    return a << 24 | channel(c.R) << 16 | channel(c.G) << 8 | channel(c.B);
}

Rgba operator*(Rgba c, float k)
{
    return {c.A * k, c.R * k, c.G * k, c.B * k};
}

Rgba operator+(Rgba a, Rgba b)
{
    return {a.A + b.A, a.R + b.R, a.G + b.G, a.B + b.B};
}

Rgba Over(Rgba top, Rgba bottom)
{
    float k = 1 - top.A;
    return {top.A + bottom.A * k, top.R + bottom.R * k, top.G + bottom.G * k, top.B + bottom.B * k};
}

Rgba Premultiplied(Colour argb)
{
    Rgba c = FromPixel(argb);
    return {c.A, c.R * c.A, c.G * c.A, c.B * c.A};
}

// The gradient's colour at t (0..1), premultiplied.
Rgba GradientAt(const std::vector<GradientStop>& stops, float t)
{
    if (stops.empty())
        return {};
    if (t <= stops.front().Offset)
        return Premultiplied(stops.front().Argb);
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].Offset) {
            double span = stops[i].Offset - stops[i - 1].Offset;
            return Premultiplied(BlendColour(stops[i - 1].Argb, stops[i].Argb, span > 0 ? (t - stops[i - 1].Offset) / span : 1));
        }
    return Premultiplied(stops.back().Argb);
}

// A rectangle of the surface, worked on as floats.
struct Region {
    Region(const Surface& surface, int x0, int y0, int x1, int y1)
        : Target(surface), X0(x0), Y0(y0), W(x1 - x0), H(y1 - y0), Pixels(static_cast<size_t>(W) * H)
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) Pixels[Index(x, y)] = FromPixel(Row(y)[X0 + x]);
    }

    void Store() const
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) Row(y)[X0 + x] = ToPixel(Pixels[Index(x, y)]);
    }

    size_t Index(int x, int y) const { return static_cast<size_t>(y) * W + x; }
    uint32_t* Row(int y) const { return Target.Pixels + static_cast<ptrdiff_t>(Y0 + y) * Target.Stride; }

    std::vector<float> Alpha() const
    {
        std::vector<float> alpha(Pixels.size());
        for (size_t i = 0; i < Pixels.size(); ++i) alpha[i] = Pixels[i].A;
        return alpha;
    }

    const Surface& Target;
    const int X0, Y0, W, H;
    std::vector<Rgba> Pixels;
};

// Box blurs along rows (step 1) or columns (step W), passes times.
template <typename T>
void BoxBlur(std::vector<T>& plane, int w, int h, int radius, bool rows, int passes)
{
    if (radius <= 0)
        return;
    int lines = rows ? h : w, length = rows ? w : h;
    size_t step = rows ? 1 : static_cast<size_t>(w);
    std::vector<T> line(static_cast<size_t>(length));
    float scale = 1.f / static_cast<float>(2 * radius + 1);
    for (int pass = 0; pass < passes; ++pass)
        for (int l = 0; l < lines; ++l) {
            size_t start = rows ? static_cast<size_t>(l) * w : static_cast<size_t>(l);
            for (int i = 0; i < length; ++i) line[static_cast<size_t>(i)] = plane[start + i * step];
            T sum{};
            auto add = [](T& to, const T& v, float k) { to = to + v * k; };
            for (int i = 0; i <= radius && i < length; ++i) add(sum, line[static_cast<size_t>(i)], 1);
            for (int i = 0; i < length; ++i) {
                plane[start + i * step] = sum * scale;
                if (i + radius + 1 < length)
                    add(sum, line[static_cast<size_t>(i + radius + 1)], 1);
                if (i - radius >= 0)
                    add(sum, line[static_cast<size_t>(i - radius)], -1);
            }
        }
}

struct Radii {
    int X, Y;
};

Radii BlurRadii(const Filter& filter, double scaleX, double scaleY)
{
    return {static_cast<int>(filter.BlurX * scaleX / 2), static_cast<int>(filter.BlurY * scaleY / 2)};
}

template <typename T>
void Blur(std::vector<T>& plane, int w, int h, Radii radii, int passes)
{
    BoxBlur(plane, w, h, radii.X, true, passes);
    BoxBlur(plane, w, h, radii.Y, false, passes);
}

// The plane's value at (x - dx, y - dy); 0 outside, or 1 when outsideOne.
float Shifted(const std::vector<float>& plane, int w, int h, int x, int y, int dx, int dy, float outside)
{
    x -= dx;
    y -= dy;
    return x < 0 || y < 0 || x >= w || y >= h ? outside : plane[static_cast<size_t>(y) * w + x];
}

void Shadow(const Filter& f, Region& region, double scaleX, double scaleY, bool gradient)
{
    int w = region.W, h = region.H;
    std::vector<float> alpha = region.Alpha(), base = alpha;
    if (f.Inner)
        for (float& a : base) a = 1 - a;
    Blur(base, w, h, BlurRadii(f, scaleX, scaleY), std::max(f.Passes, 1));
    int dx = static_cast<int>(std::lround(std::cos(f.Angle) * f.Distance * scaleX));
    int dy = static_cast<int>(std::lround(std::sin(f.Angle) * f.Distance * scaleY));
    Rgba colour = Premultiplied(f.Argb);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t i = region.Index(x, y);
            float a = alpha[i];
            float s = std::min(1.f, Shifted(base, w, h, x, y, dx, dy, f.Inner ? 1.f : 0.f) * static_cast<float>(f.Strength));
            float mask = f.Inner ? a : f.Knockout ? 1 - a : 1;
            Rgba effect = (gradient ? GradientAt(f.Stops, s) : colour * s) * mask;
            Rgba& out = region.Pixels[i];
            if (f.Knockout || !f.CompositeSource)
                out = effect;
            else
                out = f.Inner ? Over(effect, out) : Over(out, effect);
        }
}

void Bevel(const Filter& f, Region& region, double scaleX, double scaleY, bool gradient)
{
    int w = region.W, h = region.H;
    std::vector<float> alpha = region.Alpha(), blurred = alpha;
    Blur(blurred, w, h, BlurRadii(f, scaleX, scaleY), std::max(f.Passes, 1));
    int dx = static_cast<int>(std::lround(std::cos(f.Angle) * f.Distance * scaleX / 2));
    int dy = static_cast<int>(std::lround(std::sin(f.Angle) * f.Distance * scaleY / 2));
    Rgba shadow = Premultiplied(f.Argb), highlight = Premultiplied(f.Highlight);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            size_t i = region.Index(x, y);
            float a = alpha[i];
            float difference = (Shifted(blurred, w, h, x, y, -dx, -dy, 0) - Shifted(blurred, w, h, x, y, dx, dy, 0))
                               * static_cast<float>(f.Strength);
            difference = std::clamp(difference, -1.f, 1.f);
            float mask = f.OnTop ? 1 : f.Inner ? a : 1 - a;
            Rgba effect = gradient ? GradientAt(f.Stops, (difference + 1) / 2)
                                   : Over(highlight * std::max(difference, 0.f), shadow * std::max(-difference, 0.f));
            effect = effect * mask;
            Rgba& out = region.Pixels[i];
            if (f.Knockout || !f.CompositeSource)
                out = effect;
            else
                out = f.Inner || f.OnTop ? Over(effect, out) : Over(out, effect);
        }
}

void ColourMatrix(const Filter& f, Region& region)
{
    const std::array<double, 20>& m = f.Colours;
    for (Rgba& p : region.Pixels) {
        double straight[4] = {0, 0, 0, p.A * 255};
        if (p.A > 0) {
            straight[0] = p.R / p.A * 255;
            straight[1] = p.G / p.A * 255;
            straight[2] = p.B / p.A * 255;
        }
        double out[4];
        for (int row = 0; row < 4; ++row) {
            const double* k = &m[static_cast<size_t>(row) * 5];
            out[row] = std::clamp(k[0] * straight[0] + k[1] * straight[1] + k[2] * straight[2] + k[3] * straight[3] + k[4],
                                  0.0, 255.0) / 255;
        }
        float a = static_cast<float>(out[3]);
        p = {a, static_cast<float>(out[0]) * a, static_cast<float>(out[1]) * a, static_cast<float>(out[2]) * a};
    }
}

void Convolve(const Filter& f, Region& region)
{
    if (f.MatrixX <= 0 || f.MatrixY <= 0 || f.MatrixX > MaxConvolution || f.MatrixY > MaxConvolution)
        return;
    int w = region.W, h = region.H, cx = f.MatrixX / 2, cy = f.MatrixY / 2;
    float divisor = f.Divisor == 0 ? 1.f : static_cast<float>(f.Divisor);
    auto straight = [](Rgba p) {
        return p.A > 0 ? Rgba{p.A, p.R / p.A, p.G / p.A, p.B / p.A} : Rgba{};
    };
    Rgba fallback = straight(Premultiplied(f.Default));
    std::vector<Rgba> source(region.Pixels.size());
    std::transform(region.Pixels.begin(), region.Pixels.end(), source.begin(), straight);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            Rgba sum;
            for (int j = 0; j < f.MatrixY; ++j)
                for (int i = 0; i < f.MatrixX; ++i) {
                    int sx = x + i - cx, sy = y + j - cy;
                    bool inside = sx >= 0 && sy >= 0 && sx < w && sy < h;
                    if (!inside && f.Clamp) {
                        sx = std::clamp(sx, 0, w - 1);
                        sy = std::clamp(sy, 0, h - 1);
                        inside = true;
                    }
                    Rgba p = inside ? source[region.Index(sx, sy)] : fallback;
                    sum = sum + p * static_cast<float>(f.Matrix[static_cast<size_t>(j * f.MatrixX + i)]);
                }
            float bias = static_cast<float>(f.Bias) / 255;
            Rgba s = sum * (1 / divisor);
            float a = f.PreserveAlpha ? source[region.Index(x, y)].A : std::clamp(s.A + bias, 0.f, 1.f);
            region.Pixels[region.Index(x, y)] = Rgba{a, std::clamp(s.R + bias, 0.f, 1.f) * a,
                                                     std::clamp(s.G + bias, 0.f, 1.f) * a,
                                                     std::clamp(s.B + bias, 0.f, 1.f) * a};
        }
}

// How far past the drawn pixels a filter may reach.
int Reach(const Filter& f, double scale)
{
    double blur = std::max(f.BlurX, f.BlurY) / 2 * std::max(f.Passes, 1);
    return static_cast<int>(std::ceil((blur + std::fabs(f.Distance)) * scale)) + MaxConvolution + 1;
}

}

std::vector<Filter> ReadFilters(SwfReader& reader)
{
    std::vector<Filter> filters;
    try {
        for (uint8_t count = reader.U8(); count > 0; --count) filters.push_back(ReadFilter(reader));
    } catch (const SwfFormatError&) {
        // The filters read whole still apply.
    }
    return filters;
}

void ApplyFilters(const std::vector<Filter>& filters, const Surface& surface, double scaleX, double scaleY)
{
    // Only the drawn pixels and as far as the filters reach are worked on.
    int x0 = surface.Width, y0 = surface.Height, x1 = 0, y1 = 0;
    for (int y = 0; y < surface.Height; ++y) {
        const uint32_t* row = surface.Pixels + static_cast<ptrdiff_t>(y) * surface.Stride;
        for (int x = 0; x < surface.Width; ++x)
            if (row[x] >> 24) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x + 1);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y + 1);
            }
    }
    if (x0 >= x1)
        return;
    int reach = 0;
    for (const Filter& f : filters) reach += Reach(f, std::max(scaleX, scaleY));
    Region region(surface, std::max(0, x0 - reach), std::max(0, y0 - reach), std::min(surface.Width, x1 + reach),
                  std::min(surface.Height, y1 + reach));
    for (const Filter& f : filters) {
        switch (f.Kind) {
        case FilterKind::Blur:
            Blur(region.Pixels, region.W, region.H, BlurRadii(f, scaleX, scaleY), f.Passes);
            break;
        case FilterKind::DropShadow:
        case FilterKind::Glow:
        case FilterKind::GradientGlow:
            Shadow(f, region, scaleX, scaleY, f.Kind == FilterKind::GradientGlow);
            break;
        case FilterKind::Bevel:
        case FilterKind::GradientBevel:
            Bevel(f, region, scaleX, scaleY, f.Kind == FilterKind::GradientBevel);
            break;
        case FilterKind::ColourMatrix:
            ColourMatrix(f, region);
            break;
        case FilterKind::Convolution:
            Convolve(f, region);
            break;
        }
    }
    region.Store();
}

}
