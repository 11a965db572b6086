#pragma once
// The time a movie's videos keep. It runs with the system's clock until the
// host paces the movie itself, stepping it frame by frame: then each step
// moves it on by the step's length, so that at every step a video shows the
// picture of that moment and hands its sound over at the pace the host takes
// it, whatever the wall clock or the device does meanwhile. Going from one
// way to the other it goes on from where it stands.
#include "Clock.h"

namespace tvmplayer {

class StepClock final : public Clock {
public:
    explicit StepClock(Clock& system) : system_(system) {}

    uint32_t Milliseconds() override;
    bool Stepped() const { return stepped_; }
    // Moves on by that many milliseconds, and keeps to the steps from now on.
    void Step(double milliseconds);
    // Runs with the system's clock again.
    void Free();
    // The system's clock as it is, for the next movie.
    void Reset();

private:
    Clock& system_;
    bool stepped_ = false;
    // While stepped: the time, kept whole, so that steps of fractional length
    // add up. While free: how far the time is from the system's reading.
    double time_ = 0;
    uint32_t offset_ = 0;
};

}
