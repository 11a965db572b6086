#pragma once
// The engine's clock in the process: the multimedia clock, which the host
// binds to its own so that it may run the player on the sound written.
#include <windows.h>
#include <mmsystem.h>

#include "Clock.h"

class SystemClock final : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return timeGetTime(); }
};
