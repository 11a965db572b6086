// Any bytes as GIF image data: the decoder must answer, never crash or write
// outside the pixels. Three bytes in front pick the image: width and height
// (1 to 256), and bits per pixel, interlace, tolerance and the frame's bits.
// Whatever decodes cleanly is written again by our encoder and must decode
// back to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "GifLzw.h"

namespace {

constexpr size_t kPicks = 3;
constexpr int32_t kBitsPerPixel[4] = {1, 4, 8, 8};

std::vector<uint8_t> Decode(const uint8_t* data, size_t size, const TGifBitmapInfo& info, bool interlaced,
                            int frameBits, bool tolerant, bool& corrupted)
{
    std::vector<uint8_t> pixels(static_cast<size_t>(GifImageSize(info)));
    DecodeGIFImage(data, size, info, interlaced, {}, corrupted, pixels.data(), frameBits, tolerant);
    return pixels;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kPicks) return 0;
    TGifBitmapInfo info;
    info.Width = data[0] + 1;
    info.Height = data[1] + 1;
    info.BitsPerPixel = kBitsPerPixel[data[2] & 3];
    const bool interlaced = data[2] & 4;
    const bool tolerant = data[2] & 8;
    const int frameBits = (data[2] >> 4 & 7) + 1;
    bool corrupted = false;
    std::vector<uint8_t> pixels;
    try {
        pixels = Decode(data + kPicks, size - kPicks, info, interlaced, frameBits, tolerant, corrupted);
    } catch (const EGifFormatError&) {
        return 0;
    }
    if (corrupted) return 0;
    std::vector<uint8_t> encoded;
    EncodeGIFImage(encoded, info, interlaced, {}, pixels.data());
    bool again = false;
    if (Decode(encoded.data(), encoded.size(), info, interlaced, 8, false, again) != pixels || again) std::abort();
    return 0;
}
