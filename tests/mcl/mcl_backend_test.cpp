// The converter's media-library back end over the real library: set-up,
// result codes, and the sound source's answers at the end of a conversion.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "MclBackEnd.h"
#include "MclTestPictures.h"
#include "kvnBackEndChoice.h"
#include "TestSupport.h"

namespace {

// 3 s of 440 Hz at 44,100 Hz, 16-bit stereo.
std::vector<uint8_t> Tone()
{
    std::vector<uint8_t> pcm(44100 * 3 * 4);
    for (size_t i = 0; i < pcm.size() / 4; ++i) {
        auto v = static_cast<int16_t>(10000 * std::sin(2 * 3.14159265358979 * 440 * i / 44100.0));
        std::memcpy(&pcm[i * 4], &v, 2);
        std::memcpy(&pcm[i * 4 + 2], &v, 2);
    }
    return pcm;
}

// A WAV file of the PCM.
tvmtest::Bytes Wave(const std::vector<uint8_t>& pcm)
{
    auto size = static_cast<uint32_t>(pcm.size());
    const uint32_t fields[] = {0x46464952, 36 + size, 0x45564157, 0x20746D66, 16, 0x00020001, 44100, 44100 * 4,
                               0x00100004, 0x61746164, size};  // "RIFF" ... "WAVE" "fmt " ... "data"
    tvmtest::Bytes wave(sizeof fields + pcm.size());
    std::memcpy(wave.data(), fields, sizeof fields);
    std::memcpy(wave.data() + sizeof fields, pcm.data(), pcm.size());
    return wave;
}

struct BackEndRun {
    int pictures = 0;
    TMclAudioSourceState audio;
    std::vector<uint8_t> queued;
    std::string soundFile;
    int audioCalls = 0;
} run;

void WINAPI VideoSource(MclHandle m)
{
    if (run.pictures >= 75) {
        MclSourceFinished(m);
        return;
    }
    MclImage img = mcltest::ToImage(mcltest::Pattern(64, 48, 24, run.pictures++));
    MclSourceSetImage(m, img);
    MclSourceSetFrameRate(m, 25.0);
    MclImgFree(img);
}

void WINAPI AudioSource(MclHandle m)
{
    ++run.audioCalls;
    AnswerMclAudioSource(m, run.audio);
}

TkvnTavelomaticSettings Task(int format, const std::string& file)
{
    TkvnTavelomaticSettings task;
    task.TargetFilePath = tvmtest::OutputDir();
    task.TargetFileName = file;
    task.TargetFileFormat = static_cast<TkvnTargetFileFormat>(format);
    TkvnVideoSettings& v = task.VideoSettings;
    v.IsVideoIncluded = true;
    v.Width = 64;
    v.Height = 48;
    v.FPS = 25;
    v.KeyFPS = 12.4f;
    v.Bitrate = 2000000;
    v.MinBitrate = -1;
    v.MaxBitrate = 3000000;
    v.Quality = 80;
    TkvnAudioSettings& a = task.AudioSettings;
    a.IsAudioIncluded = true;
    a.CodecID = 1;
    a.SampleRate = 44100;
    a.Channels = 2;
    a.SampleBits = 16;
    a.BitRate = 128000;
    return task;
}

}

// The task's bit rates are in bit/s for every format; the library gets
// kbit/s for every format, not for AVI alone.
TEST(MclBackEnd, HandsBitRatesInOneUnitForEveryFormat)
{
    for (int format : {0, 3, 4, 5}) {
        MclHandle m = MclCreate();
        SetUpMclConversion(m, Task(format, "x.avi"), {VideoSource, AudioSource});
        int32_t rate = 0, minRate = 0, maxRate = 0;
        MclVideoGetBitRate(m, &rate, &minRate, &maxRate);
        EXPECT_EQ(rate, 2000) << format;
        EXPECT_EQ(minRate, -1) << format;
        EXPECT_EQ(maxRate, 3000) << format;
        MclFree(m);
    }
}

// The converter's choice of back end leaves the rates of an uncompressed AVI
// in bit/s like every other format's, so the library gets them once in kbit/s.
TEST(MclBackEnd, ChosenAviRatesReachTheLibraryOnceInKbps)
{
    TkvnTavelomaticSettings task = Task(0, "x.avi");
    task.VideoSettings.CodecID = 0;
    ASSERT_EQ(ChooseBackEnd(task).Kind, bkMcl);
    MclHandle m = MclCreate();
    SetUpMclConversion(m, task, {VideoSource, AudioSource});
    int32_t rate = 0, minRate = 0, maxRate = 0;
    MclVideoGetBitRate(m, &rate, &minRate, &maxRate);
    EXPECT_EQ(rate, 2000);
    EXPECT_EQ(maxRate, 3000);
    MclFree(m);
}

TEST(MclBackEnd, StateCodesFromResults)
{
    for (auto [result, state] : {std::pair{0, 0}, {1, 1}, {3, 3}, {5, 5}, {20, 99}, {21, 99}, {22, 99}, {100, 100},
                                 {42, 42}})
        EXPECT_EQ(MclStateFromResult(result), state) << result;
    int32_t action = 0;
    StopOnMclError(0, 21, &action);
    EXPECT_EQ(action, 4);
}

// The conversion stops with 3 s of sound still queued: it is written, not
// dropped. A replacing sound file is handed over once, and the source ends
// on the next call.
TEST(MclBackEnd, SoundSourceDrainsTheQueueAndGivesAReplacementOnce)
{
    std::string wave = tvmtest::OutputDir() + "mcl-tone.wav";
    tvmtest::WriteFile(wave, Wave(Tone()));
    for (bool replaced : {false, true}) {
        run = BackEndRun{};
        run.queued = replaced ? std::vector<uint8_t>{} : Tone();
        run.soundFile = wave;
        // A replacement is handed over while the conversion runs; the drain
        // is what happens once it has stopped.
        run.audio.Running = replaced;
        run.audio.AudioReplaced = replaced;
        run.audio.SoundFileName = &run.soundFile;
        run.audio.TakeQueuedPcm = [] { return std::exchange(run.queued, {}); };
        std::string file = replaced ? "mcl-replaced.avi" : "mcl-drained.avi";
        MclHandle m = MclCreate();
        SetUpMclConversion(m, Task(0, file), {VideoSource, AudioSource});
        EXPECT_EQ(MclConvert(m), MCL_OK) << file;
        MclFree(m);
        EXPECT_TRUE(run.queued.empty()) << file;
        EXPECT_EQ(run.soundFile.empty(), replaced) << file;
    }
}
