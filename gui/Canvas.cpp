#include "Canvas.h"

#include "Exceptions.h"
#include "Graphics.h"

TCanvas::TCanvas()
{
    font_.OnChange = [this](TObject*) { ToolChanged(csFontValid, SYSTEM_FONT); };
    pen_.OnChange = [this](TObject*) { ToolChanged(csPenValid, BLACK_PEN); };
    brush_.OnChange = [this](TObject*) { ToolChanged(csBrushValid, WHITE_BRUSH); };
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
}

HDC TCanvas::Handle()
{
    RequiredState(csHandleValid);
    return handle_;
}

void TCanvas::SetHandle(HDC dc)
{
    if (dc == handle_) return;
    if (handle_) {
        // Restoring the state saved on arrival puts the DC's own objects
        // back, so ours are free to change or be deleted.
        RestoreDC(handle_, savedState_);
        HDC old = handle_;
        handle_ = nullptr;
        state_ = 0;
        if (ownsHandle_) FreeHandle(old);
    }
    ownsHandle_ = false;
    if (dc) {
        savedState_ = SaveDC(dc);
        handle_ = dc;
        state_ = csHandleValid;
    }
}

void TCanvas::RequiredState(unsigned state)
{
    if ((state & csHandleValid) && !handle_) {
        HDC dc = CreateHandle();
        if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
        SetHandle(dc);
        ownsHandle_ = true;
    }
    const unsigned missing = state & ~state_;
    if (missing & csFontValid) SelectFont();
    if (missing & csPenValid) SelectPen();
    if (missing & csBrushValid) SelectBrush();
    state_ |= state;
}

void TCanvas::SelectFont()
{
    SelectObject(handle_, font_.Handle());
    SetTextColor(handle_, ColorToRGB(font_.GetColor()));
}

void TCanvas::SelectPen()
{
    SelectObject(handle_, pen_.Handle());
    SetROP2(handle_, pen_.RasterOperation());
}

void TCanvas::SelectBrush()
{
    HBRUSH brush = brush_.Handle();
    UnrealizeObject(brush);
    SelectObject(handle_, brush);
    SetBkColor(handle_, ColorToRGB(brush_.GetColor()));
    SetBkMode(handle_, brush_.GetStyle() == bsSolid ? OPAQUE : TRANSPARENT);
}

void TCanvas::ToolChanged(unsigned validBit, int stockObject)
{
    if (handle_ && (state_ & validBit)) {
        SelectObject(handle_, GetStockObject(stockObject));
        state_ &= ~validBit;
    }
}

void TCanvas::Lock()
{
    lock_.Enter();
    ++lockCount_;
}

void TCanvas::Unlock()
{
    --lockCount_;
    lock_.Leave();
}

bool TCanvas::TryLock()
{
    if (!lock_.TryEnter()) return false;
    ++lockCount_;
    return true;
}

void TCanvas::Changing()
{
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos()
{
    TPoint position{};
    GetCurrentPositionEx(Handle(), &position);
    return position;
}

void TCanvas::FillRect(const TRect& rect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    ::FillRect(handle_, &rect, brush_.Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    ::FrameRect(handle_, &rect, brush_.Handle());
    Changed();
}

void TCanvas::Rectangle(int left, int top, int right, int bottom)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Rectangle(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::RoundRect(handle_, left, top, right, bottom, cornerWidth, cornerHeight);
    Changed();
}

void TCanvas::Ellipse(int left, int top, int right, int bottom)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Ellipse(handle_, left, top, right, bottom);
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::Polygon(handle_, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    Changing();
    RequiredState(csHandleValid | csPenValid);
    ::Polyline(handle_, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::MoveTo(int x, int y)
{
    RequiredState(csHandleValid);
    MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    RequiredState(csHandleValid | csPenValid | csBrushValid);
    ::LineTo(handle_, x, y);
    Changed();
}

void TCanvas::Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY)
{
    Changing();
    RequiredState(csHandleValid | csPenValid);
    ::Arc(handle_, left, top, right, bottom, startX, startY, endX, endY);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    ::DrawFocusRect(handle_, &rect);
    Changed();
}

TColor TCanvas::Pixels(int x, int y)
{
    RequiredState(csHandleValid);
    return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    RequiredState(csHandleValid | csPenValid);
    SetPixel(handle_, x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text)
{
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    ExtTextOutA(handle_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    MoveTo(x + TextExtent(text).cx, y);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text)
{
    Changing();
    RequiredState(csHandleValid | csFontValid | csBrushValid);
    const UINT options = ETO_CLIPPED | (brush_.GetStyle() != bsClear ? ETO_OPAQUE : 0);
    ExtTextOutA(handle_, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

void TCanvas::TextRect(TRect& rect, const std::string& text, UINT format)
{
    Changing();
    RequiredState(csHandleValid | csFontValid);
    SetBkMode(handle_, TRANSPARENT);
    DrawTextA(handle_, text.c_str(), -1, &rect, format);
    Changed();
}

SIZE TCanvas::TextExtent(const std::string& text)
{
    RequiredState(csHandleValid | csFontValid);
    SIZE size{};
    GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
    return size;
}

void TCanvas::Draw(int x, int y, TGraphic& graphic)
{
    if (graphic.Empty()) return;
    StretchDraw(Bounds(x, y, graphic.Width(), graphic.Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic)
{
    if (graphic.Empty()) return;
    Changing();
    RequiredState(csHandleValid);
    graphic.Draw(*this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect)
{
    Changing();
    RequiredState(csHandleValid | csBrushValid);
    StretchBlt(handle_, dest.left, dest.top, RectWidth(dest), RectHeight(dest), source.Handle(), sourceRect.left,
               sourceRect.top, RectWidth(sourceRect), RectHeight(sourceRect), copyMode_);
    Changed();
}

TRect TCanvas::ClipRect()
{
    TRect clip{};
    GetClipBox(Handle(), &clip);
    return clip;
}

void Frame3D(TCanvas& canvas, TRect& rect, TColor topColor, TColor bottomColor, int width)
{
    canvas.Pen().SetWidth(1);
    canvas.Pen().SetStyle(psSolid);
    for (; width > 0; --width) {
        const int right = rect.right - 1;
        const int bottom = rect.bottom - 1;
        // Each edge stops short of the corner the other colour owns: the
        // top-right and bottom-right corners are the shadow's, the
        // bottom-left one the light's.
        const TPoint light[] = {{rect.left, bottom}, {rect.left, rect.top}, {right, rect.top}};
        const TPoint shadow[] = {{right, rect.top}, {right, bottom}, {rect.left, bottom}};
        canvas.Pen().SetColor(topColor);
        canvas.Polyline(light);
        canvas.Pen().SetColor(bottomColor);
        canvas.Polyline(shadow);
        InflateRect(&rect, -1, -1);
    }
}
