// The drawing routines of the utility unit.
#include "Canvas.h"
#include "GdiHandle.h"
#include "ImageList.h"
#include "Graphics.h"
#include "UxUtils.h"
#include "WinControls.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

namespace {

// An object selected into a DC for the life of a scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() { SelectObject(dc_, previous_); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A palette realised in a DC for the life of a scope; none does nothing.
class RealisedPalette {
public:
    RealisedPalette(HDC dc, HPALETTE palette) : dc_(dc)
    {
        if (!palette) return;
        previous_ = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }
    ~RealisedPalette()
    {
        if (previous_) SelectPalette(dc_, previous_, TRUE);
    }
    RealisedPalette(const RealisedPalette&) = delete;
    RealisedPalette& operator=(const RealisedPalette&) = delete;

private:
    HDC dc_;
    HPALETTE previous_ = nullptr;
};

// A control flagged as painting a copy for the life of a scope.
class PaintingCopy {
public:
    explicit PaintingCopy(TControl& control) : control_(control), state_(control.ControlState())
    {
        control.SetControlState(state_ | csPaintCopy);
    }
    ~PaintingCopy() { control_.SetControlState(state_); }
    PaintingCopy(const PaintingCopy&) = delete;
    PaintingCopy& operator=(const PaintingCopy&) = delete;

private:
    TControl& control_;
    TControlState state_;
};

}  // namespace

void StretchBltMasked(HDC destDC, int x, int y, int w, int h, HDC srcDC, int srcX, int srcY, int srcW, int srcH,
                      TColor maskColor, HPALETTE palette)
{
    TMemoryDCHandle copyDC(CreateCompatibleDC(destDC)), maskDC(CreateCompatibleDC(destDC)),
        inverseDC(CreateCompatibleDC(destDC)), workDC(CreateCompatibleDC(destDC));
    TBitmapHandle mask(CreateBitmap(srcW, srcH, 1, 1, nullptr)), inverse(CreateBitmap(srcW, srcH, 1, 1, nullptr));
    TBitmapHandle work(CreateCompatibleBitmap(destDC, w, h)), copy(CreateCompatibleBitmap(destDC, srcW, srcH));
    Selection copySelected(copyDC.Get(), copy.Get()), maskSelected(maskDC.Get(), mask.Get()),
        inverseSelected(inverseDC.Get(), inverse.Get()), workSelected(workDC.Get(), work.Get());
    RealisedPalette destPalette(destDC, palette), copyPalette(copyDC.Get(), palette), maskPalette(maskDC.Get(), palette),
        workPalette(workDC.Get(), palette);

    SetMapMode(srcDC, GetMapMode(destDC));
    SetMapMode(copyDC.Get(), GetMapMode(destDC));
    BitBlt(copyDC.Get(), 0, 0, srcW, srcH, srcDC, srcX, srcY, SRCCOPY);
    // Pixels of the mask colour become white in the mask, all others black.
    SetBkColor(copyDC.Get(), PaletteColor(maskColor));
    BitBlt(maskDC.Get(), 0, 0, srcW, srcH, copyDC.Get(), 0, 0, SRCCOPY);
    BitBlt(inverseDC.Get(), 0, 0, srcW, srcH, maskDC.Get(), 0, 0, NOTSRCCOPY);

    // Monochrome sources paint white as the background colour, black as the text colour.
    for (HDC dc : {copyDC.Get(), workDC.Get()}) {
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
    }
    SetStretchBltMode(workDC.Get(), COLORONCOLOR);
    BitBlt(workDC.Get(), 0, 0, w, h, destDC, x, y, SRCCOPY);
    StretchBlt(workDC.Get(), 0, 0, w, h, maskDC.Get(), 0, 0, srcW, srcH, SRCAND);
    BitBlt(copyDC.Get(), 0, 0, srcW, srcH, inverseDC.Get(), 0, 0, SRCAND);
    StretchBlt(workDC.Get(), 0, 0, w, h, copyDC.Get(), 0, 0, srcW, srcH, SRCPAINT);
    BitBlt(destDC, x, y, w, h, workDC.Get(), 0, 0, SRCCOPY);
}

void StretchBitmapKeyed(TCanvas& canvas, int x, int y, int w, int h, TBitmap& bitmap, int srcX, int srcY, int srcW,
                        int srcH, TColor transparentColor)
{
    if (bitmap.Empty()) return;
    if (w < 1) w = bitmap.Width();
    if (h < 1) h = bitmap.Height();
    if (srcW < 1 || srcH < 1) {
        srcX = srcY = 0;
        srcW = bitmap.Width();
        srcH = bitmap.Height();
    }
    HDC dest = canvas.Handle();
    const bool monochrome = bitmap.Monochrome();
    if (!monochrome) SetStretchBltMode(dest, COLORONCOLOR);
    TCanvas& source = bitmap.Canvas();
    TCanvasLock lock(source);
    const TNotifyEvent onChange = source.OnChange;
    source.OnChange = nullptr;
    if (transparentColor == clNone) {
        StretchBlt(dest, x, y, w, h, source.Handle(), srcX, srcY, srcW, srcH, canvas.GetCopyMode());
    } else {
        if (transparentColor == clDefault) transparentColor = source.Pixels(0, bitmap.Height() - 1);
        if (monochrome) transparentColor = clWhite;
        StretchBltMasked(dest, x, y, w, h, source.Handle(), srcX, srcY, srcW, srcH, transparentColor, bitmap.Palette());
    }
    source.OnChange = onChange;
}

void StretchBitmapRectKeyed(TCanvas& canvas, int x, int y, int w, int h, const RECT& rect, TBitmap& bitmap,
                            TColor transparentColor)
{
    StretchBitmapKeyed(canvas, x, y, w, h, bitmap, rect.left, rect.top, RectWidth(rect), RectHeight(rect), transparentColor);
}

void PaintBitmapRectTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& rect, TColor transparentColor)
{
    StretchBitmapRectKeyed(canvas, x, y, RectWidth(rect), RectHeight(rect), rect, bitmap, transparentColor);
}

void PaintBitmapTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, TColor transparentColor)
{
    StretchBitmapKeyed(canvas, x, y, bitmap.Width(), bitmap.Height(), bitmap, 0, 0, 0, 0, transparentColor);
}

void PaintParentImage(TControl& control, TCanvas& canvas)
{
    TWinControl* parent = control.Parent();
    if (!parent) return;
    HDC dc = canvas.Handle();
    const RECT bounds = control.BoundsRect();
    {
        TSavedDC saved(dc);
        OffsetViewportOrgEx(dc, -bounds.left, -bounds.top, nullptr);
        const RECT client = parent->ClientRect();
        IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
        PaintingCopy flag(*parent);
        parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
        parent->PaintWindow(dc);
    }
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* sibling = parent->Controls(i);
        if (sibling == &control) break;
        RECT area = sibling->BoundsRect(), overlap;
        if (!dynamic_cast<TGraphicControl*>(sibling) || !sibling->Visible() || !IntersectRect(&overlap, &area, &bounds)) continue;
        TSavedDC saved(dc);
        OffsetViewportOrgEx(dc, area.left - bounds.left, area.top - bounds.top, nullptr);
        IntersectClipRect(dc, 0, 0, area.right - area.left, area.bottom - area.top);
        PaintingCopy flag(*sibling);
        sibling->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
    }
}

namespace {

// Where a monochrome mask is black, Pattern; where white, the destination.
constexpr DWORD PaintWhereMaskIsBlack = 0x00B8074A;

// Paints Colour into DestDC at (X, Y) where MaskDC's W x H monochrome
// picture is black.
void PaintMask(HDC destDC, int x, int y, int w, int h, HDC maskDC, TColor color)
{
    const COLORREF text = SetTextColor(destDC, RGB(0, 0, 0));
    const COLORREF back = SetBkColor(destDC, RGB(255, 255, 255));
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    {
        Selection selection(destDC, brush.Get());
        BitBlt(destDC, x, y, w, h, maskDC, 0, 0, PaintWhereMaskIsBlack);
    }
    SetTextColor(destDC, text);
    SetBkColor(destDC, back);
}

// A disabled look from a W x H monochrome mask: highlight one pixel down
// and right, shadow in place.
void PaintDisabled(HDC destDC, int x, int y, int w, int h, HDC maskDC, TColor highlight, TColor shadow,
                   bool drawHighlight)
{
    if (drawHighlight) PaintMask(destDC, x + 1, y + 1, w, h, maskDC, highlight);
    PaintMask(destDC, x, y, w, h, maskDC, shadow);
}

}  // namespace

TBitmap* MakeDisabledBitmapEx(TBitmap& bitmap, TColor monoColor, TColor backColor, TColor highlightColor,
                              TColor shadowColor, bool drawHighlight)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    auto result = std::make_unique<TBitmap>();
    result->SetSize(w, h);
    result->Canvas().Brush().SetColor(backColor);
    result->Canvas().FillRect(Rect(0, 0, w, h));

    TBitmapHandle mono(CreateBitmap(std::max(w, 1), std::max(h, 1), 1, 1, nullptr));
    TMemoryDCHandle monoDC(CreateCompatibleDC(nullptr));
    Selection monoSelection(monoDC.Get(), mono.Get());
    HDC source = bitmap.Canvas().Handle();
    // Copying colour into monochrome makes the background colour white.
    const COLORREF back = SetBkColor(source, bitmap.Monochrome() ? RGB(255, 255, 255) : ColorToRGB(monoColor));
    BitBlt(monoDC.Get(), 0, 0, w, h, source, 0, 0, SRCCOPY);
    SetBkColor(source, back);

    PaintDisabled(result->Canvas().Handle(), 0, 0, w, h, monoDC.Get(), highlightColor, shadowColor, drawHighlight);
    return result.release();
}

TBitmap* MakeDisabledBitmap(TBitmap& bitmap, TColor monoColor)
{
    return MakeDisabledBitmapEx(bitmap, monoColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void PaintImageListItemDisabled(TCustomImageList& imageList, TCanvas& canvas, int x, int y, int index,
                                TColor highlightColor, TColor shadowColor, bool drawHighlight)
{
    const int w = imageList.Width(), h = imageList.Height();
    TBitmapHandle mono(CreateBitmap(std::max(w, 1), std::max(h, 1), 1, 1, nullptr));
    TMemoryDCHandle monoDC(CreateCompatibleDC(nullptr));
    Selection monoSelection(monoDC.Get(), mono.Get());
    PatBlt(monoDC.Get(), 0, 0, w, h, WHITENESS);
    ImageList_Draw(imageList.Handle(), index, monoDC.Get(), 0, 0, ILD_MASK);
    PaintDisabled(canvas.Handle(), x, y, w, h, monoDC.Get(), highlightColor, shadowColor, drawHighlight);
}

void ExtractGlyphCell(TGraphic& source, TBitmap& dest, int cols, int index, int rows)
{
    cols = std::max(cols, 1);
    rows = std::max(rows, 1);
    index = std::max(index, 0);
    const int cellW = source.Width() / cols, cellH = source.Height() / rows;
    const int left = index % cols * cellW, top = index / cols * cellH;
    dest.SetSize(cellW, cellH);
    if (auto* bitmap = dynamic_cast<TBitmap*>(&source)) {
        dest.Canvas().CopyRect(Rect(0, 0, cellW, cellH), bitmap->Canvas(), Bounds(left, top, cellW, cellH));
        dest.SetTransparentColor(bitmap->TransparentColor());
    } else {
        dest.Canvas().Brush().SetColor(static_cast<TColor>(0xC0C0C0));
        dest.Canvas().FillRect(Rect(0, 0, cellW, cellH));
        dest.Canvas().Draw(-left, -top, source);
    }
    dest.SetTransparent(source.Transparent());
}
