#include "kvnFrameImages.h"

#include <cmath>
#include <memory>

#include "Canvas.h"
#include "kvnFlashAVCapture.h"

namespace {

// A media-library image freed with its scope.
struct TMclImageScope {
    MclImage Image = MclImgCreate();
    ~TMclImageScope() { MclImgFree(Image); }
};

bool AspectRatio(int aspect, int& n, int& d)
{
    switch (aspect) {
    case 1: n = 1; d = 1; return true;
    case 2: n = 4; d = 3; return true;
    case 3: n = 16; d = 9; return true;
    default: return false;
    }
}

// Rounds halves to even, as the bar widths always have.
int RoundEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

}

TkvnPlacement AspectFitPlacement(int aspect, int width, int height)
{
    int n = 0, d = 0;
    if (!AspectRatio(aspect, n, d) || width <= 0 || height <= 0) return {0, 0, width, height};
    int newWidth = width, newHeight = height;
    if (static_cast<double>(n) / d > static_cast<double>(width) / height)
        newHeight = height - 2 * (RoundEven(height - static_cast<double>(width) * d / n) / 2);
    else
        newWidth = width - 2 * (RoundEven(width - static_cast<double>(height) * n / d) / 2);
    return {(width - newWidth) / 2, (height - newHeight) / 2, newWidth, newHeight};
}

void FitFrameToAspect(MclImage frame, int aspect)
{
    int32_t width = 0, height = 0;
    if (MclImgGetInfo(frame, &width, &height, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != MCL_OK) return;
    const TkvnPlacement place = AspectFitPlacement(aspect, width, height);
    if (place.Width == width && place.Height == height) return;
    TMclImageScope picture;
    MclImgCopy(picture.Image, frame);
    MclImgResample(picture.Image, place.Width, place.Height);
    MclImgClear(frame, MclRGB(0, 0, 0));
    MclImgInsert(frame, picture.Image, place.Left, place.Top);
}

void FitFrameToAspect(TBitmap& frame, int aspect)
{
    const TkvnPlacement place = AspectFitPlacement(aspect, frame.Width(), frame.Height());
    if (place.Width == frame.Width() && place.Height == frame.Height()) return;
    TMclImageScope picture;
    if (MclDIBToImg(picture.Image, frame.Handle()) != MCL_OK) return;
    MclImgResample(picture.Image, place.Width, place.Height);
    TCanvas& canvas = frame.Canvas();
    canvas.Brush().SetColor(clBlack);
    canvas.FillRect(Rect(0, 0, frame.Width(), frame.Height()));
    MclImgShow(picture.Image, canvas.Handle(), place.Left, place.Top);
}

void GetOverlayPosition(int position, int margin, int frameWidth, int frameHeight, int overlayWidth,
                        int overlayHeight, int x, int y, int& left, int& top)
{
    const int centreX = (frameWidth - overlayWidth) / 2, centreY = (frameHeight - overlayHeight) / 2;
    const int right = frameWidth - overlayWidth - margin, bottom = frameHeight - overlayHeight - margin;
    switch (position) {
    case 1: left = margin; top = margin; break;
    case 2: left = centreX; top = margin; break;
    case 3: left = right; top = margin; break;
    case 4: left = margin; top = bottom; break;
    case 5: left = centreX; top = bottom; break;
    case 6: left = right; top = bottom; break;
    case 7: left = x; top = y; break;
    default: left = centreX; top = centreY; break;
    }
}

MclImage MakeTextImage(const std::string& text, const std::string& fontName, int fontSize, int fontStyle,
                       int fontColor)
{
    const MclText renderer = MclTextCreate();
    MclTextSetFont(renderer, fontName.c_str(), fontSize, fontStyle, 1);
    MclTextShadow(renderer, 2, 1, 1);
    MclTextSetColor(renderer, static_cast<MclColor>(fontColor), MclRGB(96, 96, 96), 0x808080, -1);
    int32_t width = 0, height = 0;
    MclTextGetExtents(renderer, text.c_str(), &width, &height);
    TMclImageScope canvas;
    MclImgRedim(canvas.Image, width, height, 32);
    // The text over black and over white: their difference is its alpha.
    auto render = [&](MclColor background) {
        MclImgClear(canvas.Image, background);
        MclImgText(canvas.Image, renderer, 0, 0, text.c_str());
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetPixelFormat(pf32bit);
        bitmap->SetSize(width, height);
        MclImgShow(canvas.Image, bitmap->Canvas().Handle(), 0, 0);
        return bitmap;
    };
    std::unique_ptr<TBitmap> overBlack = render(MclRGB(0, 0, 0));
    std::unique_ptr<TBitmap> overWhite = render(MclRGB(255, 255, 255));
    MclTextFree(renderer);
    std::unique_ptr<TBitmap> merged = AlphaFromTwoBackgrounds(*overBlack, *overWhite);
    const MclImage result = MclImgCreate();
    MclDIBToImg(result, merged->Handle());
    return result;
}

void OverlayFrame(TBitmap& bitmap, MclImage pictureImage, MclImage textImage, int pictureX, int pictureY, int textX,
                  int textY)
{
    TMclImageScope frame;
    if (MclDIBToImg(frame.Image, bitmap.Handle()) != MCL_OK) return;
    MclImgInsert(frame.Image, pictureImage, pictureX, pictureY);
    MclImgInsert(frame.Image, textImage, textX, textY);
    if (HBITMAP result = MclImgToDIB(frame.Image)) bitmap.SetHandle(result);
}
