#include "kvnCapturedSound.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "PlayerBindings.h"

namespace kvnCapturedSound {
namespace {

// A device that will not pause is asked again this often before the sound
// thread gives up and lets it play on (the next step then simply gets more).
constexpr int kPauseAttempts = 50;

struct TCapturedSound {
    std::mutex Lock;
    std::vector<char> Sound;  // under the lock
    std::atomic<double> Clock{0};
    std::atomic<uint32_t> SampleRate{44100};
    std::atomic<uint16_t> Channels{2};
    std::atomic<uint16_t> SampleBits{16};
    // Set by every buffer captured.
    HANDLE Written = CreateEventA(nullptr, FALSE, FALSE, nullptr);
};

// Never freed: the player's sound thread may still write while the
// program's statics are being torn down.
TCapturedSound& State()
{
    static TCapturedSound* state = new TCapturedSound;
    return *state;
}

void OpenPre(LPHWAVEOUT, UINT, LPCWAVEFORMATEX format)
{
    if (!format) return;
    State().SampleRate = format->nSamplesPerSec;
    State().Channels = format->nChannels;
    State().SampleBits = format->wBitsPerSample;
}

void WritePre(HWAVEOUT, const WAVEFORMATEX* format, LPWAVEHDR header, double, UINT)
{
    if (!format || !header || !header->lpData) return;
    DWORD bytes = header->dwBytesRecorded ? header->dwBytesRecorded : header->dwBufferLength;
    TCapturedSound& state = State();
    {
        std::lock_guard guard(state.Lock);
        state.Sound.insert(state.Sound.end(), header->lpData, header->lpData + bytes);
    }
    SetEvent(state.Written);
}

void HandleThreadMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// One buffer per step: the devices stop again once the player has written it.
// Paced devices play nothing unasked, so there is nothing to stop.
void WritePost(HWAVEOUT, const WAVEFORMATEX* format, LPWAVEHDR, double positionMs, UINT)
{
    if (!format) return;
    for (int attempt = 1; !GetAudioHostPaced() && SetAudioPaused(true) != MMSYSERR_NOERROR && attempt < kPauseAttempts; ++attempt) {
        HandleThreadMessages();
        Sleep(1);
    }
    State().Clock = positionMs;
}

}

void InstallHandlers()
{
    SetWaveOutOpenHandlers(OpenPre, nullptr);
    SetWaveOutWriteHandlers(WritePre, WritePost);
    SetWaveOutCloseHandlers(nullptr, nullptr);
    SetTimeGetTimeHandlers(nullptr, nullptr);
}

void ClearHandlers()
{
    SetWaveOutOpenHandlers(nullptr, nullptr);
    SetWaveOutWriteHandlers(nullptr, nullptr);
    SetWaveOutCloseHandlers(nullptr, nullptr);
    SetTimeGetTimeHandlers(nullptr, nullptr);
}

int64_t Take(TStream& into, int64_t most)
{
    std::vector<char> taken;
    {
        std::lock_guard guard(State().Lock);
        std::vector<char>& sound = State().Sound;
        if (most >= static_cast<int64_t>(sound.size())) {
            taken.swap(sound);
        } else if (most > 0) {
            taken.assign(sound.begin(), sound.begin() + most);
            sound.erase(sound.begin(), sound.begin() + most);
        }
    }
    if (!taken.empty()) into.WriteBuffer(taken.data(), static_cast<int32_t>(taken.size()));
    return static_cast<int64_t>(taken.size());
}

HANDLE WrittenEvent()
{
    return State().Written;
}

int64_t Size()
{
    std::lock_guard guard(State().Lock);
    return static_cast<int64_t>(State().Sound.size());
}

void Reset()
{
    {
        std::lock_guard guard(State().Lock);
        State().Sound.clear();
    }
    State().Clock = 0;
}

double Clock()
{
    return State().Clock;
}

uint32_t SampleRate()
{
    return State().SampleRate;
}

uint16_t Channels()
{
    return State().Channels;
}

uint16_t SampleBits()
{
    return State().SampleBits;
}

}
