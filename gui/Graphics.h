#pragma once
// Bitmaps: device-independent pictures the program reads and writes row by row.
#include "Persistent.h"

#include <windows.h>

enum TPixelFormat { pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// A bottom-up DIB section: scan line 0 is the top row and sits at the
// highest address; lines are padded to 32 bits. 15-bit pixels are 5-5-5 and
// 16-bit pixels 5-6-5, red in the high bits; 8-bit bitmaps start with a
// grey-ramp palette.
class TBitmap : public TPersistent {
public:
    TBitmap() = default;
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::string ClassName() const override { return "TBitmap"; }

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A change of size or pixel format makes a new picture, all zero.
    void SetWidth(int width) { SetSize(width, height_); }
    void SetHeight(int height) { SetSize(width_, height); }
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat pixelFormat);

    // Bytes from one scan line to the next.
    int ScanLineSize() const;
    // Row 0 is the top row; a row outside the bitmap raises
    // EInvalidGraphicOperation "Scan line index out of range".
    void* ScanLine(int row) const;
    // The DIB section; null while the bitmap is empty.
    HBITMAP Handle() const { return handle_; }

private:
    void Recreate();

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pf24bit;
    HBITMAP handle_ = nullptr;
    BYTE* bits_ = nullptr;
};
