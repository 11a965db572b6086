#include "kvnFramePacing.h"

#include <cmath>

namespace {

// Whole hundredths of a second in Frames frames at Rate; the margin keeps a
// rate's exact multiples from rounding down.
int64_t Hundredths(int64_t frames, double rate)
{
    return static_cast<int64_t>(std::floor(double(frames) * 100 / rate + 1e-7));
}

}

int TkvnGifDelays::Next()
{
    const int64_t delay = Hundredths(frames_ + 1, rate_) - Hundredths(frames_, rate_);
    ++frames_;
    // Only a rate below one frame a minute reaches the cap: such a frame is
    // shown for the longest delay the file keeps.
    return delay * 10 < MaxDelay ? static_cast<int>(delay) * 10 : MaxDelay;
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
