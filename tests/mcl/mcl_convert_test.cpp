// Conversions of the media library: 3 s of a known pattern and a 440 Hz tone
// into each target. This test writes the files and the frames each should
// hold; Debian's ffprobe and ffmpeg judge them on the Linux side.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "MclApi.h"
#include "MclTestPictures.h"
#include "TestSupport.h"

namespace {

constexpr int32_t Width = 160, Height = 120;
constexpr double OutputRate = 25.0;

// What the sources hand over, and what the callbacks saw.
struct Feed {
    int pictures = 75;
    double sourceRate = 25.0;
    int32_t bits = 24;
    int given = 0;
    int calls = 0;
    int64_t samplesGiven = 0;
    const char* audioFile = nullptr;  // handed over instead of samples
    std::vector<int32_t> errors;
    int32_t errorAction = 4;
    double lastPosition = 0;
} feed;

void WINAPI VideoSource(MclHandle m)
{
    // Every third call has no picture ready yet.
    if (++feed.calls % 3 == 0) {
        MclSourceSkip(m);
        return;
    }
    if (feed.given >= feed.pictures) {
        MclSourceFinished(m);
        return;
    }
    MclImage img = mcltest::ToImage(mcltest::Pattern(Width, Height, feed.bits, feed.given++));
    MclSourceSetImage(m, img);
    MclSourceSetFrameRate(m, feed.sourceRate);
    MclImgFree(img);
}

// A 440 Hz tone in pieces of 1/25 s, for as long as it is asked for; the
// library cuts it to the video.
void WINAPI AudioSource(MclHandle m)
{
    if (feed.audioFile) {
        MclSourceSetFile(m, feed.audioFile);
        feed.audioFile = nullptr;
        return;
    }
    if (feed.calls % 7 == 0) {
        MclSourceSkip(m);
        return;
    }
    std::vector<int16_t> samples(1764 * 2);
    for (int i = 0; i < 1764; ++i) {
        double t = static_cast<double>(feed.samplesGiven + i) / 44100.0;
        samples[i * 2] = samples[i * 2 + 1] = static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * 440 * t));
    }
    feed.samplesGiven += 1764;
    MclSourceSetSamples(m, samples.data(), 1764, 44100, 2, 16);
}

void WINAPI OnError(MclHandle, int32_t code, int32_t* action)
{
    feed.errors.push_back(code);
    *action = feed.errorAction;
}

void WINAPI OnProgress(MclHandle, double position)
{
    feed.lastPosition = position;
}

// A conversion of both sources into File, set up by Setup.
int32_t Convert(const std::string& file, const std::function<void(MclHandle)>& setup)
{
    MclHandle m = MclCreate();
    MclVideoSetFileName(m, file.c_str());
    MclAudioSetFileName(m, file.c_str());
    MclAssignVideoSource(m, VideoSource);
    MclAssignAudioSource(m, AudioSource);
    MclAssignError(m, OnError);
    MclAssignProgress(m, OnProgress);
    MclVideoSetKeepDuration(m, -1);
    MclAudioSetTruncateToVideo(m, -1);
    MclAudioSetFormat(m, 44100, 2, 16);
    MclVideoSetFrameRate(m, OutputRate);
    setup(m);
    int32_t result = MclConvert(m);
    MclFree(m);
    return result;
}

void ResetFeed()
{
    feed = Feed{};
}

struct Target {
    const char* file;
    std::function<void(MclHandle)> setup;
    double sourceRate;
};

}

TEST(MclConvert, WritesEachTargetFromThePatternAndTone)
{
    const Target targets[] = {
        {"mcl-avi.avi",
         [](MclHandle m) {
             MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
             MclVideoSetCodec(m, MCL_FOURCC_DIB);
             MclVideoSetFormat(m, Width, Height, 32);
             MclAudioSetCodec(m, 1);
             MclSetSplitting(m, 0, 2147483648.0);
         },
         25.0},
        {"mcl-avi-mp3.avi",
         [](MclHandle m) {
             MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
             MclVideoSetCodec(m, MCL_FOURCC_DIB);
             MclVideoSetFormat(m, Width, Height, 24);
             MclAudioSetCodec(m, 85);
             MclAudioSetBitRate(m, 128);
         },
         25.0},
        {"mcl-mp4.mp4",
         [](MclHandle m) {
             MclSetFormatPreset(m, MCL_PRESET_MPEG4, 1);
             MclVideoSetFormat(m, Width, Height, 24);
             MclVideoSetKeyFrameRate(m, 25);
             MclVideoSetBitRate(m, 3000, -1, -1);
             MclAudioSetBitRate(m, 128);
         },
         25.0},
        {"mcl-wmv.wmv",
         [](MclHandle m) {
             MclSetFormatPreset(m, MCL_PRESET_WMV, 1);
             MclVideoSetFormat(m, Width, Height, 24);
             MclVideoSetBitRate(m, 3000, -1, -1);
             MclAudioSetBitRate(m, 128);
         },
         25.0},
        // Twice the output's rate: every other picture is kept.
        {"mcl-ogv.ogv",
         [](MclHandle m) {
             MclVideoSetFileFormat(m, MCL_FILE_FORMAT_OGV);
             MclVideoSetFormat(m, Width, Height, 24);
             MclVideoSetBitRate(m, 3000, -1, -1);
             MclAudioSetBitRate(m, 128);
         },
         50.0},
        // No bit rate: the quality decides, on each encoder's own scale.
        {"mcl-mp4q.mp4",
         [](MclHandle m) {
             MclSetFormatPreset(m, MCL_PRESET_MPEG4, 1);
             MclVideoSetFormat(m, Width, Height, 24);
             MclVideoSetQuality(m, 90.0);
         },
         25.0},
        {"mcl-ogvq.ogv",
         [](MclHandle m) {
             MclVideoSetFileFormat(m, MCL_FILE_FORMAT_OGV);
             MclVideoSetFormat(m, Width, Height, 24);
             MclVideoSetQuality(m, 90.0);
         },
         25.0},
    };
    for (const Target& target : targets) {
        ResetFeed();
        feed.sourceRate = target.sourceRate;
        feed.pictures = static_cast<int>(3 * target.sourceRate);
        std::string file = tvmtest::OutputDir() + target.file;
        std::string reference = file + ".rgb";
        DeleteFileA(reference.c_str());
        for (int n = 0; n < 75; ++n)
            mcltest::AppendRaw(reference, mcltest::Pattern(Width, Height, 24,
                                                           static_cast<int>(n * target.sourceRate / OutputRate)));
        EXPECT_EQ(Convert(file, target.setup), MCL_OK) << target.file;
        EXPECT_TRUE(feed.errors.empty()) << target.file;
        EXPECT_DOUBLE_EQ(feed.lastPosition, 3.0) << target.file;
    }
}

TEST(MclConvert, SplitsBeforeAFileWouldPassTheSize)
{
    ResetFeed();
    constexpr double Limit = 1024 * 1024;
    std::string base = tvmtest::OutputDir() + "mcl-split";
    ASSERT_EQ(Convert(base + ".avi",
                      [&](MclHandle m) {
                          MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
                          MclVideoSetFormat(m, Width, Height, 24);
                          MclSetSplitting(m, 0, Limit);
                      }),
              MCL_OK);
    // 75 raw pictures of 57,600 bytes: about 4.3 MB in five parts.
    std::vector<std::string> parts = {base + ".avi"};
    for (int part = 2; part <= 6; ++part) parts.push_back(base + "_" + std::to_string(part) + ".avi");
    int64_t total = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        int64_t size = static_cast<int64_t>(tvmtest::ReadFile(parts[i]).size());
        if (i < 5) {
            EXPECT_GT(size, 0) << parts[i];
        }
        EXPECT_LE(size, Limit) << parts[i];
        total += size;
    }
    EXPECT_GT(total, 75 * 57600);
}

// A failure reaches the error callback and the result, never reads as
// success; a source file that cannot be read stops the run only when the
// callback answers action 4.
TEST(MclConvert, FailuresReachTheCallbackAndTheResult)
{
    std::string good = tvmtest::OutputDir() + "mcl-failure.avi";
    std::string missing = tvmtest::OutputDir() + "no-such-folder\\x.avi";
    auto avi = [](MclHandle m) {
        MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
        MclVideoSetFormat(m, Width, Height, 24);
    };
    struct Case {
        const char* what;
        std::string file;
        int pictures;
        const char* audioFile;
        int32_t action;
        int32_t result;
    };
    for (const Case& c : {Case{"target folder missing", missing, 10, nullptr, 4, MCL_ERR_FILE},
                          Case{"no picture at all", good, 0, nullptr, 4, MCL_ERR_NO_SOURCE},
                          Case{"sound file unreadable, stop", good, 10, "no-such.wav", 4, MCL_ERR_FILE},
                          Case{"sound file unreadable, go on", good, 10, "no-such.wav", 0, MCL_OK}}) {
        ResetFeed();
        feed.pictures = c.pictures;
        feed.audioFile = c.audioFile;
        feed.errorAction = c.action;
        EXPECT_EQ(Convert(c.file, avi), c.result) << c.what;
        std::vector<int32_t> reported = {c.audioFile ? MCL_ERR_FILE : c.result};
        EXPECT_EQ(feed.errors, c.result == MCL_OK && !c.audioFile ? std::vector<int32_t>{} : reported) << c.what;
    }
    MclHandle m = MclCreate();
    EXPECT_EQ(MclConvert(m), MCL_ERR_NO_SOURCE);
    EXPECT_EQ(MclSourceSkip(m), MCL_ERR_INVALID_ARGUMENT);  // no conversion runs
    MclFree(m);
    EXPECT_EQ(MclConvert(m), MCL_ERR_INVALID_HANDLE);
}

void WINAPI FreeConversionAndPicture(MclHandle m, MclImage img)
{
    MclFree(m);
    MclImgFree(img);
}

// A callback that frees the conversion, or the picture it is lent, does not
// pull either from under the run: the conversion goes when MclConvert returns.
TEST(MclConvert, FreesDuringTheRunWaitUntilItEnds)
{
    ResetFeed();
    feed.pictures = 5;
    MclHandle m = MclCreate();
    MclVideoSetFileName(m, (tvmtest::OutputDir() + "mcl-freed.avi").c_str());
    MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
    MclAssignVideoSource(m, VideoSource);
    MclAssignVideoFunc(m, FreeConversionAndPicture);
    EXPECT_EQ(MclConvert(m), MCL_ERR_INVALID_HANDLE);  // the lent picture was gone
    EXPECT_EQ(MclVideoSetFrameRate(m, 25.0), MCL_ERR_INVALID_HANDLE);
}
