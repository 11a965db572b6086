// The player's current frame drawn into bitmaps on demand.
#include "FlashHostControl.h"

#include "Canvas.h"
#include "Exceptions.h"
#include "GraphicsObjects.h"
#include "PlayerBindings.h"

namespace {

constexpr TColor NoBackground = clNone;

}

bool TFlashHostControl::DrawFrame(TBitmap& bitmap, TPixelFormat format, TColor background)
{
    RECT client = ClientRect();
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(client.right, client.bottom);
    TCanvas& canvas = bitmap.Canvas();
    if (background != NoBackground) {
        canvas.Brush().SetStyle(bsSolid);
        canvas.Brush().SetColor(background);
        canvas.FillRect(client);
    }
    RECTL bounds{0, 0, client.right, client.bottom};
    // A player that could not draw leaves a picture nobody should take for a frame.
    return SUCCEEDED(viewObject_->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Handle(), &bounds,
                                       nullptr, nullptr, 0));
}

bool TFlashHostControl::CreateFrameBitmap(std::unique_ptr<TBitmap>& bitmap)
{
    auto frame = std::make_unique<TBitmap>();
    if (!DrawFrameInto(*frame, pf24bit)) return false;
    bitmap = std::move(frame);
    return true;
}

bool TFlashHostControl::DrawFrameInto(TBitmap& frame, TPixelFormat format)
{
    if (!viewObject_) return false;
    try {
        return DrawFrame(frame, format, NoBackground);
    } catch (const Exception&) {
        return false;
    }
}

bool TFlashHostControl::CreateFrameBitmapsForAlpha(std::unique_ptr<TBitmap>& bitmap1,
                                                   std::unique_ptr<TBitmap>& bitmap2)
{
    if (!viewObject_) return false;
    auto overBlack = std::make_unique<TBitmap>();
    auto overWhite = std::make_unique<TBitmap>();
    try {
        SetBackgroundColor(0);
        if (!DrawFrame(*overBlack, pf32bit, clBlack)) return false;
        SetBackgroundColor(-1);
        if (!DrawFrame(*overWhite, pf32bit, clWhite)) return false;
    } catch (const Exception&) {
        return false;
    }
    bitmap1 = std::move(overBlack);
    bitmap2 = std::move(overWhite);
    return true;
}

std::unique_ptr<TBitmap> CopyLastBlitBitmap()
{
    SIZE size = LastBlitSize();
    auto copy = std::make_unique<TBitmap>();
    copy->SetPixelFormat(pf32bit);
    copy->SetSize(size.cx, size.cy);
    if (size.cx > 0 && size.cy > 0) DrawLastBlit(copy->Canvas().Handle(), 0, 0);
    return copy;
}
