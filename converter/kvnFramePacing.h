#pragma once
// How grabbed frames meet time: every back end grabs frames at the task's own
// frame rate wherever it can (the capture control grabs as many as its sound
// pays for at that rate), so each grabbed frame is one frame of the output.
#include <cstdint>

#include "kvnTavelomaticType.h"

// Sample frames of movie sound per frame grabbed at the capture mode's rate.
inline int SamplesPerCapturedFrame(uint8_t captureMode)
{
    return captureMode == cm4X ? 256 : captureMode == cm2X ? 512 : 1024;
}

// Frames per second of movie sound at the capture mode's rate: 43.06640625,
// 86.1328125 or 172.265625.
inline double CapturedFrameRate(uint8_t captureMode)
{
    return 44100.0 / SamplesPerCapturedFrame(captureMode);
}

// False for a rate of 0 or below (or not a number): no frame would ever fall
// due, or every one would.
bool ValidOutputFrameRate(double rate);

// A frame rate as the fraction an encoder takes.
struct TkvnFrameRate {
    int Num = 0, Den = 1;
    double Value() const { return double(Num) / Den; }
    bool operator==(const TkvnFrameRate&) const = default;
};

// The rate every back end grabs frames at and writes them at: the task's
// own, so that no frame is grabbed only to be dropped or repeated. Whole
// rates go over 1, the NTSC rates (29.97, 23.976, 59.94) over 1001, others in
// thousandths; a rate of no use (see ValidOutputFrameRate) or above 1000
// leaves the capture mode's.
TkvnFrameRate GrabbedFrameRate(double fps, uint8_t captureMode);

// The delays of an animated GIF's frames, one frame after the other at a
// rate: each frame's time in whole hundredths of a second (given in
// milliseconds), the rest below a hundredth carried to the frames after it,
// so that the delays add up to the frames' own time.
class TkvnGifDelays {
public:
    // Rate must be above 0 (see ValidOutputFrameRate).
    explicit TkvnGifDelays(double rate) : rate_(rate) {}

    // The next frame's delay, at most MaxDelay.
    int Next();

    // The longest delay a GIF frame keeps (in milliseconds, as whole
    // hundredths of a second).
    static constexpr int MaxDelay = 65530;

private:
    double rate_;
    int64_t frames_ = 0;
};
