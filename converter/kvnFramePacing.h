#pragma once
// How captured frames meet time: the capture grabs one frame per 1024, 512 or
// 256 sample frames of 44,100 Hz movie sound, and the GIF and image-sequence
// writers keep only the frames that fall due at the task's own frame rate.
#include <cstdint>

#include "kvnTavelomaticType.h"

// Sample frames of movie sound per captured frame.
inline int SamplesPerCapturedFrame(uint8_t captureMode)
{
    return captureMode == cm4X ? 256 : captureMode == cm2X ? 512 : 1024;
}

// Captured frames per second of movie sound: 43.06640625, 86.1328125 or
// 172.265625.
inline double CapturedFrameRate(uint8_t captureMode)
{
    return 44100.0 / SamplesPerCapturedFrame(captureMode);
}

// Thins captured frames to a frame rate. Time owed to the output grows by
// one capture interval per captured frame; a frame is written once a whole
// output interval is owed, the first frame always.
class TkvnFrameThinner {
public:
    // Rate must be above 0 (see ValidOutputFrameRate).
    TkvnFrameThinner(double rate, uint8_t captureMode);

    // One more captured frame: whether it is to be written. Each frame due
    // must be settled by one of the two calls below before the next.
    bool Next();
    // An animated-GIF frame is written: the owed time in whole hundredths
    // becomes its delay (milliseconds, at most MaxGifDelay) and the rest
    // below a hundredth carries over.
    int SettleGifFrame();
    // A picture of a sequence is written: one output interval is paid.
    void SettleImage();

    // The longest delay a GIF frame keeps (in milliseconds, as whole
    // hundredths of a second).
    static constexpr int MaxGifDelay = 65530;

private:
    double interval_;
    double captureInterval_;
    double owed_ = 0.0;
    bool first_ = true;
};

// False for a rate of 0 or below (or not a number): no frame would ever fall
// due, or every one would.
bool ValidOutputFrameRate(double rate);

// A frame rate as the fraction an encoder takes.
struct TkvnFrameRate {
    int Num = 0, Den = 1;
    double Value() const { return double(Num) / Den; }
    bool operator==(const TkvnFrameRate&) const = default;
};

// The rate the FFmpeg back end grabs frames at and gives its encoder: the
// task's own, so that no frame is grabbed only to be dropped. Whole rates go
// over 1, the NTSC rates (29.97, 23.976, 59.94) over 1001, others in
// thousandths; a rate of no use (see ValidOutputFrameRate) leaves the capture
// mode's.
TkvnFrameRate GrabbedFrameRate(double fps, uint8_t captureMode);
