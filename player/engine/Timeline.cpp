#include "Timeline.h"

namespace tvmplayer {

size_t Timeline::Clamp(size_t frame) const
{
    return frameCount_ == 0 ? 0 : (frame < frameCount_ ? frame : frameCount_ - 1);
}

void Timeline::GotoAndStop(size_t frame)
{
    current_ = Clamp(frame);
    playing_ = false;
}

void Timeline::GotoAndPlay(size_t frame)
{
    current_ = Clamp(frame);
    playing_ = true;
}

bool Timeline::Advance()
{
    // A movie of one frame has nowhere to go, even when looping.
    if (!playing_ || frameCount_ < 2)
        return false;
    if (current_ + 1 < frameCount_) {
        ++current_;
        return true;
    }
    if (!loop_) {
        playing_ = false;
        return false;
    }
    current_ = 0;
    return true;
}

}
