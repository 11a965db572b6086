#include "MclConversion.h"

#include <algorithm>
#include <cstdint>

int32_t MclConversion::DefaultBitRate() const
{
    if (FileFormat == MCL_FILE_FORMAT_AVI && VideoCodec == MCL_FOURCC_DIB) {
        // Uncompressed frames: the bit rate is simply what the pictures weigh.
        // Large stages at high rates exceed what a 32-bit rate can say.
        double rate = FrameRate > 0 ? FrameRate : 25.0;
        double kbps = static_cast<double>(Width) * Height * Bits * rate / 1000.0;
        return static_cast<int32_t>(std::min(kbps, static_cast<double>(INT32_MAX)));
    }
    switch (FormatPreset) {
    case MCL_PRESET_MPEG4: return 1500;
    case MCL_PRESET_WMV: return 1000;
    default: break;
    }
    if (FileFormat == MCL_FILE_FORMAT_OGV) return 1200;
    return 1500;
}

MclHandleTable<MclConversion>& Conversions()
{
    static MclHandleTable<MclConversion> table;
    return table;
}

MclConversion* ConversionFromHandle(MclHandle m)
{
    return Conversions().Find(m);
}
