// The alpha a transparent stage leaves, rebuilt from two renders of a frame.
#include <algorithm>

#include "Exceptions.h"
#include "kvnFlashAVCapture.h"

namespace {

// Blue, green, red, alpha: a 32-bit DIB pixel's bytes.
constexpr int kRed = 2;
constexpr int kAlpha = 3;

}

std::unique_ptr<TBitmap> AlphaFromTwoBackgrounds(TBitmap& overBlack, TBitmap& overSecond)
{
    if (overBlack.Width() != overSecond.Width() || overBlack.Height() != overSecond.Height())
        throw Exception("The two renders of a frame differ in size");
    TBitmap black;
    black.Assign(&overBlack);
    black.SetPixelFormat(pf32bit);
    overSecond.SetPixelFormat(pf32bit);
    for (int row = 0; row < black.Height(); ++row) {
        const auto* under = static_cast<const uint8_t*>(black.ScanLine(row));
        auto* pixel = static_cast<uint8_t*>(overSecond.ScanLine(row));
        for (int column = 0; column < black.Width(); ++column, under += 4, pixel += 4) {
            // A pixel darker over white than over black is rounding, not transparency.
            int brightening = std::clamp(pixel[kRed] - under[kRed], 0, 255);
            int alpha = 255 - brightening;
            pixel[kAlpha] = static_cast<uint8_t>(alpha);
            if (alpha == 0) continue;
            for (int channel = 0; channel < kAlpha; ++channel)
                pixel[channel] = static_cast<uint8_t>(std::min(under[channel] * 255 / alpha, 255));
        }
    }
    auto result = std::make_unique<TBitmap>();
    result->Assign(&overSecond);
    return result;
}
