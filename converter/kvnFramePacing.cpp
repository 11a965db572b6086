#include "kvnFramePacing.h"

#include <cmath>

TkvnFrameThinner::TkvnFrameThinner(double rate, uint8_t captureMode)
    : interval_(1.0 / rate), captureInterval_(SamplesPerCapturedFrame(captureMode) / 44100.0)
{
}

bool TkvnFrameThinner::Next()
{
    owed_ += captureInterval_;
    return first_ || !(interval_ > owed_);
}

int TkvnFrameThinner::SettleGifFrame()
{
    first_ = false;
    double hundredths = owed_ * 100;
    double whole = std::trunc(hundredths);
    owed_ = (hundredths - whole) / 100;
    // Only a rate below one frame a minute reaches the cap: such a frame is
    // shown for the longest delay the file keeps.
    return whole * 10 < MaxGifDelay ? static_cast<int>(whole) * 10 : MaxGifDelay;
}

void TkvnFrameThinner::SettleImage()
{
    first_ = false;
    owed_ -= interval_;
}

bool ValidOutputFrameRate(double rate)
{
    return rate > 0 && std::isfinite(1.0 / rate);
}

TkvnFrameRate GrabbedFrameRate(double fps, uint8_t captureMode)
{
    if (!ValidOutputFrameRate(fps) || fps > 1000) return {44100, SamplesPerCapturedFrame(captureMode)};
    const double whole = std::round(fps), ntsc = std::round(fps * 1.001);
    if (std::abs(fps - whole) < 1e-4) return {static_cast<int>(whole), 1};
    // Stored in single precision, 29.97 is 29.9699993...
    if (std::abs(fps * 1.001 - ntsc) < 1e-4 * ntsc) return {static_cast<int>(ntsc) * 1000, 1001};
    return {static_cast<int>(std::lround(fps * 1000)), 1000};
}
