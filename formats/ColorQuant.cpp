#include "ColorQuant.h"

#include <cstring>
#include <limits>
#include <vector>

#include "Exceptions.h"

namespace {

constexpr int64_t HeadersSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);

std::unique_ptr<TMemoryStream> SavedCopy(TBitmap& bitmap, TPixelFormat format)
{
    auto stream = std::make_unique<TMemoryStream>();
    if (bitmap.PixelFormat() == format) {
        bitmap.SaveToStream(*stream);
    } else {
        TBitmap copy;
        copy.Assign(&bitmap);
        copy.SetPixelFormat(format);
        copy.SaveToStream(*stream);
    }
    stream->SetPosition(0);
    return stream;
}

std::unique_ptr<TMemoryStream> Reduced(TBitmap& bitmap, TColorReduction method, TColor& transparentColor)
{
    TBitmap bgr;
    bgr.Assign(&bitmap);
    bgr.SetPixelFormat(pf24bit);
    const int32_t width = bgr.Width(), height = bgr.Height();
    const int64_t stride = WidthBytes(static_cast<int64_t>(width) * 8);
    const int64_t imageSize = stride * height;
    const int64_t paletteSize = 256 * sizeof(RGBQUAD);
    if (imageSize > std::numeric_limits<int32_t>::max() - HeadersSize - paletteSize)
        throw EInvalidGraphic("Bitmap image is not valid");

    std::vector<uint8_t> file(static_cast<size_t>(HeadersSize + paletteSize + imageSize));
    TReducedPalette palette;
    uint8_t* pixels = file.data() + HeadersSize + paletteSize;
    uint32_t transparent = static_cast<uint32_t>(transparentColor);
    const int used = ReduceColors({static_cast<const uint8_t*>(bgr.ScanLine(height - 1)), bgr.ScanLineSize(), width, height},
                                  {pixels, stride, width, height}, method, transparent, palette);
    transparentColor = static_cast<TColor>(transparent);

    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfSize = static_cast<DWORD>(file.size());
    fileHeader.bfOffBits = static_cast<DWORD>(HeadersSize + paletteSize);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biSizeImage = static_cast<DWORD>(imageSize);
    info.biClrImportant = static_cast<DWORD>(used);
    std::memcpy(file.data(), &fileHeader, sizeof(fileHeader));
    std::memcpy(file.data() + sizeof(fileHeader), &info, sizeof(info));
    std::memcpy(file.data() + HeadersSize, palette.data(), static_cast<size_t>(paletteSize));

    auto stream = std::make_unique<TMemoryStream>();
    stream->WriteBuffer(file.data(), static_cast<int32_t>(file.size()));
    stream->SetPosition(0);
    return stream;
}

}  // namespace

int PixelFormatToColors(TPixelFormat format)
{
    switch (format) {
    case pf1bit: return 2;
    case pf4bit: return 16;
    case pf8bit: return 256;
    default: return 0;
    }
}

std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap& bitmap, TPixelFormat format, TColorReduction method,
                                                 TColor& transparentColor)
{
    if (!bitmap.Handle()) throw EInvalidGraphic("Bitmap image is not valid");
    if (bitmap.PixelFormat() == format && method != crGrayscale) return SavedCopy(bitmap, format);
    switch (format) {
    case pf1bit:
    case pf4bit: return SavedCopy(bitmap, format);
    case pf8bit: return Reduced(bitmap, method, transparentColor);
    default:
        // Asked in the middle of a conversion: the caller reports it.
        throw EInvalidGraphicOperation("Function not yet implemented");
    }
}
