#include "StepClock.h"

namespace tvmplayer {

uint32_t StepClock::Milliseconds()
{
    // Wraps around as the system's clock does.
    if (stepped_)
        return static_cast<uint32_t>(static_cast<uint64_t>(time_));
    return system_.Milliseconds() + offset_;
}

void StepClock::Step(double milliseconds)
{
    if (!stepped_) {
        time_ = Milliseconds();
        stepped_ = true;
    }
    time_ += milliseconds;
}

void StepClock::Free()
{
    if (!stepped_)
        return;
    offset_ = Milliseconds() - system_.Milliseconds();
    stepped_ = false;
}

void StepClock::Reset()
{
    stepped_ = false;
    offset_ = 0;
}

}
