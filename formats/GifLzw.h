#pragma once
// The variable-length-code LZW of GIF image data. Pixels come from and go to
// a bottom-up DIB of 1, 4 or 8 bits per pixel with rows padded to 4 bytes:
// image row 0 is the last row in memory. Plain C++, no system headers.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// Data the codec refuses; the graphic layer raises it as its own error kind
// with the same text.
class EGifFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TGifBitmapInfo {
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t BitsPerPixel = 8;  // 1, 4 or 8
};
// Bytes from one row to the next: ((width x bits + 31) div 32) x 4.
int64_t GifRowStride(const TGifBitmapInfo& info);
// Stride x height, or -1 when it does not fit in 2 GB.
int64_t GifImageSize(const TGifBitmapInfo& info);

enum TGifProgressStage { gpsStarting, gpsRunning, gpsEnding };
// Told the start, the running percentage and the end: 100, or 0 with the
// message of an exception that passes.
using TGifProgress = std::function<void(TGifProgressStage stage, int percent, const std::string& message)>;

// Appends the minimum-code-size byte, the data sub-blocks and the zero-length
// block for the pixels Bits to Out; rows top to bottom, or in interlace order.
void EncodeGIFImage(std::vector<uint8_t>& out, const TGifBitmapInfo& info, bool interlaced, const TGifProgress& progress,
                    const uint8_t* bits);

// Decodes Data (code-size byte, sub-blocks) into the zero-filled pixels Bits.
// FrameBitsPerPixel (1-8) masks the pixel values. Damage (a code size outside
// 2-9, data that ends before the end code and the last row, a code beyond the
// table, a string code with no string before it) sets Corrupted and stops
// there. Tolerant keeps what was decoded; otherwise EGifFormatError
// "GIF code size not in range 2 to 9" or "GIF encoded data is corrupt".
void DecodeGIFImage(const uint8_t* data, size_t size, const TGifBitmapInfo& info, bool interlaced,
                    const TGifProgress& progress, bool& corrupted, uint8_t* bits, int frameBitsPerPixel, bool tolerant);

// The row after Row in GIF interlace order (0, 8, 16 ..., 4, 12 ..., 2, 6 ...,
// 1, 3 ...); Pass is 0 to 3. A result not below Height means the image is done.
int32_t GIFInterlaceStep(int32_t row, int32_t height, int& pass);
