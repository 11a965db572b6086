#pragma once
// Drawing judged by its pixels: a 32-bit picture whose memory DC a canvas
// borrows, read back straight from its bits.
#include <windows.h>

#include <cstdint>

#include "Canvas.h"
#include "GdiHandle.h"
#include "Graphics.h"

namespace tvmtest {

class Surface {
public:
    Surface(int width, int height) : dc_(CreateCompatibleDC(nullptr))
    {
        bitmap_.SetPixelFormat(pf32bit);
        bitmap_.SetSize(width, height);
        previous_ = SelectObject(dc_.Get(), bitmap_.Handle());
        canvas_.SetHandle(dc_.Get());
    }
    ~Surface()
    {
        canvas_.SetHandle(nullptr);
        SelectObject(dc_.Get(), previous_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    TCanvas& Canvas() { return canvas_; }
    HDC DC() const { return dc_.Get(); }
    // The pixel as a colour (0x00BBGGRR).
    TColor Pixel(int x, int y)
    {
        GdiFlush();
        const uint8_t* p = static_cast<const uint8_t*>(bitmap_.ScanLine(y)) + x * 4;
        return RGB(p[2], p[1], p[0]);
    }
    void Fill(TColor color)
    {
        canvas_.Brush().SetColor(color);
        canvas_.Brush().SetStyle(bsSolid);
        canvas_.FillRect(Rect(0, 0, bitmap_.Width(), bitmap_.Height()));
    }

private:
    TBitmap bitmap_;
    TMemoryDCHandle dc_;
    HGDIOBJ previous_;
    TCanvas canvas_;
};

// The process's live GDI objects. Wine answers GetGuiResources with 0; its
// handle table finds an object by the handle's low word alone, so there the
// live objects are counted by asking every index for its type.
inline DWORD GdiObjectCount()
{
    if (DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return count;
    DWORD count = 0;
    for (ULONG_PTR index = 1; index <= 0xFFFF; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index))) ++count;
    return count;
}

}
