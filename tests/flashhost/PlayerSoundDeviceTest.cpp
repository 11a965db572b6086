// The sound bindings over the system's real wave-out device, paced the way a
// capture paces the player: the write post-handler pauses the devices again
// after every buffer, from inside the bindings' lock.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <vector>

#include "BindingsTestSupport.h"
#include "PlayerBindings.h"

namespace {

struct Capture {
    static inline int Buffers = 0;
    static inline double Position = 0;
    static inline MMRESULT PauseResult = MMSYSERR_ERROR;

    static void WritePost(HWAVEOUT, const WAVEFORMATEX* format, LPWAVEHDR, double positionMs, UINT)
    {
        if (!format)
            return;
        ++Buffers;
        Position = positionMs;
        PauseResult = SetAudioPaused(true);
    }
};

TEST(PlayerSoundDevice, BuffersReachTheDeviceAndPauseItAgain)
{
    ASSERT_GT(waveOutGetNumDevs(), 0u);
    ResetPlayerSound();
    SetPlaybackSpeed(0);
    DWORD start = GetTickCount();
    ResetVirtualTime();
    SetWaveOutWriteHandlers(nullptr, Capture::WritePost);
    BoundSound bound;

    WAVEFORMATEX format = PcmFormat(44100, 16);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(bound.Open(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> sound(4096);
    WAVEHDR header = {};
    header.lpData = sound.data();
    header.dwBufferLength = DWORD(sound.size());
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof(header)), MMSYSERR_NOERROR);

    ASSERT_EQ(bound.Write(device, &header, sizeof(header)), MMSYSERR_NOERROR);
    EXPECT_EQ(Capture::Buffers, 1);
    EXPECT_DOUBLE_EQ(Capture::Position, 1024 * 1000.0 / 44100);
    EXPECT_EQ(Capture::PauseResult, MMSYSERR_NOERROR);
    EXPECT_TRUE(GetAudioPaused());
    // The player's clock: the tick of the reset and the sound written since.
    DWORD clock = bound.TimeGetTime();
    EXPECT_GE(clock, start + 23);
    EXPECT_LE(clock, GetTickCount() + 23);

    // Resumed for the buffer to play out.
    EXPECT_EQ(SetAudioPaused(false), MMSYSERR_NOERROR);
    EXPECT_FALSE(GetAudioPaused());
    for (DWORD waited = 0; !(header.dwFlags & WHDR_DONE) && waited < 5000; waited += 10)
        Sleep(10);
    EXPECT_TRUE(header.dwFlags & WHDR_DONE);
    waveOutUnprepareHeader(device, &header, sizeof(header));
    EXPECT_EQ(bound.Close(device), MMSYSERR_NOERROR);

    // No device is left to pause.
    EXPECT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
    EXPECT_FALSE(GetAudioPaused());
    ResetPlayerSound();
}

}
