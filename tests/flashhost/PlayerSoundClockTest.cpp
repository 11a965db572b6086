// The sound and clock bindings and their control, over system functions of
// the test's own: rates, durations, positions, pausing, muting and clocks.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BindingsTestSupport.h"
#include "PlayerBindings.h"

namespace {

// The system as the bindings see it in these tests.
struct FakeSystem {
    static inline std::vector<std::string> Calls;
    static inline DWORD OpenedRate = 0;
    static inline std::vector<char> DeviceGot;
    static inline MMRESULT OpenResult = MMSYSERR_NOERROR;
    static inline MMRESULT WriteResult = MMSYSERR_NOERROR;
    static inline MMRESULT CloseResult = MMSYSERR_NOERROR;
    static inline MMRESULT PauseResult = MMSYSERR_NOERROR;
    static inline UINT_PTR NextHandle = 1;
    static inline DWORD Time = 0;
    static inline DWORD Tick = 0;
    static inline SYSTEMTIME Now = {};

    static std::string Name(HWAVEOUT handle) { return std::to_string(reinterpret_cast<UINT_PTR>(handle)); }

    static MMRESULT WINAPI Open(LPHWAVEOUT handle, UINT, LPCWAVEFORMATEX format, DWORD_PTR, DWORD_PTR, DWORD flags)
    {
        Calls.push_back((flags & WAVE_FORMAT_QUERY) ? "query" : "open");
        OpenedRate = format->nSamplesPerSec;
        if (OpenResult == MMSYSERR_NOERROR && handle)
            *handle = reinterpret_cast<HWAVEOUT>(NextHandle++);
        return OpenResult;
    }
    static MMRESULT WINAPI Write(HWAVEOUT handle, LPWAVEHDR header, UINT)
    {
        Calls.push_back("write " + Name(handle));
        DeviceGot.assign(header->lpData, header->lpData + header->dwBufferLength);
        return WriteResult;
    }
    static MMRESULT WINAPI Close(HWAVEOUT handle)
    {
        Calls.push_back("close " + Name(handle));
        return CloseResult;
    }
    static MMRESULT WINAPI Pause(HWAVEOUT handle)
    {
        Calls.push_back("pause " + Name(handle));
        return PauseResult;
    }
    static MMRESULT WINAPI Restart(HWAVEOUT handle)
    {
        Calls.push_back("restart " + Name(handle));
        return PauseResult;
    }
    static MMRESULT WINAPI Reset(HWAVEOUT handle)
    {
        Calls.push_back("reset " + Name(handle));
        if (ResetEvent)
            SetEvent(ResetEvent);
        return MMSYSERR_NOERROR;
    }
    // Set by every reset, for a player's sound thread to hear of it.
    static inline HANDLE ResetEvent = nullptr;
    static DWORD WINAPI TimeGetTime() { return Time; }
    static DWORD WINAPI GetTickCount() { return Tick; }
    static void WINAPI GetTime(LPSYSTEMTIME time) { *time = Now; }
};

// What the handlers saw.
struct Seen {
    static inline std::vector<std::string> Calls;
    static inline std::vector<double> Times;
    static inline std::vector<DWORD> Rates;
    static inline std::vector<char> PreHandlerData;

    static void Open(LPHWAVEOUT, UINT, LPCWAVEFORMATEX format)
    {
        Calls.push_back("open");
        Rates.push_back(format->nSamplesPerSec);
    }
    static void WritePre(HWAVEOUT, const WAVEFORMATEX* format, LPWAVEHDR header, double ms, UINT)
    {
        Calls.push_back("write pre");
        Times.push_back(ms);
        Rates.push_back(format->nSamplesPerSec);
        PreHandlerData.assign(header->lpData, header->lpData + header->dwBufferLength);
    }
    static void WritePost(HWAVEOUT, const WAVEFORMATEX*, LPWAVEHDR, double ms, UINT)
    {
        Calls.push_back("write post");
        Times.push_back(ms);
    }
    static void Close(HWAVEOUT) { Calls.push_back("close"); }
};

class SoundAndClock : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = PlayerSystemCalls();
        TPlayerSystemCalls& calls = PlayerSystemCalls();
        calls.WaveOutOpen = FakeSystem::Open;
        calls.WaveOutWrite = FakeSystem::Write;
        calls.WaveOutClose = FakeSystem::Close;
        calls.WaveOutPause = FakeSystem::Pause;
        calls.WaveOutRestart = FakeSystem::Restart;
        calls.WaveOutReset = FakeSystem::Reset;
        calls.TimeGetTime = FakeSystem::TimeGetTime;
        calls.GetTickCount = FakeSystem::GetTickCount;
        calls.GetLocalTime = FakeSystem::GetTime;
        calls.GetSystemTime = FakeSystem::GetTime;
        FakeSystem::Calls.clear();
        FakeSystem::OpenResult = FakeSystem::WriteResult = FakeSystem::CloseResult = FakeSystem::PauseResult = 0;
        FakeSystem::Tick = FakeSystem::Time = 0;
        Seen::Calls.clear();
        Seen::Times.clear();
        Seen::Rates.clear();
        ResetPlayerSound();
        SetWaveOutOpenHandlers(Seen::Open, Seen::Open);
        SetWaveOutWriteHandlers(Seen::WritePre, Seen::WritePost);
        SetWaveOutCloseHandlers(Seen::Close, Seen::Close);
    }

    void TearDown() override
    {
        for (HWAVEOUT device : opened_)
            bound_.Close(device);
        ResetPlayerSound();
        PlayerSystemCalls() = saved_;
    }

    HWAVEOUT Open(DWORD rate = 44100, WORD bits = 16)
    {
        WAVEFORMATEX format = PcmFormat(rate, bits);
        HWAVEOUT device = nullptr;
        EXPECT_EQ(bound_.Open(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        opened_.push_back(device);
        return device;
    }

    MMRESULT Write(HWAVEOUT device, std::vector<char> data)
    {
        WAVEHDR header = {};
        header.lpData = data.data();
        header.dwBufferLength = DWORD(data.size());
        return bound_.Write(device, &header, sizeof(header));
    }

    BoundSound bound_;
    std::vector<HWAVEOUT> opened_;

private:
    TPlayerSystemCalls saved_;
};

TEST_F(SoundAndClock, SpeedDividesTheRateOfADeviceOnACopyOfTheFormat)
{
    struct Case {
        DWORD Rate;
        double Speed;
        DWORD Opened;
    };
    // Halves round to the even neighbour; 0 or below leaves the rate alone.
    for (const Case& c : {Case{44100, 2.0, 22050}, Case{44100, 0.5, 88200}, Case{5, 2.0, 2}, Case{7, 2.0, 4},
                          Case{44100, 0.0, 44100}, Case{44100, -1.0, 44100}}) {
        SetPlaybackSpeed(c.Speed);
        WAVEFORMATEX format = PcmFormat(c.Rate, 16);
        HWAVEOUT device = nullptr;
        ASSERT_EQ(bound_.Open(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
        opened_.push_back(device);
        EXPECT_EQ(FakeSystem::OpenedRate, c.Opened) << c.Rate << " / " << c.Speed;
        EXPECT_EQ(format.nSamplesPerSec, c.Rate) << "the caller's format was changed";
        EXPECT_EQ(Seen::Rates.back(), c.Rate) << "handlers see the format as the player asked";
    }
}

TEST_F(SoundAndClock, ScaledClockDividesTheSystemTime)
{
    SetPlaybackSpeed(2.0);
    FakeSystem::Time = 10001;
    EXPECT_EQ(bound_.TimeGetTime(), 5000u);
    SetPlaybackSpeed(1.0);
    EXPECT_EQ(bound_.TimeGetTime(), 10001u);
}

TEST_F(SoundAndClock, WrittenSoundDrivesTheClockAtSpeedZero)
{
    SetPlaybackSpeed(0);
    FakeSystem::Tick = 5000;
    ResetVirtualTime();
    FakeSystem::Tick = 9000;
    FakeSystem::Time = 7777;
    EXPECT_EQ(bound_.TimeGetTime(), 5000u) << "no sound written: the clock stands at the reset";

    HWAVEOUT device = Open();
    // 4,096 bytes of 16-bit stereo are 1,024 frames: 23.219... ms at 44,100 Hz.
    ASSERT_EQ(Write(device, std::vector<char>(4096)), MMSYSERR_NOERROR);
    const double buffer = 1024 * 1000.0 / 44100;
    ASSERT_EQ(Seen::Times.size(), 2u);
    EXPECT_DOUBLE_EQ(Seen::Times[0], buffer);
    EXPECT_DOUBLE_EQ(Seen::Times[1], buffer);
    EXPECT_EQ(bound_.TimeGetTime(), 5023u);

    // A buffer the device refuses moves nothing and reaches no post-handler.
    FakeSystem::WriteResult = MMSYSERR_NOMEM;
    Seen::Calls.clear();
    EXPECT_EQ(Write(device, std::vector<char>(4096)), MMSYSERR_NOMEM);
    EXPECT_EQ(Seen::Calls, std::vector<std::string>{"write pre"});
    EXPECT_EQ(bound_.TimeGetTime(), 5023u);

    FakeSystem::WriteResult = MMSYSERR_NOERROR;
    ASSERT_EQ(Write(device, std::vector<char>(4096)), MMSYSERR_NOERROR);
    EXPECT_DOUBLE_EQ(Seen::Times.back(), 2 * buffer);
    EXPECT_EQ(bound_.TimeGetTime(), 5046u);
}

TEST_F(SoundAndClock, ClockHandlersSeeThePositionAndMayAskForRealTime)
{
    static double positionSeen;
    struct Handlers {
        static void Pre(double& position, bool& useRealTime)
        {
            positionSeen = position;
            useRealTime = position > 40;
        }
    };
    SetTimeGetTimeHandlers(Handlers::Pre, nullptr);
    SetPlaybackSpeed(-1);
    FakeSystem::Tick = 100;
    ResetVirtualTime();
    FakeSystem::Time = 7777;
    HWAVEOUT device = Open();
    Write(device, std::vector<char>(4096));
    EXPECT_EQ(bound_.TimeGetTime(), 123u);
    EXPECT_DOUBLE_EQ(positionSeen, 1024 * 1000.0 / 44100);
    Write(device, std::vector<char>(4096));
    EXPECT_EQ(bound_.TimeGetTime(), 7777u);
    SetTimeGetTimeHandlers(nullptr, nullptr);
}

TEST_F(SoundAndClock, MutedDevicesGetZerosAfterThePreHandlerSawTheSound)
{
    HWAVEOUT device = Open();
    SetAudioEnabled(false);
    ASSERT_EQ(Write(device, std::vector<char>(64, 0x11)), MMSYSERR_NOERROR);
    EXPECT_EQ(Seen::PreHandlerData, std::vector<char>(64, 0x11));
    EXPECT_EQ(FakeSystem::DeviceGot, std::vector<char>(64, 0));

    SetAudioEnabled(true);
    ASSERT_EQ(Write(device, std::vector<char>(64, 0x22)), MMSYSERR_NOERROR);
    EXPECT_EQ(FakeSystem::DeviceGot, std::vector<char>(64, 0x22));
}

TEST_F(SoundAndClock, PausingReachesEveryDeviceAndDevicesOpenedLater)
{
    EXPECT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
    EXPECT_FALSE(GetAudioPaused()) << "no device obeyed, so nothing is paused";

    HWAVEOUT first = Open();
    HWAVEOUT second = Open();
    FakeSystem::Calls.clear();
    EXPECT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
    EXPECT_TRUE(GetAudioPaused());
    HWAVEOUT third = Open();
    auto name = FakeSystem::Name;
    EXPECT_EQ(FakeSystem::Calls, (std::vector<std::string>{"pause " + name(first), "pause " + name(second), "open",
                                                           "pause " + name(third)}));

    // Devices that refuse leave the flag as it was and their answer comes back.
    FakeSystem::PauseResult = MMSYSERR_INVALHANDLE;
    EXPECT_EQ(SetAudioPaused(false), MMSYSERR_INVALHANDLE);
    EXPECT_TRUE(GetAudioPaused());
    FakeSystem::PauseResult = MMSYSERR_NOERROR;
    EXPECT_EQ(SetAudioPaused(false), MMSYSERR_NOERROR);
    EXPECT_FALSE(GetAudioPaused());
}

TEST_F(SoundAndClock, OnlyOpenedDevicesAreCountedAndPaused)
{
    SetPlaybackSpeed(0);
    ResetVirtualTime();
    HWAVEOUT paused = Open();
    ASSERT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
    FakeSystem::Calls.clear();
    Seen::Calls.clear();

    // A format query and an open without a handle variable open no device.
    WAVEFORMATEX format = PcmFormat(44100, 16);
    HWAVEOUT queried = nullptr;
    EXPECT_EQ(bound_.Open(&queried, WAVE_MAPPER, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(bound_.Open(nullptr, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    // A device whose open failed is not one of them either.
    FakeSystem::OpenResult = MMSYSERR_ALLOCATED;
    HWAVEOUT failed = nullptr;
    EXPECT_EQ(bound_.Open(&failed, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    EXPECT_EQ(FakeSystem::Calls, (std::vector<std::string>{"query", "open", "open"}));
    EXPECT_EQ(Seen::Calls, std::vector<std::string>{"open"}) << "only the failed open's pre-handler";

    // Writes to a handle the bindings do not know pass through uncounted.
    FakeSystem::Calls.clear();
    Seen::Calls.clear();
    HWAVEOUT stranger = reinterpret_cast<HWAVEOUT>(UINT_PTR(999));
    EXPECT_EQ(Write(stranger, std::vector<char>(4096)), MMSYSERR_NOERROR);
    EXPECT_EQ(FakeSystem::Calls, std::vector<std::string>{"write 999"});
    EXPECT_TRUE(Seen::Calls.empty());
    EXPECT_EQ(bound_.TimeGetTime(), 0u);

    // A device that would not close stays; a closed one is forgotten.
    FakeSystem::CloseResult = MMSYSERR_HANDLEBUSY;
    EXPECT_EQ(bound_.Close(paused), MMSYSERR_HANDLEBUSY);
    FakeSystem::CloseResult = MMSYSERR_NOERROR;
    Write(paused, std::vector<char>(4096));
    EXPECT_EQ(bound_.TimeGetTime(), 23u);
    EXPECT_EQ(bound_.Close(paused), MMSYSERR_NOERROR);
    opened_.clear();
    EXPECT_EQ(Seen::Calls, (std::vector<std::string>{"close", "write pre", "write post", "close", "close"}));
    FakeSystem::Calls.clear();
    EXPECT_EQ(SetAudioPaused(false), MMSYSERR_NOERROR);
    EXPECT_TRUE(FakeSystem::Calls.empty());
}

TEST_F(SoundAndClock, PacedDevicesHoldWhatIsWrittenUntilTheHostFinishesIt)
{
    SetPlaybackSpeed(2.0);
    FakeSystem::Tick = 1000;
    ResetVirtualTime();
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    WAVEFORMATEX format = PcmFormat(44100, 16);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(bound_.Open(&device, WAVE_MAPPER, &format, DWORD_PTR(done), 0, CALLBACK_EVENT), MMSYSERR_NOERROR);
    opened_.push_back(device);
    FakeSystem::Calls.clear();
    SetAudioHostPaced(true);
    EXPECT_EQ(FakeSystem::Calls, std::vector<std::string>{"reset " + FakeSystem::Name(device)})
        << "what the device still had to play comes back at once";
    FakeSystem::Calls.clear();
    Seen::Calls.clear();
    std::vector<char> data(4096);
    WAVEHDR unprepared = {}, first = {}, second = {};
    for (WAVEHDR* header : {&unprepared, &first, &second}) {
        header->lpData = data.data();
        header->dwBufferLength = DWORD(data.size());
    }
    EXPECT_EQ(bound_.Write(device, &unprepared, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    for (WAVEHDR* header : {&first, &second}) {
        header->dwFlags = WHDR_PREPARED;
        ASSERT_EQ(bound_.Write(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    EXPECT_TRUE(FakeSystem::Calls.empty()) << "no device got them";
    EXPECT_EQ(first.dwFlags, DWORD(WHDR_PREPARED | WHDR_INQUEUE));
    EXPECT_EQ(Seen::Calls, (std::vector<std::string>{"write pre", "write pre", "write post", "write pre",
                                                     "write post"}));
    // Two buffers of 1,024 frames at the halved rate the device opened with
    // are 46.4 ms of the movie's own sound.
    EXPECT_EQ(bound_.TimeGetTime(), 1046u) << "paced, the clock runs on the sound at any speed";

    EXPECT_TRUE(FinishHeldAudioBuffer());
    EXPECT_EQ(first.dwFlags, DWORD(WHDR_PREPARED | WHDR_DONE));
    EXPECT_EQ(second.dwFlags, DWORD(WHDR_PREPARED | WHDR_INQUEUE));
    EXPECT_EQ(WaitForSingleObject(done, 0), WAIT_OBJECT_0) << "the player heard of it as it asked";

    // Pacing off: what is still held goes to the device.
    SetAudioHostPaced(false);
    EXPECT_EQ(FakeSystem::Calls, std::vector<std::string>{"write " + FakeSystem::Name(device)});
    EXPECT_EQ(second.dwFlags, DWORD(WHDR_PREPARED));
    EXPECT_FALSE(FinishHeldAudioBuffer());
    CloseHandle(done);
}

// Pacing begins once the player has written again, to the host, what its
// device still had: nothing mixed before pacing reaches the host after it.
TEST_F(SoundAndClock, PacingWaitsForWhatTheDeviceHandedBackToBeWrittenAgain)
{
    HWAVEOUT device = Open();
    std::vector<char> data(4096);
    WAVEHDR header = {};
    header.lpData = data.data();
    header.dwBufferLength = DWORD(data.size());
    header.dwFlags = WHDR_PREPARED;
    ASSERT_EQ(bound_.Write(device, &header, sizeof(header)), MMSYSERR_NOERROR);
    FakeSystem::ResetEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // The player's sound thread hears of the reset and writes the buffer
    // again a moment later.
    std::thread player([&] {
        WaitForSingleObject(FakeSystem::ResetEvent, INFINITE);
        Sleep(50);
        bound_.Write(device, &header, sizeof(header));
    });
    SetAudioHostPaced(true);
    EXPECT_TRUE(FinishHeldAudioBuffer()) << "held before pacing began";
    player.join();
    SetAudioHostPaced(false);
    CloseHandle(FakeSystem::ResetEvent);
    FakeSystem::ResetEvent = nullptr;
}

TEST_F(SoundAndClock, FormatsWithoutWholeBytesPerSampleCountNoFrames)
{
    SetPlaybackSpeed(0);
    ResetVirtualTime();
    HWAVEOUT device = Open(44100, 4);
    ASSERT_EQ(Write(device, std::vector<char>(4096)), MMSYSERR_NOERROR);
    ASSERT_EQ(Seen::Times.size(), 2u);
    EXPECT_EQ(Seen::Times[0], 0.0);
    EXPECT_EQ(bound_.TimeGetTime(), 0u);
}

SYSTEMTIME Time(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD ms)
{
    SYSTEMTIME time = {year, month, 0, day, hour, minute, second, ms};
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    FileTimeToSystemTime(&file, &time);  // fills in the day of the week
    return time;
}

std::string Text(const SYSTEMTIME& t)
{
    char text[64];
    wsprintfA(text, "%04u-%02u-%02u (%u) %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wDayOfWeek, t.wHour,
              t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

TEST_F(SoundAndClock, WallClockFollowsTheSoundAcrossTheYearAndNeverGoesBack)
{
    SetPlaybackSpeed(0);
    FakeSystem::Tick = 1000;
    ResetVirtualTime();
    HWAVEOUT device = Open();
    FakeSystem::Now = Time(2011, 12, 31, 23, 59, 59, 990);
    SYSTEMTIME time;
    bound_.GetLocalTime(&time);
    EXPECT_EQ(Text(time), Text(FakeSystem::Now)) << "no sound written yet: the system's time";

    Write(device, std::vector<char>(4096));
    bound_.GetLocalTime(&time);
    EXPECT_EQ(Text(time), Text(Time(2012, 1, 1, 0, 0, 0, 13)));

    // The wall clock ran 100 ms, the sound did not: the answer stands still.
    FakeSystem::Tick = 1100;
    FakeSystem::Now = Time(2012, 1, 1, 0, 0, 0, 90);
    bound_.GetLocalTime(&time);
    EXPECT_EQ(Text(time), Text(Time(2012, 1, 1, 0, 0, 0, 13)));
    // The system time keeps its own mark.
    FakeSystem::Now = Time(2011, 12, 31, 23, 0, 0, 77);
    bound_.GetSystemTime(&time);
    EXPECT_EQ(Text(time), Text(Time(2011, 12, 31, 23, 0, 0, 0)));

    ResetVirtualTime();
    bound_.GetLocalTime(&time);
    EXPECT_EQ(Text(time), Text(FakeSystem::Now));
}

}
