#pragma once
// The sound the player writes, captured process-wide by the handlers that a
// capture control installs around the player's sound output: the raw PCM
// since the last step, the sound clock, and the format of the device opened
// last. The write handlers run on the player's sound thread; the capture
// step takes the sound on the window's thread.
#include <windows.h>

#include <cstdint>
#include <limits>

#include "Streams.h"

namespace kvnCapturedSound {

// Installs the open and write handlers that capture (and the clock handlers,
// which leave the clock as the bindings run it); Clear removes every sound and
// clock handler of the process.
void InstallHandlers();
void ClearHandlers();

// Moves the captured sound, at most Most bytes of it from its start, to the
// end of Into; what is left stays captured. Answers the bytes moved.
int64_t Take(TStream& into, int64_t most = std::numeric_limits<int64_t>::max());
// An auto-reset event set whenever a buffer is captured.
HANDLE WrittenEvent();
// The bytes captured since the last Take.
int64_t Size();
// Drops the captured sound and sets the clock to 0.
void Reset();

// The audio position (ms) that the last written buffer reached.
double Clock();

uint32_t SampleRate();
uint16_t Channels();
uint16_t SampleBits();

}
