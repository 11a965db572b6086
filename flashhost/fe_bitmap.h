#pragma once
// A 32-bit bitmap with an alpha byte per pixel, held in a top-down DIB
// section with a memory DC of its own: its pixels can be read and written
// in memory and drawn on through GDI. It draws itself opaque, colour-keyed
// (Transparent) or alpha-blended (AlphaBlend) into DCs and into other such
// bitmaps; the pixel work is that of fe_pixels.
#include <windows.h>

#include <memory>
#include <string>

#include "Canvas.h"
#include "Graphics.h"
#include "fe_pixels.h"

class TfeBitmap : public TPersistent {
public:
    TfeBitmap();
    ~TfeBitmap() override;
    TfeBitmap(const TfeBitmap&) = delete;
    TfeBitmap& operator=(const TfeBitmap&) = delete;

    std::string ClassName() const override { return "TfeBitmap"; }

    // Sizes count by their absolute value; 0 in either, or the current size,
    // changes nothing. The new pixels are all 0. Failures raise Exception
    // ("Can't allocate the DIB handle", "Can't create compatible DC", "Can't
    // select an object into DC") and leave the bitmap empty.
    void SetSize(int width, int height);
    bool Empty() const { return handle_ == nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    TfeColor* Bits() const { return bits_; }
    HBITMAP Handle() const { return handle_; }
    HDC DC() const { return dc_; }
    const BITMAPINFOHEADER& BitmapInfo() const { return info_; }
    // A canvas on DC, made on first request.
    TCanvas& GetCanvas();

    TfeColor* ScanLine(int y) const { return bits_ + static_cast<intptr_t>(y) * width_; }
    TfeColor* PixelPtr(int x, int y) const { return ScanLine(y) + x; }
    // Outside the bitmap nothing is stored.
    void SetPixel(int x, int y, TfeColor color);
    void SetAlpha(uint8_t alpha);
    // AlphaBlend becomes whether any alpha lies strictly between 0 and 255.
    void CheckAlpha();
    // Clipped to the bitmap; blends the colour with AlphaBlend, else sets it.
    void FillRect(const TfeRect& rect, TfeColor color);

    // The whole bitmap at (X, Y), part of it, or on a canvas's DC, unscaled.
    void Draw(HDC dc, int x, int y);
    void DrawRect(HDC dc, int x, int y, const TfeRect& sourceRect);
    void DrawTo(TCanvas& canvas, int x, int y);
    // SourceRect stretched into DestRect of DC by this bitmap's mode. A DC of
    // another TfeBitmap is drawn into directly, pixel by pixel.
    void StretchDraw(HDC dc, const TfeRect& destRect, const TfeRect& sourceRect);
    void StretchDrawToBitmap(TfeBitmap& target, const TfeRect& destRect, const TfeRect& sourceRect);
    // Draws Graphic stretched into Rect; only the pixels it paints change.
    void DrawGraphic(TGraphic& graphic, const TfeRect& rect);

    // From another TfeBitmap, a TBitmap (a 32-bit one keeps its alpha, any
    // other comes out opaque), a TPicture or any other graphic.
    void Assign(const TPersistent* source) override;

    std::string Name;
    bool AlphaBlend = false;
    bool Transparent = false;

protected:
    // Into a TBitmap (32 bits, this bitmap drawn on it) or a TPicture.
    void AssignTo(TPersistent* dest) const override;

private:
    void Release();
    TfePixels Pixels() const { return TfePixels{bits_, width_, height_}; }
    TfeDrawMode Mode() const;
    void AssignBitmap(const TBitmap& bitmap);

    TfeColor* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    BITMAPINFOHEADER info_{};
    HBITMAP handle_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    std::unique_ptr<TCanvas> canvas_;
};
