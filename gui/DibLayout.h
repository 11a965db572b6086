#pragma once
// Where the parts of a BMP file or packed DIB lie, checked against the bytes
// that are there: the bitmap class copies pixels by it, and hands the system
// only an info block this has found whole. Free of any system header, so the
// same checks run everywhere.
#include <cstddef>
#include <cstdint>

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kDibInfoHeaderSize = 40;

constexpr uint32_t kDibRgb = 0;
constexpr uint32_t kDibRle8 = 1;
constexpr uint32_t kDibRle4 = 2;
constexpr uint32_t kDibBitFields = 3;

struct TDibLayout {
    int Width = 0;
    int Height = 0;  // rows, without the sign of the stored height
    bool TopDown = false;
    int BitCount = 0;  // 1, 4, 8, 16, 24 or 32
    uint32_t Compression = kDibRgb;
    uint32_t Masks[3] = {};  // red, green, blue of bit-field pixels
    size_t HeaderSize = 0;
    size_t ColorTableOffset = 0;  // the table follows the header
    size_t ColorCount = 0;        // of a paletted DIB: entries there to take
    size_t BitsOffset = 0;
    size_t LineSize = 0;  // bytes of one stored row of plain pixels
    // Plain rows in a layout the bitmap holds as it is: copied row by row.
    // Otherwise the system decodes the pixels from the info block (the
    // header, masks and colour table, InfoSize bytes) and the bits.
    bool CopiesRows = false;
    size_t InfoSize = 0;

    bool Paletted() const { return BitCount <= 8; }
    // Offset of the stored bytes of a row counted from the top.
    size_t RowOffset(int row) const
    {
        return BitsOffset + LineSize * static_cast<size_t>(TopDown ? row : Height - 1 - row);
    }
};

// The offset of the pixels a BMP file header gives, counted from the end of
// that header; 0 when it gives none (the pixels follow the colour table).
// False when the bytes are no BMP file header.
bool ReadBmpFileHeader(const uint8_t* header, size_t& bitsOffset);

// The layout of the packed DIB in Size bytes at Dib (a BITMAPINFOHEADER or a
// later one, masks, colour table, pixels); BitsOffset 0 when the pixels
// follow the colour table. False when any part it needs lies outside the
// bytes or the DIB is of a kind the bitmap does not hold.
bool DescribePackedDib(const uint8_t* dib, size_t size, size_t bitsOffset, TDibLayout& layout);
