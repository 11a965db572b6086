#include "DibLayout.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr size_t kColorSize = 4;
constexpr uint32_t kMasks555[] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMasks565[] = {0xF800, 0x07E0, 0x001F};
constexpr uint32_t kMasks888[] = {0xFF0000, 0xFF00, 0xFF};

template <class T>
T Read(const uint8_t* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

bool KnownBitCount(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool StandardMasks(const TDibLayout& dib)
{
    if (dib.Compression == kDibRgb) return true;
    const uint32_t* masks = dib.BitCount == 16 && dib.Masks[1] == kMasks565[1] ? kMasks565 : kMasks555;
    return std::equal(dib.Masks, dib.Masks + 3, masks) ||
           (dib.BitCount == 32 && std::equal(dib.Masks, dib.Masks + 3, kMasks888));
}

}

bool ReadBmpFileHeader(const uint8_t* header, size_t& bitsOffset)
{
    if (Read<uint16_t>(header) != kBmpSignature) return false;
    const uint32_t offBits = Read<uint32_t>(header + 10);
    bitsOffset = offBits > kBmpFileHeaderSize ? offBits - kBmpFileHeaderSize : 0;
    return true;
}

bool DescribePackedDib(const uint8_t* dib, size_t size, size_t bitsOffset, TDibLayout& layout)
{
    if (size < kDibInfoHeaderSize) return false;
    const uint32_t headerSize = Read<uint32_t>(dib);
    const int32_t width = Read<int32_t>(dib + 4);
    const int32_t storedHeight = Read<int32_t>(dib + 8);
    const uint16_t planes = Read<uint16_t>(dib + 12);
    const uint16_t bitCount = Read<uint16_t>(dib + 14);
    const uint32_t compression = Read<uint32_t>(dib + 16);
    const uint32_t sizeImage = Read<uint32_t>(dib + 20);
    const uint32_t colorsUsed = Read<uint32_t>(dib + 32);
    // INT32_MIN has no magnitude of its own: it is no height.
    if (storedHeight == INT32_MIN) return false;
    const int height = storedHeight < 0 ? -storedHeight : storedHeight;
    const bool compressed = compression == kDibRle8 || compression == kDibRle4;
    if (headerSize < kDibInfoHeaderSize || headerSize > size || width <= 0 || height == 0 || planes != 1 ||
        width > 0x8000 || height > 0x8000 || colorsUsed > 256 || !KnownBitCount(bitCount) ||
        (compression != kDibRgb && compression != kDibBitFields && !compressed))
        return false;

    TDibLayout dibLayout;
    dibLayout.Width = width;
    dibLayout.Height = height;
    dibLayout.TopDown = storedHeight < 0;
    dibLayout.BitCount = bitCount;
    dibLayout.Compression = compression;
    dibLayout.HeaderSize = headerSize;
    // A plain info header is followed by the masks; later headers hold them.
    const size_t masksSize = headerSize == kDibInfoHeaderSize && compression == kDibBitFields ? sizeof dibLayout.Masks : 0;
    const size_t tableEntries = colorsUsed ? colorsUsed : bitCount <= 8 ? size_t{1} << bitCount : 0;
    if (!bitsOffset) bitsOffset = headerSize + masksSize + tableEntries * kColorSize;
    if (compression == kDibBitFields) {
        if (headerSize + sizeof dibLayout.Masks > size) return false;
        std::memcpy(dibLayout.Masks, dib + headerSize, sizeof dibLayout.Masks);
    }
    dibLayout.LineSize = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    const size_t needed = compressed ? sizeImage : dibLayout.LineSize * static_cast<size_t>(height);
    if (bitsOffset > size || size - bitsOffset < needed || bitsOffset < headerSize) return false;
    dibLayout.BitsOffset = bitsOffset;
    dibLayout.ColorTableOffset = headerSize;
    if (dibLayout.Paletted())
        dibLayout.ColorCount = std::min(tableEntries, (bitsOffset - headerSize) / kColorSize);
    dibLayout.CopiesRows = !compressed && StandardMasks(dibLayout);
    dibLayout.InfoSize = headerSize + masksSize + tableEntries * kColorSize;
    // The system reads the whole info block, whatever the pixel offset says.
    if (!dibLayout.CopiesRows && dibLayout.InfoSize > bitsOffset) return false;
    layout = dibLayout;
    return true;
}
