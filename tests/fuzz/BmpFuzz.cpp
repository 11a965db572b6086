// Any bytes as a BMP file (when they start with "BM") or as a packed DIB, the
// form of bitmap resources: the layout the bitmap class loads by must lie
// inside the bytes, rows and colour table as much as the info block it
// hands the system for layouts it does not copy itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "DibLayout.h"

namespace {

volatile uint8_t sink;

// Touches every byte of a part, as copying it would.
void Take(const uint8_t* bytes, size_t size)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    sink = sum;
}

void Load(const uint8_t* dib, size_t size, size_t bitsOffset)
{
    TDibLayout layout;
    if (!DescribePackedDib(dib, size, bitsOffset, layout)) return;
    if (layout.Width <= 0 || layout.Height <= 0 || layout.LineSize == 0) std::abort();
    Take(dib + layout.ColorTableOffset, layout.ColorCount * 4);
    if (layout.CopiesRows) {
        std::vector<uint8_t> pixels(layout.LineSize * static_cast<size_t>(layout.Height));
        for (int row = 0; row < layout.Height; ++row)
            std::memcpy(pixels.data() + layout.LineSize * static_cast<size_t>(row), dib + layout.RowOffset(row),
                        layout.LineSize);
    } else {
        // What the system is handed: the info block, then the pixels.
        if (layout.InfoSize > layout.BitsOffset) std::abort();
        Take(dib, layout.InfoSize);
        Take(dib + layout.BitsOffset, size - layout.BitsOffset);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t bitsOffset = 0;
    if (size >= kBmpFileHeaderSize && ReadBmpFileHeader(data, bitsOffset))
        Load(data + kBmpFileHeaderSize, size - kBmpFileHeaderSize, bitsOffset);
    else
        Load(data, size, 0);
    return 0;
}
