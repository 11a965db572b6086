// What the player's sound sounds like at the program's wave-out bindings: the
// program's silent movie looping silently, MP3 stream sound from movies that
// Debian's ffmpeg wrote, decoded through the FFmpeg libraries beside the
// host, and an event sound played between its in and out points twice.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FlvPackets.h"
#include "InPlaceSite.h"
#include "MappedPlayer.h"
#include "PlayerBindings.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

enum Slot { TotalFrames = 8, PutMovie = 22, CurrentFrame = 35 };
constexpr size_t Rate = 44100;

// Every sample written, interleaved stereo; the handler runs on the player's
// sound thread.
struct Capture {
    CRITICAL_SECTION Lock;
    std::vector<int16_t> Samples;
    Capture() { InitializeCriticalSection(&Lock); }
};
Capture capture;

void OnWrite(HWAVEOUT, const WAVEFORMATEX*, LPWAVEHDR header, double, UINT)
{
    auto* samples = reinterpret_cast<const int16_t*>(header->lpData);
    EnterCriticalSection(&capture.Lock);
    capture.Samples.insert(capture.Samples.end(), samples, samples + header->dwBufferLength / sizeof(int16_t));
    LeaveCriticalSection(&capture.Lock);
}

std::vector<int16_t> Captured()
{
    EnterCriticalSection(&capture.Lock);
    std::vector<int16_t> samples = capture.Samples;
    LeaveCriticalSection(&capture.Lock);
    return samples;
}

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

class SoundPlay : public testing::Test {
protected:
    void SetUp() override
    {
        EnterCriticalSection(&capture.Lock);
        capture.Samples.clear();
        LeaveCriticalSection(&capture.Lock);
        SetWaveOutWriteHandlers(OnWrite, nullptr);
        control_ = tvmtest::NewPlayerControl();
        ASSERT_NE(control_, nullptr);
    }
    void TearDown() override
    {
        if (control_)
            control_->Release();
        SetWaveOutWriteHandlers(nullptr, nullptr);
    }

    // Plays the movie at path until seconds of sound have been written, then
    // unloads it; answers the left channel of all that was written.
    std::vector<int16_t> Play(const std::string& path, double seconds)
    {
        tvmtest::RawFlash flash(control_);
        EXPECT_EQ(flash.PutString(PutMovie, Wide(path)), S_OK);
        auto wanted = static_cast<size_t>(seconds * Rate) * 2;
        for (int waited = 0; waited < 20000 && Captured().size() < wanted; waited += 20) Sleep(20);
        EXPECT_EQ(flash.PutString(PutMovie, L""), S_OK);
        std::vector<int16_t> stereo = Captured();
        EXPECT_GE(stereo.size(), wanted) << path;
        std::vector<int16_t> left;
        for (size_t i = 0; i < stereo.size(); i += 2) left.push_back(stereo[i]);
        EnterCriticalSection(&capture.Lock);
        capture.Samples.clear();
        LeaveCriticalSection(&capture.Lock);
        return left;
    }

    IOleObject* control_ = nullptr;
};

TEST_F(SoundPlay, TheSilentMovieLoopsAndKeepsTheMixerWriting)
{
    std::vector<uint8_t> movie = tvmtest::ProgramResource("KVNResources", "SILENCE");
    ASSERT_GE(movie.size(), 8u) << "the program carries the silent movie";
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "FWS") << "uncompressed";
    std::string path = tvmtest::OutputDir() + "silence.swf";
    tvmtest::WriteFile(path, movie);

    tvmtest::InPlaceSite site;
    ASSERT_EQ(control_->SetClientSite(&site), S_OK);
    {
        tvmtest::RawFlash flash(control_);
        ASSERT_EQ(flash.PutString(PutMovie, Wide(path)), S_OK);
        ASSERT_EQ(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, nullptr), S_OK);
        HWND window = tvmtest::ControlWindow(control_);
        EXPECT_EQ(flash.GetLong(TotalFrames), 2);
        long start = flash.GetLong(CurrentFrame);
        SendMessageA(window, WM_USER + 1, 1, 0);
        SendMessageA(window, WM_USER + 1, 1, 0);
        EXPECT_EQ(flash.GetLong(CurrentFrame), start) << "two steps of two frames come round again";

        for (int waited = 0; waited < 5000 && Captured().size() < Rate; waited += 20) Sleep(20);
        std::vector<int16_t> written = Captured();
        EXPECT_GE(written.size(), Rate) << "the mixer writes while the silent movie plays";
        EXPECT_TRUE(std::all_of(written.begin(), written.end(), [](int16_t s) { return s == 0; }));
        control_->Close(OLECLOSE_NOSAVE);
    }
    control_->SetClientSite(nullptr);
}

// Where a tone is heard: from the first to the last sample above a level.
struct Tone {
    size_t First = 0, Last = 0;
    double Seconds() const { return static_cast<double>(Last - First + 1) / Rate; }
};

Tone Heard(const std::vector<int16_t>& left)
{
    Tone tone;
    bool any = false;
    for (size_t i = 0; i < left.size(); ++i)
        if (std::abs(left[i]) > 1000) {
            if (!any)
                tone.First = i;
            tone.Last = i;
            any = true;
        }
    return tone;
}

// Counts rising zero crossings inside the tone.
double Pitch(const std::vector<int16_t>& left, const Tone& tone)
{
    size_t first = 0, last = 0, count = 0;
    for (size_t i = tone.First + 1; i <= tone.Last; ++i)
        if (left[i - 1] < 0 && left[i] >= 0) {
            if (count++ == 0)
                first = i;
            last = i;
        }
    return count < 2 ? 0.0 : static_cast<double>(count - 1) * Rate / static_cast<double>(last - first);
}

// ffmpeg's movies run at 10 frames a second: one frame is 0.1 s.
TEST_F(SoundPlay, MP3StreamSoundOfFFmpegsMoviesIsTheirTone)
{
    for (int rate : {11025, 22050, 44100}) {
        std::string path = tvmtest::OutputDir() + "player_tone_" + std::to_string(rate) + ".swf";
        std::vector<int16_t> left = Play(path, 3.5);
        Tone tone = Heard(left);
        EXPECT_NEAR(tone.Seconds(), 2.0, 0.1) << rate << " Hz";
        EXPECT_NEAR(Pitch(left, tone), 440.0, 4.4) << rate << " Hz";
    }
    // The decoders came from the libav folder beside the host's executable.
    HMODULE codec = GetModuleHandleA("avcodec-59.dll");
    ASSERT_NE(codec, nullptr);
    char file[MAX_PATH];
    std::string loaded(file, GetModuleFileNameA(codec, file, MAX_PATH));
    EXPECT_EQ(loaded, tvmtest::TestsDir() + "libav\\avcodec-59.dll");
}

// The stream sound sets the frames' pace: while the device holds, so do they,
// although the clock runs on.
TEST_F(SoundPlay, FramesFollowTheStreamSoundThatTheDevicePlays)
{
    tvmtest::InPlaceSite site;
    ASSERT_EQ(control_->SetClientSite(&site), S_OK);
    {
        tvmtest::RawFlash flash(control_);
        ASSERT_EQ(flash.PutString(PutMovie, Wide(tvmtest::OutputDir() + "player_tone_10s.swf")), S_OK);
        ASSERT_EQ(control_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, nullptr), S_OK);
        for (int waited = 0; waited < 5000 && flash.GetLong(CurrentFrame) < 2; waited += 50) tvmtest::Pump(50);
        ASSERT_GE(flash.GetLong(CurrentFrame), 2) << "the frames move with the sound";

        ASSERT_EQ(SetAudioPaused(true), MMSYSERR_NOERROR);
        tvmtest::Pump(300);
        long held = flash.GetLong(CurrentFrame);
        tvmtest::Pump(1000);
        EXPECT_EQ(flash.GetLong(CurrentFrame), held) << "ten frames' time passed with the device paused";
        ASSERT_EQ(SetAudioPaused(false), MMSYSERR_NOERROR);
        for (int waited = 0; waited < 5000 && flash.GetLong(CurrentFrame) == held; waited += 50) tvmtest::Pump(50);
        EXPECT_GT(flash.GetLong(CurrentFrame), held) << "and go on with it";
        control_->Close(OLECLOSE_NOSAVE);
    }
    control_->SetClientSite(nullptr);
}

// ADPCM, Nellymoser at its own rates and at a movie rate, PCM of both kinds,
// Speex: each as a stream sound of one packet a frame.
TEST_F(SoundPlay, EveryCodecOfStreamSoundIsTheTone)
{
    for (const char* name : {"adpcm_swf_22050", "adpcm_swf_44100", "nellymoser_16000", "nellymoser_8000",
                             "nellymoser_22050", "pcm_s16le_11025", "pcm_u8_5512", "libspeex_16000"}) {
        std::vector<tvmtest::FlvPacket> sound =
            tvmtest::ReadFlvPackets(tvmtest::OutputDir() + "player_tone_" + name + ".flv", 8);
        ASSERT_FALSE(sound.empty()) << name;
        tvmtest::SwfTags tags;
        tags.SoundStreamHead(sound.back().First, 0);
        for (const tvmtest::FlvPacket& packet : sound) tags.SoundStreamBlock(packet.Data).ShowFrame();
        tvmtest::SwfMovie movie;
        movie.rateInteger = 10;
        movie.frameCount = static_cast<uint16_t>(sound.size());
        movie.tags = tags.End().Take();
        std::string path = tvmtest::OutputDir() + "player_stream_" + name + ".swf";
        tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));

        std::vector<int16_t> left = Play(path, 3.0);
        Tone tone = Heard(left);
        EXPECT_NEAR(tone.Seconds(), 2.0, 0.1) << name;
        EXPECT_NEAR(Pitch(left, tone), 440.0, 4.4) << name;
    }
}

// A movie of one frame that starts the sound it defines, written to the
// output folder as name; answers its path.
std::string EventSoundMovie(const char* name, uint8_t format, uint32_t sampleCount, const tvmtest::Bytes& data,
                            const tvmtest::SwfSoundInfo& info)
{
    tvmtest::SwfMovie movie;
    movie.frameCount = 1;
    movie.tags = tvmtest::SwfTags().DefineSound(1, format, sampleCount, data).StartSound(1, info).ShowFrame().End().Take();
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    return path;
}

TEST_F(SoundPlay, AnMP3EventSoundIsItsToneAsOftenAsItLoops)
{
    std::ifstream file(tvmtest::OutputDir() + "player_tone_22050.mp3", std::ios::binary);
    // LAME's encoder and decoder delay, 1,105 samples, skipped as the format allows.
    tvmtest::Bytes data = {0x51, 0x04};
    data.insert(data.end(), std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    ASSERT_GT(data.size(), 1000u);
    tvmtest::SwfSoundInfo info;
    info.loops = 2;
    std::string path =
        EventSoundMovie("event_mp3.swf", tvmtest::SoundFormatByte(2, 2, true, false), 2 * 22050, data, info);
    std::vector<int16_t> left = Play(path, 5.0);
    Tone tone = Heard(left);
    EXPECT_NEAR(tone.Seconds(), 4.0, 0.1);
    EXPECT_NEAR(Pitch(left, tone), 440.0, 4.4);
}

TEST_F(SoundPlay, AnEventSoundPlaysBetweenItsInAndOutPointsAsOftenAsItLoops)
{
    tvmtest::Bytes pcm;
    for (int i = 0; i < 4410; ++i) pcm.insert(pcm.end(), {0xB8, 0x0B});  // 3000
    tvmtest::SwfSoundInfo info;
    info.inPoint = 1000;
    info.outPoint = 3000;
    info.loops = 2;
    std::string path = EventSoundMovie("event_sound.swf", tvmtest::SoundFormatByte(3, 3, true, false), 4410, pcm, info);
    std::vector<int16_t> left = Play(path, 1.0);
    EXPECT_EQ(std::count(left.begin(), left.end(), 3000), 4000);
    EXPECT_EQ(std::count(left.begin(), left.end(), 0), static_cast<std::ptrdiff_t>(left.size()) - 4000);
}

}
