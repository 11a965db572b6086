#pragma once
// Pictures and hand-made GIF files for the GIF tests.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "GifCodec.h"
#include "Streams.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

// A 24-bit bitmap whose pixel (x, y) is Colour(x, y) as 0x00BBGGRR.
inline std::unique_ptr<TBitmap> MakeBitmap(int width, int height, const std::function<TColor(int, int)>& colour)
{
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<uint8_t*>(bitmap->ScanLine(y));
        for (int x = 0; x < width; ++x) {
            const TColor c = colour(x, y);
            row[3 * x] = GetBValue(c), row[3 * x + 1] = GetGValue(c), row[3 * x + 2] = GetRValue(c);
        }
    }
    return bitmap;
}

// Pixel (x, y) of any bitmap as 0x00BBGGRR.
inline std::vector<TColor> PixelsOf(TBitmap& bitmap)
{
    TBitmap copy;
    copy.Assign(&bitmap);
    copy.SetPixelFormat(pf24bit);
    std::vector<TColor> pixels;
    for (int y = 0; y < copy.Height(); ++y) {
        const auto* row = static_cast<const uint8_t*>(copy.ScanLine(y));
        for (int x = 0; x < copy.Width(); ++x) pixels.push_back(static_cast<TColor>(RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x])));
    }
    return pixels;
}

inline Bytes StreamBytes(TMemoryStream& stream)
{
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    return Bytes(p, p + stream.GetSize());
}

// GIF files put together piece by piece.
class GifBuilder {
public:
    GifBuilder& Raw(const std::string& bytes)
    {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    GifBuilder& Byte(int b)
    {
        out_.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    GifBuilder& Word(int w) { return Byte(w & 0xFF).Byte(w >> 8 & 0xFF); }
    // Signature, screen descriptor and a grey global colour table of 2^bits entries.
    GifBuilder& Screen(const std::string& signature, int width, int height, int bits)
    {
        Raw(signature).Word(width).Word(height).Byte(0x80 | (bits - 1) << 4 | (bits - 1)).Byte(0).Byte(0);
        for (int i = 0; i < 1 << bits; ++i) {
            const int v = i * 255 / ((1 << bits) - 1);
            Byte(v).Byte(v).Byte(v);
        }
        return *this;
    }
    GifBuilder& Control(int packed, int delay, int index) { return Raw("\x21\xF9\x04").Byte(packed).Word(delay).Byte(index).Byte(0); }
    GifBuilder& Blocks(const std::vector<std::string>& blocks)
    {
        for (const auto& b : blocks) Byte(static_cast<int>(b.size())).Raw(b);
        return Byte(0);
    }
    // An image of 8-bit indices Pixels (row 0 first), encoded at Bits.
    GifBuilder& Image(int left, int top, int width, int height, int bits, const Bytes& pixels, bool interlaced = false)
    {
        Byte(',').Word(left).Word(top).Word(width).Word(height).Byte(interlaced ? 0x40 : 0);
        const TGifBitmapInfo info{width, height, 8};
        Bytes dib(static_cast<size_t>(GifImageSize(info)));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) dib[static_cast<size_t>((height - 1 - y) * GifRowStride(info) + x)] = pixels[static_cast<size_t>(y * width + x)];
        Bytes data;
        EncodeGIFImage(data, info, interlaced, {}, dib.data());
        data[0] = static_cast<uint8_t>(std::max(bits, 2));
        // Re-encoding at 8 bits keeps the codes valid for a smaller code size
        // only when Bits is 8; other depths go through the depth they name.
        if (bits != 8) {
            const TGifBitmapInfo small{width, height, bits <= 1 ? 1 : bits <= 4 ? 4 : 8};
            Bytes packed(static_cast<size_t>(GifImageSize(small)));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const int perByte = 8 / small.BitsPerPixel;
                    const int shift = (perByte - 1 - x % perByte) * small.BitsPerPixel;
                    uint8_t& b = packed[static_cast<size_t>((height - 1 - y) * GifRowStride(small) + x / perByte)];
                    b = static_cast<uint8_t>(b | pixels[static_cast<size_t>(y * width + x)] << shift);
                }
            data.clear();
            EncodeGIFImage(data, small, interlaced, {}, packed.data());
        }
        out_.insert(out_.end(), data.begin(), data.end());
        return *this;
    }
    GifBuilder& Trailer() { return Byte(';'); }
    const Bytes& Get() const { return out_; }

private:
    Bytes out_;
};

inline void LoadGif(TGIFImage& image, const Bytes& bytes)
{
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    stream.SetPosition(0);
    image.LoadFromStream(stream);
}

}  // namespace giftest
