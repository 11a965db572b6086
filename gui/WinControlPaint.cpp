#include "WinControls.h"

#include "GdiHandle.h"

#include <algorithm>

namespace {

class TPaintScope {
public:
    explicit TPaintScope(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~TPaintScope() { EndPaint(window_, &paint_); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC DC() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}

// ---- Painting

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, !(controlStyle_ & csOpaque));
}

void TWinControl::Update()
{
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::PaintHandler(TMessage& message)
{
    auto dc = reinterpret_cast<HDC>(message.WParam);
    bool windowless = std::any_of(controls_.begin(), controls_.end(), [](TControl* c) { return !AsWinControl(c); });
    if (!dc && !windowless && !(controlState_ & csCustomPaint)) {
        DefaultHandler(message);
        return;
    }
    if (dc) {
        PaintWindow(dc);
        PaintControls(dc, nullptr);
        return;
    }
    TPaintScope paint(handle_);
    PaintWindow(paint.DC());
    PaintControls(paint.DC(), nullptr);
}

void TWinControl::PaintWindow(HDC dc)
{
    // A window of the layer's own class has nothing to paint but its
    // background; a system class paints into the DC it is given.
    if (defWndProc_ == DefWindowProcA) return;
    TMessage paint{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(paint);
}

void TWinControl::PaintControls(HDC dc, TControl* first)
{
    auto it = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
    for (; it != controls_.end(); ++it) {
        TControl* control = *it;
        if (AsWinControl(control) || !control->visible_) continue;
        RECT bounds = control->BoundsRect();
        if (!RectVisible(dc, &bounds)) continue;
        TSavedDC saved(dc);
        OffsetViewportOrgEx(dc, control->left_, control->top_, nullptr);
        IntersectClipRect(dc, 0, 0, control->width_, control->height_);
        TControlState state = control->controlState_;
        control->controlState_ |= controlState_ & csPaintCopy;
        control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
        control->controlState_ = state;
    }
}

void TWinControl::EraseBackground(HDC dc)
{
    HBRUSH brush = CreateSolidBrush(ColorToRGB(Color()));
    RECT client = ClientRect();
    FillRect(dc, &client, brush);
    DeleteObject(brush);
}

bool TWinControl::PaletteChanged(bool foreground)
{
    bool realized = TControl::PaletteChanged(foreground);
    for (TControl* control : controls_) realized = control->PaletteChanged(foreground) || realized;
    return realized;
}

// ---- TCustomControl

TCustomControl::TCustomControl(TComponent* owner) : TWinControl(owner)
{
    controlState_ |= csCustomPaint;
}

void TCustomControl::PaintWindow(HDC dc)
{
    TCanvasDCScope scope(*WindowCanvas(), dc);
    Paint();
}
