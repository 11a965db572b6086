#pragma once
// The player's bindings as the player module gets them, for the tests.
#include <windows.h>
#include <mmsystem.h>

#include "PlayerBindings.h"

template <class Function>
Function Bound(const char* name)
{
    return reinterpret_cast<Function>(PlayerImportBinding(name));
}

struct BoundSound {
    decltype(&::waveOutOpen) Open = Bound<decltype(&::waveOutOpen)>("waveOutOpen");
    decltype(&::waveOutWrite) Write = Bound<decltype(&::waveOutWrite)>("waveOutWrite");
    decltype(&::waveOutClose) Close = Bound<decltype(&::waveOutClose)>("waveOutClose");
    decltype(&::timeGetTime) TimeGetTime = Bound<decltype(&::timeGetTime)>("timeGetTime");
    decltype(&::GetLocalTime) GetLocalTime = Bound<decltype(&::GetLocalTime)>("GetLocalTime");
    decltype(&::GetSystemTime) GetSystemTime = Bound<decltype(&::GetSystemTime)>("GetSystemTime");
};

// Stereo PCM.
inline WAVEFORMATEX PcmFormat(DWORD rate, WORD bits)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = WORD(format.nChannels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
}

// The process-wide sound control as a program starts with it: speed 1, sound
// on, no handlers, not paused nor paced, the clock reset. Un-pausing needs a device:
// one is opened and closed through the bindings when the flag is set.
inline void ResetPlayerSound()
{
    SetWaveOutOpenHandlers(nullptr, nullptr);
    SetWaveOutWriteHandlers(nullptr, nullptr);
    SetWaveOutCloseHandlers(nullptr, nullptr);
    SetTimeGetTimeHandlers(nullptr, nullptr);
    SetAudioHostPaced(false);
    SetPlaybackSpeed(1.0);
    SetAudioEnabled(true);
    if (GetAudioPaused()) {
        BoundSound bound;
        WAVEFORMATEX format = PcmFormat(44100, 16);
        HWAVEOUT device = nullptr;
        if (bound.Open(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
            SetAudioPaused(false);
            bound.Close(device);
        }
    }
    ResetVirtualTime();
}
