#pragma once
// Rectangle, message and memory routines of the controls' utility unit.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Colors.h"

#include "Geometry.h"

// The edges count as inside.
inline bool IsPointInRect(POINT p, const RECT& r)
{
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}
// A palette-relative colour for the RGB value of Color; a system colour
// (clBtnFace and its kind) is resolved first.
inline COLORREF PaletteColor(TColor color) { return (ColorToRGB(color) & 0xFFFFFF) | 0x02000000; }

// Removes one pending Msg for Wnd; a WM_QUIT taken that way is posted again.
// WM_NULL (0) removes nothing.
void DiscardPendingMessage(HWND wnd, UINT msg);
// Whether the active window belongs to the calling thread.
bool IsAppForeground();

// Text cut to fit MaxWidth pixels in DC's font, with "..." where it was cut:
// the first length - i - 1 characters and the ellipsis for the first i from 1
// that fits. Text too long even as the ellipsis alone ends as the ellipsis.
std::string ShortenTextToWidth(const std::string& text, HDC dc, int maxWidth);

// A zero-filled block of global memory, or null for Size <= 0.
void* AllocZeroedBlock(int32_t size);
// Frees Block (when set) and clears the variable.
void FreeBlock(void*& block);
bool SameBytes(const void* a, const void* b, int32_t count);

// Shows "Function not yet implemented" and leaves the operation silently.
[[noreturn]] void ShowNotImplemented();

// ---- Drawing ----------------------------------------------------------------
class TBitmap;
class TCanvas;
class TControl;
class TCustomImageList;
class TGraphic;

// Stretches the source rectangle into the destination, leaving the
// destination visible where the source has MaskColor. Palette (optional) is
// realised in the DCs on the way.
void StretchBltMasked(HDC destDC, int x, int y, int w, int h, HDC srcDC, int srcX, int srcY, int srcW, int srcH,
                      TColor maskColor, HPALETTE palette);
// Bitmap's rectangle stretched onto Canvas with TransparentColor left out:
// W or H below 1 take the bitmap's size, SrcW or SrcH below 1 the whole
// bitmap; clNone draws plainly in the canvas's copy mode, clDefault keys on
// the bottom-left pixel, a monochrome bitmap keys on white.
void StretchBitmapKeyed(TCanvas& canvas, int x, int y, int w, int h, TBitmap& bitmap, int srcX, int srcY, int srcW,
                        int srcH, TColor transparentColor);
void StretchBitmapRectKeyed(TCanvas& canvas, int x, int y, int w, int h, const RECT& rect, TBitmap& bitmap,
                            TColor transparentColor);
// Unscaled at (X, Y): a rectangle of the bitmap, or all of it.
void PaintBitmapRectTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, const RECT& rect, TColor transparentColor);
void PaintBitmapTransparent(TCanvas& canvas, int x, int y, TBitmap& bitmap, TColor transparentColor);
// The greyed look of a disabled glyph: a new bitmap of Bitmap's size in
// BackColor where the source's monochrome copy (MonoColor counting as white)
// is black, painted in HighlightColor one pixel down and right when
// DrawHighlight, then in ShadowColor in place. The caller owns the result.
TBitmap* MakeDisabledBitmapEx(TBitmap& bitmap, TColor monoColor, TColor backColor, TColor highlightColor,
                              TColor shadowColor, bool drawHighlight);
// The same in the button face's, highlight's and shadow's colours.
TBitmap* MakeDisabledBitmap(TBitmap& bitmap, TColor monoColor);
// Image Index of the list drawn greyed at (X, Y) from its mask.
void PaintImageListItemDisabled(TCustomImageList& imageList, TCanvas& canvas, int x, int y, int index,
                                TColor highlightColor, TColor shadowColor, bool drawHighlight);
// One cell of a glyph strip of Cols by Rows cells into Dest, numbered along
// the rows; Dest takes the source's transparency.
void ExtractGlyphCell(TGraphic& source, TBitmap& dest, int cols, int index, int rows);
// What lies behind Control, painted into Canvas at Control's place: the
// parent's background and window, then every visible windowless sibling
// before Control that overlaps it. Each paints flagged csPaintCopy.
void PaintParentImage(TControl& control, TCanvas& canvas);
