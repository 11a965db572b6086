#pragma once
// Canvases over a window: one that borrows the window's DC whenever drawing
// needs it, and one that paints the window's invalid part for the life of a
// WM_PAINT handler.
#include "Canvas.h"

// Draws on a window outside of painting through GetDC, or on a DC set from
// outside (a control hands it the DC of WM_PAINT, or a DC a parent passed in
// wParam, with SetHandle and takes it back with SetHandle(nullptr)). A DC it
// got itself goes back with ReleaseDC on FreeWindowDC, on a change of
// window, and with the canvas.
class TControlCanvas : public TCanvas {
public:
    explicit TControlCanvas(HWND window = nullptr) : window_(window) {}
    ~TControlCanvas() override { SetHandle(nullptr); }
    std::string ClassName() const override { return "TControlCanvas"; }

    HWND Window() const { return window_; }
    void SetWindow(HWND window);
    // Gives back the window DC so the window's cache does not run dry
    // between bursts of drawing; the next drawing gets a fresh one.
    void FreeWindowDC() { SetHandle(nullptr); }

protected:
    HDC CreateHandle() override;
    void FreeHandle(HDC dc) override { ReleaseDC(window_, dc); }

private:
    HWND window_;
};

// BeginPaint when made, EndPaint when gone: the window's invalid part is
// drawn on and validated. Make one only while handling WM_PAINT.
class TPaintCanvas : public TCanvas {
public:
    explicit TPaintCanvas(HWND window);
    ~TPaintCanvas() override { SetHandle(nullptr); }
    std::string ClassName() const override { return "TPaintCanvas"; }

    // The part that needs painting, in client coordinates.
    const TRect& PaintRect() const { return paint_.rcPaint; }
    bool EraseBackground() const { return paint_.fErase != FALSE; }

protected:
    HDC CreateHandle() override { return BeginPaint(window_, &paint_); }
    void FreeHandle(HDC) override { EndPaint(window_, &paint_); }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
};
