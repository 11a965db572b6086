#include "fe_bitmap.h"

#include "Exceptions.h"
#include "Picture.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Every bitmap that has a DC: drawing into such a DC goes straight to its pixels.
std::vector<TfeBitmap*>& BitmapsWithDC()
{
    static std::vector<TfeBitmap*> bitmaps;
    return bitmaps;
}

TfeBitmap* BitmapOfDC(HDC dc)
{
    for (TfeBitmap* bitmap : BitmapsWithDC())
        if (bitmap->DC() == dc) return bitmap;
    return nullptr;
}

void Forget(TfeBitmap* bitmap)
{
    auto& bitmaps = BitmapsWithDC();
    bitmaps.erase(std::remove(bitmaps.begin(), bitmaps.end(), bitmap), bitmaps.end());
}

BITMAPINFO TopDownInfo(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

constexpr TfeColor Magenta = 0xFF00FF;

}

TfeBitmap::TfeBitmap() : info_(TopDownInfo(0, 0).bmiHeader)
{
}

TfeBitmap::~TfeBitmap()
{
    Release();
}

void TfeBitmap::Release()
{
    Forget(this);
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_) {
        SelectObject(dc_, previousBitmap_);
        DeleteDC(dc_);
    }
    if (handle_) DeleteObject(handle_);
    dc_ = nullptr;
    handle_ = nullptr;
    previousBitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    info_.biWidth = info_.biHeight = 0;
}

void TfeBitmap::SetSize(int width, int height)
{
    width = std::abs(width);
    height = std::abs(height);
    if (width == 0 || height == 0 || (width == width_ && height == height_)) return;
    Release();
    BITMAPINFO info = TopDownInfo(width, height);
    void* bits = nullptr;
    handle_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!handle_ || !bits) {
        Release();
        throw Exception("Can't allocate the DIB handle");
    }
    dc_ = CreateCompatibleDC(nullptr);
    if (!dc_) {
        Release();
        throw Exception("Can't create compatible DC");
    }
    previousBitmap_ = SelectObject(dc_, handle_);
    if (!previousBitmap_ || previousBitmap_ == HGDI_ERROR) {
        previousBitmap_ = nullptr;
        Release();
        throw Exception("Can't select an object into DC");
    }
    bits_ = static_cast<TfeColor*>(bits);
    width_ = width;
    height_ = height;
    info_ = info.bmiHeader;
    BitmapsWithDC().push_back(this);
    if (canvas_) canvas_->SetHandle(dc_);
}

TCanvas& TfeBitmap::GetCanvas()
{
    if (!canvas_) {
        canvas_ = std::make_unique<TCanvas>();
        if (dc_) canvas_->SetHandle(dc_);
    }
    return *canvas_;
}

void TfeBitmap::SetPixel(int x, int y, TfeColor color)
{
    if (bits_ && x >= 0 && x < width_ && y >= 0 && y < height_) *PixelPtr(x, y) = color;
}

void TfeBitmap::SetAlpha(uint8_t alpha)
{
    if (bits_) SetAlphaRow(bits_, width_ * height_, alpha);
}

void TfeBitmap::CheckAlpha()
{
    AlphaBlend = bits_ && std::any_of(bits_, bits_ + width_ * height_, [](TfeColor pixel) {
                     uint32_t alpha = pixel >> 24;
                     return alpha > 0 && alpha < 255;
                 });
}

void TfeBitmap::FillRect(const TfeRect& rect, TfeColor color)
{
    TfeRect area = IntersectRects(rect, TfeRect{0, 0, width_, height_});
    if (area.Empty() || !bits_) return;
    std::vector<TfeColor> line(area.Width(), color);
    for (int y = area.Top; y < area.Bottom; ++y) {
        if (AlphaBlend)
            BlendRow(line.data(), ScanLine(y) + area.Left, area.Width());
        else
            FillRow(ScanLine(y) + area.Left, area.Width(), color);
    }
}

// ---- Drawing

TfeDrawMode TfeBitmap::Mode() const
{
    if (AlphaBlend) return TfeDrawMode::Blend;
    return Transparent ? TfeDrawMode::ColorKey : TfeDrawMode::Copy;
}

void TfeBitmap::Draw(HDC dc, int x, int y)
{
    StretchDraw(dc, TfeRect{x, y, x + width_, y + height_}, TfeRect{0, 0, width_, height_});
}

void TfeBitmap::DrawRect(HDC dc, int x, int y, const TfeRect& sourceRect)
{
    StretchDraw(dc, TfeRect{x, y, x + sourceRect.Width(), y + sourceRect.Height()}, sourceRect);
}

void TfeBitmap::DrawTo(TCanvas& canvas, int x, int y)
{
    Draw(canvas.Handle(), x, y);
}

void TfeBitmap::StretchDraw(HDC dc, const TfeRect& destRect, const TfeRect& sourceRect)
{
    if (Empty() || destRect.Empty()) return;
    if (TfeBitmap* target = BitmapOfDC(dc)) {
        POINT origin{};
        GetWindowOrgEx(dc, &origin);
        TfeRect place{destRect.Left - origin.x, destRect.Top - origin.y, destRect.Right - origin.x,
                      destRect.Bottom - origin.y};
        StretchDrawToBitmap(*target, place, sourceRect);
        return;
    }
    if (Mode() == TfeDrawMode::Copy) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, destRect.Left, destRect.Top, destRect.Width(), destRect.Height(), dc_, sourceRect.Left,
                   sourceRect.Top, sourceRect.Width(), sourceRect.Height(), SRCCOPY);
        return;
    }
    // Keying and blending need the pixels below: they are fetched, drawn on
    // and put back.
    TfeBitmap below;
    below.SetSize(destRect.Width(), destRect.Height());
    BitBlt(below.DC(), 0, 0, destRect.Width(), destRect.Height(), dc, destRect.Left, destRect.Top, SRCCOPY);
    StretchDrawToBitmap(below, TfeRect{0, 0, destRect.Width(), destRect.Height()}, sourceRect);
    BitBlt(dc, destRect.Left, destRect.Top, destRect.Width(), destRect.Height(), below.DC(), 0, 0, SRCCOPY);
}

void TfeBitmap::StretchDrawToBitmap(TfeBitmap& target, const TfeRect& destRect, const TfeRect& sourceRect)
{
    if (Empty() || target.Empty()) return;
    GdiFlush();
    StretchPixels(Pixels(), sourceRect, target.Pixels(), destRect, destRect, Mode());
}

void TfeBitmap::DrawGraphic(TGraphic& graphic, const TfeRect& rect)
{
    if (Empty()) return;
    TBitmap canvasBitmap;
    canvasBitmap.SetPixelFormat(pf32bit);
    canvasBitmap.SetSize(width_, height_);
    TCanvas& canvas = canvasBitmap.Canvas();
    canvas.Brush().SetColor(static_cast<TColor>(Magenta));
    canvas.FillRect(TRect{0, 0, width_, height_});
    canvas.StretchDraw(TRect{rect.Left, rect.Top, rect.Right, rect.Bottom}, graphic);
    GdiFlush();
    for (int y = 0; y < height_; ++y) {
        auto* row = static_cast<const TfeColor*>(canvasBitmap.ScanLine(y));
        for (int x = 0; x < width_; ++x)
            if ((row[x] & 0xFFFFFF) != Magenta) SetPixel(x, y, row[x]);
    }
}

// ---- Copies

void TfeBitmap::AssignBitmap(const TBitmap& bitmap)
{
    SetSize(bitmap.Width(), bitmap.Height());
    if (Empty()) return;
    bitmap.FreeContext();
    BITMAPINFO info = TopDownInfo(width_, height_);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap.Handle(), 0, static_cast<UINT>(height_), bits_, &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (bitmap.PixelFormat() == pf32bit)
        CheckAlpha();
    else
        SetAlpha(255);
}

void TfeBitmap::Assign(const TPersistent* source)
{
    if (auto* other = dynamic_cast<const TfeBitmap*>(source)) {
        SetSize(other->width_, other->height_);
        if (Empty()) return;
        std::copy(other->bits_, other->bits_ + width_ * height_, bits_);
        Name = other->Name;
        Transparent = other->Transparent;
        AlphaBlend = other->AlphaBlend;
        return;
    }
    if (auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture->Graphic()) Assign(picture->Graphic());
        return;
    }
    if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
        AssignBitmap(*bitmap);
        return;
    }
    if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        SetSize(graphic->Width(), graphic->Height());
        if (Empty()) return;
        DrawGraphic(const_cast<TGraphic&>(*graphic), TfeRect{0, 0, width_, height_});
        SetAlpha(255);
        return;
    }
    TPersistent::Assign(source);
}

void TfeBitmap::AssignTo(TPersistent* dest) const
{
    if (auto* picture = dynamic_cast<TPicture*>(dest)) {
        AssignTo(&picture->Bitmap());
        return;
    }
    auto* bitmap = dynamic_cast<TBitmap*>(dest);
    if (!bitmap) {
        TPersistent::AssignTo(dest);
        return;
    }
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(width_, height_);
    if (!Empty()) const_cast<TfeBitmap*>(this)->Draw(bitmap->Canvas().Handle(), 0, 0);
}
