#pragma once
// Canvases: drawing on a device context with a pen, a brush and a font that
// are selected as drawing needs them. A canvas knows how it came by its DC
// and gives it back the same way, with the objects that were selected in it
// before.
#include <windows.h>

#include <span>
#include <string>

#include "Font.h"
#include "Geometry.h"
#include "GraphicsObjects.h"
#include "Threads.h"

class TGraphic;

// Raster operations of CopyRect and of drawing bitmaps.
using TCopyMode = DWORD;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmMergeCopy = MERGECOPY;
constexpr TCopyMode cmMergePaint = MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
constexpr TCopyMode cmPatCopy = PATCOPY;
constexpr TCopyMode cmPatInvert = PATINVERT;
constexpr TCopyMode cmPatPaint = PATPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcErase = SRCERASE;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmWhiteness = WHITENESS;

class TCanvas : public TPersistent {
public:
    TCanvas();
    // A canvas that still has a DC gives it back. A derived canvas that
    // made its DC calls SetHandle(nullptr) in its own destructor, while its
    // FreeHandle can still run.
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;
    std::string ClassName() const override { return "TCanvas"; }

    // The DC, got through CreateHandle when there is none; raises
    // EInvalidOperation "Canvas does not allow drawing" when none can be had.
    HDC Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    // Draws on a DC lent from outside, which the canvas never frees. The
    // previous DC gets its own objects and state back first, and goes to
    // FreeHandle when CreateHandle made it. Null lets go of the DC.
    void SetHandle(HDC dc);

    // Serialises drawing from several threads; Lock nests.
    void Lock();
    void Unlock();
    bool TryLock();
    int LockCount() const { return lockCount_; }

    TFont& Font() { return font_; }
    TPen& Pen() { return pen_; }
    TBrush& Brush() { return brush_; }
    void SetFont(const TFont& font) { font_.Assign(&font); }
    void SetPen(const TPen& pen) { pen_.Assign(&pen); }
    void SetBrush(const TBrush& brush) { brush_.Assign(&brush); }
    TCopyMode GetCopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }
    TPoint PenPos();
    void SetPenPos(const TPoint& position) { MoveTo(position.x, position.y); }

    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void Rectangle(int left, int top, int right, int bottom);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(std::span<const TPoint> points);
    void Polyline(std::span<const TPoint> points);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY);
    void DrawFocusRect(const TRect& rect);

    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // Text in the font's colour; a solid brush fills behind it, any other
    // style leaves the background. TextOut moves the pen past the text.
    void TextOut(int x, int y, const std::string& text);
    // Text at (X, Y) clipped to Rect, which a solid brush fills first.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);
    // Text laid out in Rect by DrawText's Format (alignment, wrapping;
    // DT_CALCRECT only measures, into Rect) in the font and its colour,
    // over the background as it is.
    void TextRect(TRect& rect, const std::string& text, UINT format);
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }

    // The graphic unscaled at (X, Y), or stretched into Rect; a transparent
    // graphic leaves what lies under its transparent colour.
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& rect, TGraphic& graphic);
    // Source's rectangle into Dest on this canvas, stretched, by CopyMode.
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    // What drawing can reach, in logical units.
    TRect ClipRect();

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    // A DC for a canvas that has none and is asked for one, or null when
    // there is no way to get one; the canvas gives it to FreeHandle when it
    // lets go of it.
    virtual HDC CreateHandle() { return nullptr; }
    virtual void FreeHandle(HDC) {}
    // What Handle and the drawing members need before they draw.
    enum TCanvasState : unsigned { csHandleValid = 1, csFontValid = 2, csPenValid = 4, csBrushValid = 8 };
    void RequiredState(unsigned state);
    void Changing();
    void Changed();

private:
    void SelectFont();
    void SelectPen();
    void SelectBrush();
    // A tool changed: its old object leaves the DC before it is deleted,
    // and the new one is selected when drawing next needs it.
    void ToolChanged(unsigned validBit, int stockObject);

    HDC handle_ = nullptr;
    bool ownsHandle_ = false;
    // The DC's state before the canvas selected anything, restored on release.
    int savedState_ = 0;
    unsigned state_ = 0;
    TFont font_;
    TPen pen_;
    TBrush brush_;
    TCopyMode copyMode_ = cmSrcCopy;
    TCriticalSection lock_;
    int lockCount_ = 0;
};

// Locks a canvas for the life of a scope.
class TCanvasLock {
public:
    explicit TCanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Lock(); }
    ~TCanvasLock() { canvas_.Unlock(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;

private:
    TCanvas& canvas_;
};

// Frames Rect Width times inward, top and left edges in TopColor, bottom and
// right ones in BottomColor; Rect ends up as the area inside the frames.
void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width);
