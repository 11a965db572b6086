#include "MclTestPictures.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace mcltest {

Pixels Pattern(int32_t width, int32_t height, int32_t bits, int frame)
{
    Pixels p{width, height, bits, std::vector<uint8_t>(static_cast<size_t>(width) * height * (bits / 8))};
    int32_t squareX = (frame * 4) % std::max(1, width - 16), squareY = (frame * 2) % std::max(1, height - 16);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            int block = (x / 8) * 7 + (y / 8) * 3;
            bool square = x >= squareX && x < squareX + 16 && y >= squareY && y < squareY + 16;
            uint8_t* d = p.At(x, y);
            d[0] = static_cast<uint8_t>(square ? 240 : block * 37 % 200);
            d[1] = static_cast<uint8_t>(square ? 230 : block * 53 % 200);
            d[2] = static_cast<uint8_t>(square ? 220 : 40 + block * 11 % 160);
            if (bits == 32) d[3] = static_cast<uint8_t>(square ? 255 : (x * 255) / std::max(1, width - 1));
        }
    return p;
}

namespace {

// A top-down DIB of the pixels' size and depth.
BITMAPINFO TopDown(const Pixels& pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels.Width;
    info.bmiHeader.biHeight = -pixels.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(pixels.Bits);
    return info;
}

}

MclImage ToImage(const Pixels& pixels)
{
    MclImage img = MclImgCreate();
    MclImgRedim(img, pixels.Width, pixels.Height, pixels.Bits);
    BITMAPINFO info = TopDown(pixels);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    int32_t rowBytes = pixels.Width * pixels.Bits / 8, stride = (rowBytes + 3) & ~3;
    for (int32_t y = 0; y < pixels.Height; ++y)
        std::memcpy(static_cast<uint8_t*>(bits) + y * stride, pixels.Data.data() + y * rowBytes, rowBytes);
    if (MclDIBToImg(img, bitmap) != MCL_OK) throw std::runtime_error("MclDIBToImg failed");
    DeleteObject(bitmap);
    return img;
}

Pixels FromImage(MclImage img)
{
    Pixels p;
    MclImgGetInfo(img, &p.Width, &p.Height, &p.Bits, nullptr, nullptr, nullptr, nullptr, nullptr);
    HBITMAP bitmap = MclImgToDIB(img);
    if (!bitmap) throw std::runtime_error("MclImgToDIB failed");
    // Read back through GDI, top-down, in the picture's own depth.
    BITMAPINFO info = TopDown(p);
    int32_t rowBytes = p.Width * p.Bits / 8, stride = (rowBytes + 3) & ~3;
    std::vector<uint8_t> padded(static_cast<size_t>(stride) * p.Height);
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, p.Height, padded.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    if (rows != p.Height) throw std::runtime_error("GetDIBits failed");
    p.Data.resize(static_cast<size_t>(rowBytes) * p.Height);
    for (int32_t y = 0; y < p.Height; ++y)
        std::memcpy(p.Data.data() + y * rowBytes, padded.data() + y * stride, rowBytes);
    return p;
}

void AppendRaw(const std::string& fileName, const Pixels& pixels)
{
    int bpp = pixels.Bits / 8;
    std::vector<uint8_t> rgb(pixels.Data.size());
    for (size_t i = 0; i < rgb.size(); i += bpp) {
        rgb[i] = pixels.Data[i + 2];
        rgb[i + 1] = pixels.Data[i + 1];
        rgb[i + 2] = pixels.Data[i];
        if (bpp == 4) rgb[i + 3] = pixels.Data[i + 3];
    }
    FILE* file = std::fopen(fileName.c_str(), "ab");
    if (!file || std::fwrite(rgb.data(), 1, rgb.size(), file) != rgb.size()) throw std::runtime_error(fileName);
    std::fclose(file);
}

}
