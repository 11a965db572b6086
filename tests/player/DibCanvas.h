#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <span>

namespace tvmtest {

// A 32-bit top-down DIB section selected into a memory DC.
class DibCanvas {
public:
    DibCanvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        Fill(0xDEADBEEF);
    }
    ~DibCanvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC Dc() const { return dc_; }
    void Fill(uint32_t value) { std::fill(bits_, bits_ + width_ * height_, value); }
    // All pixels, rows packed, top row first.
    std::span<const uint32_t> Pixels()
    {
        GdiFlush();
        return {bits_, static_cast<size_t>(width_) * height_};
    }
    uint32_t Pixel(int x, int y)
    {
        GdiFlush();
        return bits_[y * width_ + x];
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

}
