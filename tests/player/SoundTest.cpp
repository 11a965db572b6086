// The player's sound as the program's bindings see it: one device at
// 44,100 Hz, 2 channels, 16 bits, written from one thread of the player's in
// buffers of whole 4,096-byte blocks, silence included, while a movie is
// loaded; the device may be paused and restarted meanwhile.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>

#include "MappedPlayer.h"
#include "PlayerBindings.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

const int PutMovie = 22;

// What the handlers saw; they run on the player's sound thread.
struct Seen {
    CRITICAL_SECTION Lock;
    WAVEFORMATEX Format{};
    DWORD OpenThread = 0;
    int Opens = 0, Closes = 0, Writes = 0;
    bool AllOnOpenThread = true, AllWholeBlocks = true, AllSilent = true;
};
Seen seen;

void OnOpen(LPHWAVEOUT, UINT, LPCWAVEFORMATEX format)
{
    EnterCriticalSection(&seen.Lock);
    seen.Format = *format;
    seen.OpenThread = GetCurrentThreadId();
    ++seen.Opens;
    LeaveCriticalSection(&seen.Lock);
}

void OnWrite(HWAVEOUT, const WAVEFORMATEX*, LPWAVEHDR header, double, UINT)
{
    EnterCriticalSection(&seen.Lock);
    ++seen.Writes;
    seen.AllOnOpenThread &= GetCurrentThreadId() == seen.OpenThread;
    seen.AllWholeBlocks &= header->dwBufferLength > 0 && header->dwBufferLength % 4096 == 0;
    for (DWORD i = 0; i < header->dwBufferLength; ++i) seen.AllSilent &= header->lpData[i] == 0;
    LeaveCriticalSection(&seen.Lock);
}

void OnClose(HWAVEOUT)
{
    EnterCriticalSection(&seen.Lock);
    ++seen.Closes;
    LeaveCriticalSection(&seen.Lock);
}

int Writes()
{
    EnterCriticalSection(&seen.Lock);
    int writes = seen.Writes;
    LeaveCriticalSection(&seen.Lock);
    return writes;
}

// Waits up to five seconds for more than count writes.
bool WritesPass(int count)
{
    for (int waited = 0; waited < 5000; waited += 10) {
        if (Writes() > count)
            return true;
        Sleep(10);
    }
    return false;
}

TEST(Sound, SilenceIsWrittenWhileAMovieIsLoaded)
{
    InitializeCriticalSection(&seen.Lock);
    SetWaveOutOpenHandlers(OnOpen, nullptr);
    SetWaveOutWriteHandlers(OnWrite, nullptr);
    SetWaveOutCloseHandlers(OnClose, nullptr);
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    std::string path = tvmtest::OutputDir() + "sound.swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(tvmtest::SwfMovie()));
    {
        tvmtest::RawFlash flash(control);
        for (int round = 1; round <= 2; ++round) {
            ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);
            ASSERT_TRUE(WritesPass(Writes() + 6)) << "round " << round;
            EXPECT_EQ(seen.Opens, round) << "one device while movies are loaded";

            ASSERT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
            Sleep(200);
            ASSERT_EQ(SetAudioPaused(false), MMSYSERR_NOERROR);
            EXPECT_TRUE(WritesPass(Writes() + 2)) << "writing goes on after a pause";

            ASSERT_EQ(flash.PutString(PutMovie, L""), S_OK);
            EXPECT_EQ(seen.Closes, round) << "the device closes with the last movie";
        }
    }
    control->Release();
    SetWaveOutOpenHandlers(nullptr, nullptr);
    SetWaveOutWriteHandlers(nullptr, nullptr);
    SetWaveOutCloseHandlers(nullptr, nullptr);

    EXPECT_EQ(seen.Format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(seen.Format.nSamplesPerSec, 44100u);
    EXPECT_EQ(seen.Format.nChannels, 2);
    EXPECT_EQ(seen.Format.wBitsPerSample, 16);
    EXPECT_NE(seen.OpenThread, GetCurrentThreadId());
    EXPECT_TRUE(seen.AllOnOpenThread);
    EXPECT_TRUE(seen.AllWholeBlocks);
    EXPECT_TRUE(seen.AllSilent);
    DeleteCriticalSection(&seen.Lock);
}

}
