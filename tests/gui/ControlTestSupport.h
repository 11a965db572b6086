#pragma once
// Controls that show what happened to them, and pixels read back from what
// windows painted.
#include "Forms.h"

#include <string>
#include <vector>

namespace tvmtest {

// Messages by name, as the tests compare them.
using TMessageLog = std::vector<std::string>;

// A windowless control that fills itself with one colour. It paints well
// beyond its bounds: what shows of that is the clipping's fault.
class TSwatch : public TGraphicControl {
public:
    TSwatch(TComponent* owner, TWinControl* parent, COLORREF color, RECT bounds);
    std::string ClassName() const override { return "TSwatch"; }

    COLORREF Fill;
    TMessageLog* Log = nullptr;

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;
};

// A form shown at a fixed place on the screen, not activated by tests that
// only look at it.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner, int width = 200, int height = 150);
    std::string ClassName() const override { return "TTestForm"; }
};

// The colour of a pixel of a DIB filled through Paint, which gets a
// memory DC of Width x Height.
class TPixels {
public:
    TPixels(int width, int height);
    ~TPixels();
    TPixels(const TPixels&) = delete;
    TPixels& operator=(const TPixels&) = delete;

    HDC DC() const { return dc_; }
    COLORREF At(int x, int y) const;

private:
    int width_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    const DWORD* bits_ = nullptr;
};

// What the window shows in its client area now, read back from its DC.
COLORREF ClientPixel(HWND window, int x, int y);

// The process's GDI objects and the windows of this thread, as
// GetGuiResources counts them; Wine answers it with 0, so there the GDI
// handle table and the windows themselves are counted.
DWORD GdiObjectCount();
DWORD WindowCount();

// Handles every waiting message.
void Pump();

// Handles messages until Until holds or five seconds have passed (a loaded
// machine can be slow to deliver input); answers whether it held.
template <typename F>
bool PumpUntil(F until)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(10)) {
        Pump();
        if (until()) return true;
    }
    return false;
}

// Moves the pointer to the screen point as the user would, with the
// button changes of Flags (MOUSEEVENTF_LEFTDOWN, ...) there.
void SendMouseInput(POINT screen, DWORD flags = 0);

}
