#pragma once
// Pictures: the graphic every kind of picture is, and bitmaps the program
// reads and writes row by row.
#include "Geometry.h"
#include "Persistent.h"

#include <windows.h>

class TCanvas;

// A picture of some kind that a canvas can draw.
class TGraphic : public TPersistent {
public:
    std::string ClassName() const override { return "TGraphic"; }

    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the picture stretched into Rect on Canvas, which has its DC.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
};

enum TPixelFormat { pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

// A bottom-up DIB section: scan line 0 is the top row and sits at the
// highest address; lines are padded to 32 bits. 15-bit pixels are 5-5-5 and
// 16-bit pixels 5-6-5, red in the high bits; 8-bit bitmaps start with a
// grey-ramp palette.
class TBitmap : public TGraphic {
public:
    TBitmap() = default;
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    std::string ClassName() const override { return "TBitmap"; }

    bool Empty() const override { return !handle_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
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

protected:
    void Draw(TCanvas& canvas, const TRect& rect) override;

private:
    void Recreate();

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pf24bit;
    HBITMAP handle_ = nullptr;
    BYTE* bits_ = nullptr;
};
