#include "PngDecoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "SwfUnpack.h"

namespace tvmplayer {
namespace {

constexpr std::array<uint8_t, 8> Signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct Header {
    uint32_t Width = 0, Height = 0;
    int Depth = 0, ColourType = 0;
    bool Interlaced = false;
};

uint32_t BigEndian(std::span<const uint8_t> bytes)
{
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

int Channels(int colourType)
{
    switch (colourType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: return 0;
    }
}

bool ValidDepth(int colourType, int depth)
{
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

// One pass of the image: every pixel for a plain one, one of seven for an
// interlaced one.
struct Pass {
    uint32_t X0, Y0, Dx, Dy;
};

constexpr Pass Plain[1] = {{0, 0, 1, 1}};
constexpr Pass Adam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                           {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes a row's filter in place; previous is the row above, unfiltered,
// or empty for the first.
void Unfilter(uint8_t type, uint8_t* row, const uint8_t* previous, size_t size, size_t step)
{
    for (size_t i = 0; i < size; ++i) {
        int left = i >= step ? row[i - step] : 0;
        int up = previous ? previous[i] : 0;
        int upLeft = previous && i >= step ? previous[i - step] : 0;
        int predicted = type == 1 ? left : type == 2 ? up : type == 3 ? (left + up) / 2 : type == 4 ? Paeth(left, up, upLeft) : 0;
        row[i] = static_cast<uint8_t>(row[i] + predicted);
    }
}

class PngImage {
public:
    PngImage(const Header& header, std::span<const uint8_t> palette, std::span<const uint8_t> transparency)
        : h_(header), palette_(palette), transparency_(transparency), channels_(Channels(header.ColourType))
    {
    }

    size_t RowBytes(uint32_t width) const { return (size_t{width} * channels_ * h_.Depth + 7) / 8; }

    // The bytes all passes' filtered rows take.
    size_t DataSize() const
    {
        size_t total = 0;
        for (const Pass& pass : Passes()) {
            auto [width, height] = PassSize(pass);
            if (width && height)
                total += (RowBytes(width) + 1) * height;
        }
        return total;
    }

    void Decode(std::vector<uint8_t>& data, Bitmap& out) const
    {
        size_t step = std::max<size_t>(1, static_cast<size_t>(channels_ * h_.Depth / 8));
        size_t at = 0;
        for (const Pass& pass : Passes()) {
            auto [width, height] = PassSize(pass);
            if (!width || !height)
                continue;
            size_t rowBytes = RowBytes(width);
            const uint8_t* previous = nullptr;
            for (uint32_t y = 0; y < height; ++y) {
                uint8_t* row = data.data() + at + 1;
                Unfilter(data[at], row, previous, rowBytes, step);
                for (uint32_t x = 0; x < width; ++x)
                    out.Pixels[size_t{pass.Y0 + y * pass.Dy} * h_.Width + pass.X0 + x * pass.Dx] = Pixel(row, x);
                previous = row;
                at += rowBytes + 1;
            }
        }
    }

private:
    std::span<const Pass> Passes() const { return h_.Interlaced ? std::span<const Pass>(Adam7) : std::span<const Pass>(Plain); }

    std::pair<uint32_t, uint32_t> PassSize(const Pass& pass) const
    {
        auto count = [](uint32_t size, uint32_t start, uint32_t step) { return size > start ? (size - start + step - 1) / step : 0; };
        return {count(h_.Width, pass.X0, pass.Dx), count(h_.Height, pass.Y0, pass.Dy)};
    }

    // Sample c of pixel x, scaled to 8 bits; 16-bit samples as well, for
    // comparing with the transparent colour.
    uint32_t Sample(const uint8_t* row, uint32_t x, int c, bool wide = false) const
    {
        if (h_.Depth == 16) {
            const uint8_t* p = row + (size_t{x} * channels_ + c) * 2;
            return wide ? uint32_t{p[0]} << 8 | p[1] : p[0];
        }
        if (h_.Depth == 8)
            return row[size_t{x} * channels_ + c];
        size_t bit = size_t{x} * h_.Depth;
        uint32_t value = row[bit / 8] >> (8 - h_.Depth - bit % 8) & ((1u << h_.Depth) - 1);
        return wide || h_.ColourType == 3 ? value : value * 255 / ((1u << h_.Depth) - 1);
    }

    bool TransparentColour(const uint8_t* row, uint32_t x) const
    {
        int samples = h_.ColourType == 0 ? 1 : 3;
        if (transparency_.size() < static_cast<size_t>(2 * samples))
            return false;
        for (int c = 0; c < samples; ++c)
            if (Sample(row, x, c, true) != (uint32_t{transparency_[2 * c]} << 8 | transparency_[2 * c + 1]))
                return false;
        return true;
    }

    uint32_t Pixel(const uint8_t* row, uint32_t x) const
    {
        uint32_t r, g, b, a = 255;
        switch (h_.ColourType) {
        case 3: {
            uint32_t index = Sample(row, x, 0);
            if (size_t{index} * 3 + 2 >= palette_.size())
                return 0;
            r = palette_[index * 3];
            g = palette_[index * 3 + 1];
            b = palette_[index * 3 + 2];
            if (index < transparency_.size())
                a = transparency_[index];
            break;
        }
        case 0:
        case 4:
            r = g = b = Sample(row, x, 0);
            if (h_.ColourType == 4)
                a = Sample(row, x, 1);
            else if (TransparentColour(row, x))
                a = 0;
            break;
        default:
            r = Sample(row, x, 0);
            g = Sample(row, x, 1);
            b = Sample(row, x, 2);
            if (h_.ColourType == 6)
                a = Sample(row, x, 3);
            else if (TransparentColour(row, x))
                a = 0;
            break;
        }
        auto premultiply = [a](uint32_t v) { return (v * a + 127) / 255; };
        return a << 24 | premultiply(r) << 16 | premultiply(g) << 8 | premultiply(b);
    }

    Header h_;
    std::span<const uint8_t> palette_, transparency_;
    int channels_;
};

}

bool IsPng(std::span<const uint8_t> data)
{
    return data.size() >= Signature.size() && std::equal(Signature.begin(), Signature.end(), data.begin());
}

std::optional<Bitmap> DecodePng(std::span<const uint8_t> data)
{
    if (!IsPng(data))
        return std::nullopt;
    Header header;
    std::span<const uint8_t> palette, transparency;
    std::vector<uint8_t> packed;
    bool seenHeader = false;
    for (size_t at = Signature.size(); at + 12 <= data.size();) {
        uint32_t length = BigEndian(data.subspan(at));
        if (length > data.size() - at - 12)
            break;
        std::span<const uint8_t> type = data.subspan(at + 4, 4), body = data.subspan(at + 8, length);
        auto is = [&](const char* name) { return std::equal(type.begin(), type.end(), name); };
        if (is("IHDR") && length >= 13) {
            header = {BigEndian(body), BigEndian(body.subspan(4)), body[8], body[9], body[12] == 1};
            seenHeader = body[10] == 0 && body[11] == 0;
        } else if (is("PLTE")) {
            palette = body;
        } else if (is("tRNS")) {
            transparency = body;
        } else if (is("IDAT")) {
            packed.insert(packed.end(), body.begin(), body.end());
        } else if (is("IEND")) {
            break;
        }
        at += size_t{length} + 12;
    }
    if (!seenHeader || !ValidDepth(header.ColourType, header.Depth) || header.Width == 0 || header.Height == 0
        || size_t{header.Width} * header.Height > MaxBitmapPixels)
        return std::nullopt;
    PngImage image(header, palette, transparency);
    size_t size = image.DataSize();
    std::vector<uint8_t> rows;
    try {
        rows = Inflate(packed, size);
    } catch (const SwfFormatError&) {
        return std::nullopt;
    }
    // Rows the data does not reach are filtered zeros: transparent or black.
    rows.resize(size);
    Bitmap bitmap;
    bitmap.Width = static_cast<int>(header.Width);
    bitmap.Height = static_cast<int>(header.Height);
    bitmap.Pixels.assign(size_t{header.Width} * header.Height, 0);
    image.Decode(rows, bitmap);
    return bitmap;
}

}
