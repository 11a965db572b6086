#include "MclPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The DIB header that describes Picture's rows, top-down.
BITMAPINFO DescribeDIB(int32_t width, int32_t height, int32_t bits)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

uint8_t Blend(uint8_t over, uint8_t under, uint32_t alpha)
{
    return static_cast<uint8_t>((over * alpha + under * (255 - alpha) + 127) / 255);
}

}

bool ValidPictureSize(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= 65535 && height <= 65535 && width * height * 4 <= INT32_MAX;
}

bool MclPicture::Redim(int32_t width, int32_t height, int32_t bits)
{
    if (!ValidPictureSize(width, height) || (bits != 24 && bits != 32)) return false;
    MclPicture grown;
    grown.Width = width;
    grown.Height = height;
    grown.Bits = bits;
    grown.Pixels.assign(static_cast<size_t>(grown.Stride()) * height, 0);
    int32_t from = BytesPerPixel(), to = grown.BytesPerPixel();
    for (int32_t y = 0; y < std::min(height, Height); ++y)
        for (int32_t x = 0; x < std::min(width, Width); ++x) {
            const uint8_t* s = Row(y) + x * from;
            uint8_t* d = grown.Row(y) + x * to;
            std::memcpy(d, s, 3);
            if (to == 4) d[3] = from == 4 ? s[3] : 255;
        }
    *this = std::move(grown);
    return true;
}

void MclPicture::Clear(MclColor color)
{
    const uint8_t pixel[4] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                              static_cast<uint8_t>(color), static_cast<uint8_t>(255 - (color >> 24))};
    for (int32_t y = 0; y < Height; ++y)
        for (int32_t x = 0; x < Width; ++x) std::memcpy(Row(y) + x * BytesPerPixel(), pixel, BytesPerPixel());
}

bool MclPicture::Resample(int32_t width, int32_t height)
{
    if (!ValidPictureSize(width, height) || Empty()) return false;
    MclPicture scaled;
    scaled.Width = width;
    scaled.Height = height;
    scaled.Bits = Bits;
    scaled.Pixels.assign(static_cast<size_t>(scaled.Stride()) * height, 0);
    int32_t bpp = BytesPerPixel();
    // Bilinear between the source pixels nearest each target pixel's centre.
    for (int32_t y = 0; y < height; ++y) {
        double sy = std::clamp((y + 0.5) * Height / height - 0.5, 0.0, Height - 1.0);
        int32_t y0 = static_cast<int32_t>(sy), y1 = std::min(y0 + 1, Height - 1);
        double fy = sy - y0;
        for (int32_t x = 0; x < width; ++x) {
            double sx = std::clamp((x + 0.5) * Width / width - 0.5, 0.0, Width - 1.0);
            int32_t x0 = static_cast<int32_t>(sx), x1 = std::min(x0 + 1, Width - 1);
            double fx = sx - x0;
            for (int32_t c = 0; c < bpp; ++c) {
                double top = Row(y0)[x0 * bpp + c] * (1 - fx) + Row(y0)[x1 * bpp + c] * fx;
                double bottom = Row(y1)[x0 * bpp + c] * (1 - fx) + Row(y1)[x1 * bpp + c] * fx;
                scaled.Row(y)[x * bpp + c] = static_cast<uint8_t>(std::lround(top * (1 - fy) + bottom * fy));
            }
        }
    }
    *this = std::move(scaled);
    return true;
}

void MclPicture::Insert(const MclPicture& source, int32_t x, int32_t y)
{
    int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t{x} + source.Width, Width);
    int64_t bottom = std::min<int64_t>(int64_t{y} + source.Height, Height);
    int32_t from = source.BytesPerPixel(), to = BytesPerPixel();
    for (int64_t row = top; row < bottom; ++row) {
        const uint8_t* s = source.Row(static_cast<int32_t>(row - y)) + (left - x) * from;
        uint8_t* d = Row(static_cast<int32_t>(row)) + left * to;
        for (int64_t col = left; col < right; ++col, s += from, d += to) {
            uint32_t alpha = from == 4 ? s[3] : 255;
            for (int c = 0; c < 3; ++c) d[c] = Blend(s[c], d[c], alpha);
            if (to == 4) d[3] = static_cast<uint8_t>(alpha + (d[3] * (255 - alpha) + 127) / 255);
        }
    }
}

bool MclPicture::FromBitmap(HBITMAP bitmap)
{
    BITMAP described{};
    if (!bitmap || !GetObjectW(bitmap, sizeof described, &described)) return false;
    int32_t bits = described.bmBitsPixel == 32 ? 32 : 24;
    if (!ValidPictureSize(described.bmWidth, std::abs(described.bmHeight))) return false;
    MclPicture read;
    read.Width = described.bmWidth;
    read.Height = std::abs(described.bmHeight);
    read.Bits = bits;
    read.Pixels.resize(static_cast<size_t>(read.Stride()) * read.Height);
    BITMAPINFO info = DescribeDIB(read.Width, read.Height, bits);
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, read.Height, read.Pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != read.Height) return false;
    *this = std::move(read);
    return true;
}

HBITMAP MclPicture::ToBitmap() const
{
    if (Empty()) return nullptr;
    BITMAPINFO info = DescribeDIB(Width, Height, Bits);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap) std::memcpy(bits, Pixels.data(), Pixels.size());
    return bitmap;
}

bool MclPicture::Show(HDC dc, int32_t x, int32_t y) const
{
    if (Empty() || !dc) return false;
    BITMAPINFO info = DescribeDIB(Width, Height, Bits);
    return SetDIBitsToDevice(dc, x, y, Width, Height, 0, 0, 0, Height, Pixels.data(), &info, DIB_RGB_COLORS) > 0;
}

MclHandleTable<MclPicture>& Pictures()
{
    static MclHandleTable<MclPicture> table;
    return table;
}

MclPicture* PictureFromHandle(MclImage img)
{
    return Pictures().Find(img);
}
