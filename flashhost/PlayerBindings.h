#pragma once
// The program's own functions in place of 21 of the player module's imports,
// and the process-wide control of the player's sound and clock through them.
//
// The player's sound devices can be paused and resumed all at once, its sound
// muted, and its clock scaled by a speed factor or driven by the amount of
// sound written instead of the wall clock, so that a capture can step the
// player by its own sound. All of it is shared by every player in the process.
//
// Locks: the wave-out lock (handlers, devices, paused and sound-enabled flags)
// is held for the whole of the open, write and close bindings, handlers
// included, so a handler may call SetAudioPaused. The position lock (audio
// position) is taken inside the wave-out lock by the write binding; the speed
// lock is held for the whole of the timeGetTime binding, handlers included,
// with the position lock inside it. Handlers are read without a lock.
#include <windows.h>
#include <mmsystem.h>

// Handlers around the sound and clock bindings; nullptr means none.
// Open: the caller's handle variable, device and format (as the player asked).
using TWaveOutOpenHandler = void (*)(LPHWAVEOUT handle, UINT deviceId, LPCWAVEFORMATEX format);
// Write: Format is the device's format as opened. TimeMs is the buffer's
// duration for the pre-handler and the audio position after it for the post-handler.
using TWaveOutWriteHandler = void (*)(HWAVEOUT handle, const WAVEFORMATEX* format, LPWAVEHDR header, double timeMs,
                                      UINT headerSize);
using TWaveOutCloseHandler = void (*)(HWAVEOUT handle);
// PositionMs is the audio position itself. Setting UseRealTime makes the
// audio-driven clock answer the system's time instead.
using TTimeGetTimeHandler = void (*)(double& positionMs, bool& useRealTime);

// The binding for an imported function, or nullptr: an ordinal (a pointer with
// a zero high word) or a name that is not bound (compared case-sensitively).
void* PlayerImportBinding(const char* function);

// Pauses (or restarts) every open device of the player. Answers the last
// device's result, 0 when none is open; the paused flag follows every device
// that obeyed, and devices opened later start in that state.
MMRESULT SetAudioPaused(bool paused);
bool GetAudioPaused();
// Host pacing: while it is on, the player's devices play nothing by
// themselves. A buffer the player writes is held, queued as far as the player
// can tell, until FinishHeldAudioBuffer finishes it; the player then writes
// its next one at once, so its sound comes as fast as the host asks for it.
// The clock then runs on the sound written whatever the playback speed (in
// the movie's own time). Turning pacing on hands back at once, as finished,
// what the devices still had to play, so that the player's next buffers come
// to the host even from a paused device; turning it off writes what was held
// to the devices, in order.
void SetAudioHostPaced(bool paced);
bool GetAudioHostPaced();
// Finishes the oldest held buffer of each device, as a device does once it
// has played it. Answers whether any was held.
bool FinishHeldAudioBuffer();
// False: the devices get zeros for every buffer (the write pre-handler still
// sees the real samples).
void SetAudioEnabled(bool enabled);
// The audio-driven clock restarts at the current tick, with no sound written.
void ResetVirtualTime();
// Above 0: the player's clock runs that many times slower and its devices
// open at their rate divided by it. 0 or below: the clock runs on the sound
// written since the last ResetVirtualTime.
void SetPlaybackSpeed(double speed);

void SetWaveOutOpenHandlers(TWaveOutOpenHandler pre, TWaveOutOpenHandler post);
void SetWaveOutWriteHandlers(TWaveOutWriteHandler pre, TWaveOutWriteHandler post);
void SetWaveOutCloseHandlers(TWaveOutCloseHandler pre, TWaveOutCloseHandler post);
void SetTimeGetTimeHandlers(TTimeGetTimeHandler pre, TTimeGetTimeHandler post);

// The picture of the player's latest BitBlt: its size (0 x 0 before the first),
// and a copy drawn into DC at (X, Y).
SIZE LastBlitSize();
bool DrawLastBlit(HDC dc, int x, int y);

// The system functions that the sound and clock bindings and the control above
// stand on. Tests put their own in place to follow the arithmetic without a
// sound device or a running clock; a default-constructed table is the system.
struct TPlayerSystemCalls {
    decltype(&::waveOutOpen) WaveOutOpen = ::waveOutOpen;
    decltype(&::waveOutWrite) WaveOutWrite = ::waveOutWrite;
    decltype(&::waveOutClose) WaveOutClose = ::waveOutClose;
    decltype(&::waveOutPause) WaveOutPause = ::waveOutPause;
    decltype(&::waveOutRestart) WaveOutRestart = ::waveOutRestart;
    decltype(&::waveOutReset) WaveOutReset = ::waveOutReset;
    decltype(&::timeGetTime) TimeGetTime = ::timeGetTime;
    decltype(&::GetTickCount) GetTickCount = ::GetTickCount;
    decltype(&::GetLocalTime) GetLocalTime = ::GetLocalTime;
    decltype(&::GetSystemTime) GetSystemTime = ::GetSystemTime;
};
// The table in force; replace it only while no player runs.
TPlayerSystemCalls& PlayerSystemCalls();
