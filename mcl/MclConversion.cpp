#include "MclConversion.h"

namespace {

constexpr int32_t kFileFormatAvi = 6;
constexpr int32_t kFileFormatOgv = 27;
constexpr int32_t kPresetMpeg4 = 7;
constexpr int32_t kPresetWmv = 8;
constexpr uint32_t kFourCCDib = 'D' | 'I' << 8 | 'B' << 16 | ' ' << 24;

}

int32_t MclConversion::DefaultBitRate() const
{
    if (FileFormat == kFileFormatAvi && VideoCodec == kFourCCDib) {
        // Uncompressed frames: the bit rate is simply what the pictures weigh.
        double rate = FrameRate > 0 ? FrameRate : 25.0;
        return static_cast<int32_t>(static_cast<double>(Width) * Height * Bits * rate / 1000.0);
    }
    switch (FormatPreset) {
    case kPresetMpeg4: return 1500;
    case kPresetWmv: return 1000;
    default: break;
    }
    if (FileFormat == kFileFormatOgv) return 1200;
    return 1500;
}

MclConversion* ConversionFromHandle(MclHandle m)
{
    return reinterpret_cast<MclConversion*>(static_cast<uintptr_t>(m));
}
