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
