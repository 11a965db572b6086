#include "Graphics.h"

#include "Canvas.h"
#include "Exceptions.h"
#include "GdiHandle.h"

#include <array>
#include <cstring>

namespace {

// Bits each pixel takes in memory: 15-bit pixels take 16.
int StoredBits(TPixelFormat pixelFormat)
{
    constexpr int Bits[] = {8, 16, 16, 24, 32};
    return Bits[pixelFormat];
}

// A DIB header with room for the masks of 16-bit pixels or a 256-colour palette.
struct TBitmapInfo {
    BITMAPINFOHEADER header{};
    std::array<RGBQUAD, 256> colors{};
};

TBitmapInfo DescribeBitmap(int width, int height, TPixelFormat pixelFormat)
{
    TBitmapInfo info;
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(StoredBits(pixelFormat));
    info.header.biCompression = BI_RGB;
    if (pixelFormat == pf16bit) {
        info.header.biCompression = BI_BITFIELDS;
        const DWORD masks[] = {0xF800, 0x07E0, 0x001F};
        static_assert(sizeof masks <= sizeof info.colors);
        std::memcpy(info.colors.data(), masks, sizeof masks);
    } else if (pixelFormat == pf8bit) {
        info.header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) {
            BYTE grey = static_cast<BYTE>(i);
            info.colors[i] = RGBQUAD{grey, grey, grey, 0};
        }
    }
    return info;
}

}

TBitmap::~TBitmap()
{
    if (handle_) DeleteObject(handle_);
}

void TBitmap::SetSize(int width, int height)
{
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    Recreate();
}

void TBitmap::SetPixelFormat(TPixelFormat pixelFormat)
{
    if (pixelFormat == pixelFormat_) return;
    pixelFormat_ = pixelFormat;
    Recreate();
}

int TBitmap::ScanLineSize() const
{
    return (width_ * StoredBits(pixelFormat_) + 31) / 32 * 4;
}

void* TBitmap::ScanLine(int row) const
{
    if (!bits_ || row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
    return bits_ + static_cast<size_t>(height_ - 1 - row) * ScanLineSize();
}

void TBitmap::Recreate()
{
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    bits_ = nullptr;
    if (width_ <= 0 || height_ <= 0) return;
    TBitmapInfo info = DescribeBitmap(width_, height_, pixelFormat_);
    void* bits = nullptr;
    handle_ = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle_) throw EOutOfMemory("Out of system resources");
    bits_ = static_cast<BYTE*>(bits);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect)
{
    TMemoryDCHandle source(CreateCompatibleDC(canvas.Handle()));
    HGDIOBJ previous = SelectObject(source.Get(), handle_);
    SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
    StretchBlt(canvas.Handle(), rect.left, rect.top, RectWidth(rect), RectHeight(rect), source.Get(), 0, 0, width_, height_,
               canvas.GetCopyMode());
    SelectObject(source.Get(), previous);
}
