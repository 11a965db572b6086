#include "WindowCanvas.h"

void TControlCanvas::SetWindow(HWND window)
{
    if (window == window_) return;
    SetHandle(nullptr);
    window_ = window;
}

HDC TControlCanvas::CreateHandle()
{
    if (!window_) return nullptr;
    // Drawing stays off the window's siblings, as its own painting does.
    return GetDCEx(window_, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
}

TPaintCanvas::TPaintCanvas(HWND window) : window_(window)
{
    // Painting starts now even if nothing draws, so the window is validated.
    Handle();
}
