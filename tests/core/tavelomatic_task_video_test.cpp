// Tasks made from FLV and F4V videos, which Debian's ffmpeg wrote before
// these tests ran.
#include <gtest/gtest.h>

#include "FFDecode.h"
#include "FFLoad.h"
#include "FFTestSupport.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnTavelomaticTask.h"

namespace {

std::string Video(const char* name)
{
    return tvmtest::OutputDir() + name;
}

// Whether the file's video stream tells a duration of its own.
bool StreamTellsDuration(const std::string& fileName)
{
    TFFDecoder decoder(nullptr);
    EXPECT_TRUE(decoder.LoadFile(AnsiToWide(fileName)));
    return decoder.FormatContext()->streams[decoder.FirstVideoStream()]->duration != AV_NOPTS_VALUE;
}

}

TEST(TavelomaticTaskVideo, TenSecondsAtTwentyFiveFramesAreTwoHundredFiftyFrames)
{
    // The test program has no libav folder beside it: nothing can read a video.
    FFLoader().UnloadLibraries(AllLibraries);
    TkvnTavelomaticTaskItem item;
    EXPECT_FALSE(item.LoadSource(Video("task_10s.flv"), "", 0, 2, 0, 0));

    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::LibavDir()));
    ASSERT_TRUE(FFLoader().LoadLibraries(DecoderLibraries)) << FFLoader().LastErrorMessage();
    const struct {
        const char* name;
        bool streamDuration;
        uint8_t version;
    } videos[] = {{"task_10s.flv", false, 1}, {"task_10s.f4v", true, 2}, {"task_sound_first.flv", false, 1}};
    for (const auto& video : videos) {
        SCOPED_TRACE(video.name);
        const std::string file = Video(video.name);
        EXPECT_EQ(StreamTellsDuration(file), video.streamDuration);

        ASSERT_TRUE(item.LoadSource(file + "?ignored=1", "", 0, 2, 0, 0));
        const TkvnFlashFileInfo& info = item.Settings.FileInfo;
        EXPECT_EQ(info.FileName, file);
        EXPECT_EQ(info.FileVars, "");
        EXPECT_EQ(item.SourceFileVars, "");
        EXPECT_EQ(info.FileFormat, fmtFLV);
        EXPECT_EQ(info.FileSize, FileSize(file));
        EXPECT_EQ(info.Version, video.version);
        EXPECT_EQ(info.Width, 160);
        EXPECT_EQ(info.Height, 120);
        EXPECT_FLOAT_EQ(info.FPS, 25.0f);
        EXPECT_DOUBLE_EQ(info.Duration, 10.0);
        EXPECT_EQ(info.FrameCount, 250);
        EXPECT_EQ(item.Settings.FrameNumberOfStopConverting, 250);
        EXPECT_EQ(item.Settings.WMode, "window");
        EXPECT_EQ(item.Settings.TargetFileName, ChangeFileExt(video.name, ".avi"));

        EXPECT_FALSE(PatchSWFVersion(file, 10));
    }

    // A sound-only file has no video stream; a text is no video at all.
    for (const char* other : {"ffengine_audio.flv", "ffengine_text.flv"}) {
        TkvnFlashFileInfo info;
        EXPECT_FALSE(ReadSourceFileInfo(Video(other), info)) << other;
    }
}
