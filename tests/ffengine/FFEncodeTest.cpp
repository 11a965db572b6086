// The engine writes each target's files from the program-fed inputs: a
// moving pattern and a 440 Hz tone. The files are judged afterwards on the
// Linux side by Debian's ffprobe and ffmpeg (check-encoded), from the list
// this test writes.
#include "FFEncode.h"
#include "FFTestSupport.h"
#include "MyUtils.h"
#include "PatternSource.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <cstdio>
#include <fstream>

namespace {

struct TTargetCase {
    const char* File;
    int Target;  // 0: none, else the VCD/SVCD/DVD preset
    const char* Format;
    const char* VideoCodec;
    const char* VideoTag;
    const char* AudioCodec;
    int AudioRate, AudioChannels, AudioBitrate;
    // What ffprobe must find.
    const char* ProbeVideo;
    const char* ProbeAudio;
    int Width, Height;
    const char* ProbeRate;
    int ProbeAudioRate;
    bool Lossless;
};

// One row per code-table target and codec choice.
const TTargetCase Targets[] = {
    // 0 AVI
    {"t0-raw.avi", 0, "avi", "rawvideo", "", "pcm_s16le", 44100, 2, 0, "rawvideo", "pcm_s16le", 320, 240, "25/1", 44100, true},
    {"t0-xvid.avi", 0, "avi", "libxvid", "", "libmp3lame", 44100, 2, 128000, "mpeg4", "mp3", 320, 240, "25/1", 44100, false},
    {"t0-divx.avi", 0, "avi", "mpeg4", "DIVX", "mp2", 44100, 2, 192000, "mpeg4", "mp2", 320, 240, "25/1", 44100, false},
    {"t0-x264.avi", 0, "avi", "libx264", "", "ac3", 48000, 2, 192000, "h264", "ac3", 320, 240, "25/1", 48000, false},
    {"t0-msmpeg4v2.avi", 0, "avi", "msmpeg4v2", "", "flac", 44100, 2, 0, "msmpeg4v2", "flac", 320, 240, "25/1", 44100, false},
    {"t0-yuvhuff.avi", 0, "avi", "huffyuv", "", "pcm_s16le", 44100, 2, 0, "huffyuv", "pcm_s16le", 320, 240, "25/1", 44100, true},
    {"t0-ffvhuff.avi", 0, "avi", "ffvhuff", "", "mp2", 44100, 2, 192000, "ffvhuff", "mp2", 320, 240, "25/1", 44100, true},
    {"t0-ffv1.avi", 0, "avi", "ffv1", "", "libmp3lame", 44100, 2, 128000, "ffv1", "mp3", 320, 240, "25/1", 44100, true},
    // 1 VCD, 2 SVCD and DVD: the presets choose everything
    {"t1-vcd.mpg", 1, "", "", "", "", 0, 0, 0, "mpeg1video", "mp2", 352, 288, "25/1", 44100, false},
    {"t2-svcd.mpg", 2, "", "", "", "", 0, 0, 0, "mpeg2video", "mp2", 480, 576, "25/1", 44100, false},
    {"t2-dvd.vob", 3, "", "", "", "", 0, 0, 0, "mpeg2video", "ac3", 720, 576, "25/1", 48000, false},
    // 3 MPEG4
    {"t3-mpeg4.mp4", 0, "mp4", "mpeg4", "", "libfaac", 44100, 2, 128000, "mpeg4", "aac", 320, 240, "25/1", 44100, false},
    {"t3-x264.mp4", 0, "mp4", "libx264", "", "libmp3lame", 44100, 2, 128000, "h264", "mp3", 320, 240, "25/1", 44100, false},
    // 4 WMV
    {"t4-wmv.wmv", 0, "asf", "wmv2", "", "wmav2", 44100, 2, 128000, "wmv2", "wmav2", 320, 240, "25/1", 44100, false},
    // 5 OGV
    {"t5-theora.ogv", 0, "ogg", "libtheora", "", "libvorbis", 44100, 2, 128000, "theora", "vorbis", 320, 240, "25/1", 44100, false},
    // 6 FLV
    {"t6-h263.flv", 0, "flv", "flv", "", "libmp3lame", 44100, 2, 128000, "flv1", "mp3", 320, 240, "25/1", 44100, false},
    {"t6-x264.flv", 0, "flv", "libx264", "", "libmp3lame", 44100, 2, 128000, "h264", "mp3", 320, 240, "25/1", 44100, false},
    // 7 MOV
    {"t7-mpeg4.mov", 0, "mov", "libxvid", "", "aac", 44100, 2, 128000, "mpeg4", "aac", 320, 240, "25/1", 44100, false},
    {"t7-x264.mov", 0, "mov", "libx264", "", "libmp3lame", 44100, 2, 128000, "h264", "mp3", 320, 240, "25/1", 44100, false},
    // 8 3GP, 9 3G2
    {"t8-mpeg4.3gp", 0, "3gp", "mpeg4", "", "libopencore_amrnb", 8000, 1, 12200, "mpeg4", "amr_nb", 320, 240, "25/1", 8000, false},
    {"t9-x264.3g2", 0, "3g2", "libx264", "", "aac", 44100, 2, 96000, "h264", "aac", 320, 240, "25/1", 44100, false},
};

constexpr int Width = 320, Height = 240, Rate = 25;
constexpr double Seconds = 3.0;

std::string Output(const std::string& name)
{
    return tvmtest::OutputDir() + name;
}

class FFEncodeTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        ASSERT_TRUE(encoder.LoadLibraries(AnsiToWide(tvmtest::LibavDir()))) << encoder.LastErrorText();
        encoder.OnTerminate = [this](TObject*, const TTerminateInfo& info) { terminated.push_back(info); };
        encoder.OnProgress = [this](TObject*, const TProgressInfo& info) { progress.push_back(info); };
    }

    // The tasks go before the libraries do.
    void TearDown() override
    {
        while (encoder.TaskCount()) encoder.RemoveTask(0);
        FFLoaderTest::TearDown();
    }

    // Gives the task an MPEG-4 AVI output; its full name.
    std::wstring SetMpeg4Output(int task, const char* file)
    {
        TOutputOptions options;
        options.FileFormat = "avi";
        options.VideoCodec = "mpeg4";
        std::wstring name = AnsiToWide(Output(file));
        EXPECT_TRUE(encoder.SetOutputFile(task, name, &options)) << encoder.LastErrorText();
        return name;
    }

    static TOutputOptions OptionsOf(const TTargetCase& row)
    {
        TOutputOptions options;
        InitOutputOptions(options);
        options.Target = row.Target;
        options.TVNorm = 1;
        options.FileFormat = row.Format;
        options.VideoCodec = row.VideoCodec;
        options.VideoTag = row.VideoTag;
        options.AudioCodec = row.AudioCodec;
        options.AudioSampleRate = row.AudioRate;
        options.AudioChannels = row.AudioChannels;
        options.AudioBitrate = row.AudioBitrate;
        if (!row.Target) options.VideoBitrate = 1500000;
        return options;
    }

    TFFEncoder encoder{nullptr};
    tvmtest::TPatternSource source{Width, Height, Rate, 1, Seconds};
    std::vector<TTerminateInfo> terminated;
    std::vector<TProgressInfo> progress;
};

TEST_F(FFEncodeTest, EveryTargetWritesItsFile)
{
    std::ofstream list(Output("encoded-targets.txt"), std::ios::binary);
    std::string reference = Format("pattern-%dx%d.bgr", Width, Height);
    source.WriteReference(Output(reference));
    for (const TTargetCase& row : Targets) {
        SCOPED_TRACE(row.File);
        tvmtest::TPatternSource rowSource(Width, Height, Rate, 1, Seconds);
        TFFEncoder rowEncoder(nullptr);
        int task = tvmtest::AddPatternTask(rowEncoder, rowSource);
        ASSERT_GE(task, 0);
        TOutputOptions options = OptionsOf(row);
        DeleteFileA(Output(row.File).c_str());
        ASSERT_TRUE(rowEncoder.SetOutputFile(task, AnsiToWide(Output(row.File)), &options)) << rowEncoder.LastErrorText();
        std::vector<TTerminateInfo> ends;
        rowEncoder.OnTerminate = [&](TObject*, const TTerminateInfo& info) { ends.push_back(info); };
        rowEncoder.StartTask(0);
        ASSERT_EQ(ends.size(), 2u);
        EXPECT_TRUE(ends[0].Finished) << ends[0].ErrorText;
        EXPECT_FALSE(ends[0].Failed) << ends[0].ErrorText;
        EXPECT_EQ(ends[1].TaskIndex, -1);
        list << row.File << ' ' << row.ProbeVideo << ' ' << row.ProbeAudio << ' ' << row.Width << ' ' << row.Height
             << ' ' << row.ProbeRate << ' ' << row.ProbeAudioRate << ' ' << rowSource.FrameCount() << ' ' << reference
             << ' ' << (row.Lossless ? 1 : 0) << ' ' << Width << 'x' << Height << '\n';
    }
}

// An encoder FFmpeg 5.1 does not have is refused by name when the output is set.
TEST_F(FFEncodeTest, MissingEncoderIsRefused)
{
    int task = tvmtest::AddPatternTask(encoder, source);
    TOutputOptions options;
    options.FileFormat = "avi";
    options.VideoCodec = "msmpeg4v1";
    EXPECT_FALSE(encoder.SetOutputFile(task, AnsiToWide(Output("refused.avi")), &options));
    EXPECT_EQ(encoder.LastErrorText(), "Unknown encoder 'msmpeg4v1'");
    EXPECT_FALSE(WideFileExists(AnsiToWide(Output("refused.avi"))));
}

// The last report agrees with the file written: frames, size, time, bit rate.
TEST_F(FFEncodeTest, ProgressAgreesWithTheFile)
{
    std::wstring name = SetMpeg4Output(tvmtest::AddPatternTask(encoder, source), "progress.avi");
    encoder.SetProgressInterval(0);
    encoder.StartTask(0);
    ASSERT_FALSE(progress.empty());
    const TProgressInfo& last = progress.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, source.FrameCount());
    EXPECT_EQ(last.CurrentSize, WideFileSize(name));
    EXPECT_NEAR(last.CurrentDuration, 3000000, 40000);
    EXPECT_NEAR(last.BitRate, last.CurrentSize * 8.0 / (last.CurrentDuration / 1000.0), 0.01);
    for (size_t i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i].CurrentSize, progress[i - 1].CurrentSize);
}

// A stop mid-way ends the file so that it plays, and the task is never
// reported as finished.
TEST_F(FFEncodeTest, CancelledRunIsNotReportedFinished)
{
    std::wstring name = SetMpeg4Output(tvmtest::AddPatternTask(encoder, source), "cancelled.avi");
    source.OnFrame = [this](int index) {
        if (index == 30) encoder.Stop(false);
    };
    encoder.StartTask(0);
    ASSERT_EQ(terminated.size(), 2u);
    EXPECT_FALSE(terminated[0].Finished);
    EXPECT_FALSE(terminated[0].Failed) << terminated[0].ErrorText;
    EXPECT_LT(source.FramesRead(), source.FrameCount());
    EXPECT_GT(WideFileSize(name), 0);
}

// Output names in Cyrillic and CJK are written under their own names.
TEST_F(FFEncodeTest, UnicodeOutputNames)
{
    for (const wchar_t* file : {L"\x0432\x0438\x0434\x0435\x043e.avi", L"\x5f71\x7247.mp4"}) {
        tvmtest::TPatternSource rowSource(Width, Height, Rate, 1, 0.5);
        TFFEncoder rowEncoder(nullptr);
        int task = tvmtest::AddPatternTask(rowEncoder, rowSource, false);
        ASSERT_GE(task, 0);
        std::wstring name = AnsiToWide(tvmtest::OutputDir()) + file;
        DeleteFileW(name.c_str());
        TOutputOptions options;
        options.VideoCodec = "mpeg4";
        ASSERT_TRUE(rowEncoder.SetOutputFile(task, name, &options)) << rowEncoder.LastErrorText();
        rowEncoder.StartTask(0);
        TWideSearchRec found;
        ASSERT_EQ(WideFindFirst(name, found), 0);
        WideFindClose(found);
        EXPECT_EQ(found.Name, file);
        EXPECT_GT(found.Size, 0);
    }
}

}
