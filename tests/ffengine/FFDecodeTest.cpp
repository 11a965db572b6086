// FLV and F4V sources made by Debian's ffmpeg tell their streams, their
// video stream's codec, size, frame rate and duration, and fail with the
// decoder's texts.
#include "Exceptions.h"
#include "FFDecode.h"
#include "FFLoad.h"
#include "FFTestSupport.h"
#include "GuiTestSupport.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <cstdlib>
#include <vector>

namespace {

std::wstring Fixture(const char* name)
{
    return AnsiToWide(tvmtest::OutputDir() + name);
}

class FFDecodeTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        ASSERT_TRUE(decoder.LoadLibraries(AnsiToWide(tvmtest::LibavDir()))) << decoder.LastErrorMessage();
        logger.TriggerEventInMainThread = false;
        logger.OnLog = [this](TObject* sender, DWORD, TLogLevel level, const std::string& message) {
            if (sender == &decoder) logged.push_back({level, message});
        };
    }

    // The file goes before the libraries do.
    void TearDown() override
    {
        decoder.CloseFile();
        FFLoaderTest::TearDown();
    }

    // Only the messages the decoder logs itself.
    struct TLogged {
        TLogLevel level;
        std::string message;
        bool operator==(const TLogged&) const = default;
    };

    TFFLogger logger{nullptr};
    std::vector<TLogged> logged;
    TFFDecoder decoder{nullptr};
};

void ExpectUnknown(const TVideoStreamInfo& info)
{
    EXPECT_EQ(info.CodecName, "");
    for (int64_t value : {info.StartTime, info.StartTimeUs, info.Duration, info.DurationUs})
        EXPECT_EQ(value, -1);
    for (int value : {info.BitRate, info.Height, info.Width, info.PixelFormat, info.FrameRateNum, info.FrameRateDen})
        EXPECT_EQ(value, -1);
    EXPECT_EQ(info.DisplayAspectRatio, -1.0f);
}

}

TEST_F(FFDecodeTest, Flv1VideoWithSound)
{
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_flv1.flv"))) << decoder.LastErrorMessage();

    EXPECT_EQ(decoder.FileSize(), WideFileSize(Fixture("ffengine_flv1.flv")));
    EXPECT_EQ(decoder.StreamCount(), 2);
    EXPECT_EQ(decoder.ProgramCount(), 0);
    EXPECT_EQ(decoder.AudioStreamCount(), 1);
    EXPECT_EQ(decoder.VideoStreamCount(), 1);
    EXPECT_EQ(decoder.SubtitleStreamCount(), 0);
    EXPECT_EQ(decoder.FirstAudioStream(), 0);
    EXPECT_EQ(decoder.FirstVideoStream(), 1);
    EXPECT_EQ(decoder.FirstSubtitleStream(), -1);
    EXPECT_EQ(decoder.DefaultStream(), 1);
    EXPECT_EQ(decoder.FileFormat(), "");

    TVideoStreamInfo info = decoder.GetVideoStreamInfo();
    EXPECT_EQ(info.CodecName, "flv(FLV / Sorenson Spark / Sorenson H.263 (Flash Video))");
    EXPECT_EQ(info.Width, 176);
    EXPECT_EQ(info.Height, 144);
    EXPECT_EQ(info.FrameRateNum, 25);
    EXPECT_EQ(info.FrameRateDen, 1);
    EXPECT_EQ(info.PixelFormat, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(info.DisplayAspectRatio, 0.0f) << "FLV1 has no pixel aspect ratio";
    EXPECT_EQ(info.StartTimeUs, info.StartTime * 1000);
    EXPECT_EQ(decoder.DefaultStartTime(), info.StartTime);
    // The stream's duration is unknown: the file's counts, about a second.
    EXPECT_NEAR(info.DurationUs, 1000000, 60000);
    EXPECT_NEAR(info.Duration, info.DurationUs / 1000, 1);
    EXPECT_EQ(info.Language, "");
    EXPECT_TRUE(logged.empty());

    decoder.CloseFile();
    EXPECT_EQ(decoder.FormatContext(), nullptr);
    EXPECT_EQ(decoder.StreamCount(), -1);
    EXPECT_EQ(decoder.FileSize(), -1);
}

TEST_F(FFDecodeTest, H264InAnF4v)
{
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_h264.f4v"), "mov")) << decoder.LastErrorMessage();
    EXPECT_EQ(decoder.FileFormat(), "mov");
    EXPECT_EQ(decoder.FirstVideoStream(), 0);

    TVideoStreamInfo info = decoder.GetVideoStreamInfo(0);
    EXPECT_EQ(info.CodecName, "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)");
    EXPECT_EQ(info.Width, 320);
    EXPECT_EQ(info.Height, 240);
    EXPECT_EQ(info.FrameRateNum, 30);
    EXPECT_EQ(info.FrameRateDen, 1);
    EXPECT_FLOAT_EQ(info.DisplayAspectRatio, 320.0f / 240.0f);
    EXPECT_GT(info.BitRate, 0);
    EXPECT_EQ(info.Language, "und");
    // The stream's own duration, in its time base of 1/15360 s.
    EXPECT_EQ(info.Duration, 15360);
    EXPECT_EQ(info.DurationUs, 1000000);
    EXPECT_NEAR(info.StartTimeUs, info.StartTime * 1000000 / 15360, 1);
}

TEST_F(FFDecodeTest, WithoutAverageFrameRateOrDuration)
{
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_noavg.flv"))) << decoder.LastErrorMessage();
    TVideoStreamInfo info = decoder.GetVideoStreamInfo();

    // The real base frame rate stands in; an unknown duration is 0.
    EXPECT_EQ(info.FrameRateNum, 1000);
    EXPECT_EQ(info.FrameRateDen, 1);
    EXPECT_EQ(info.Duration, 0);
    EXPECT_EQ(info.DurationUs, 0);
    EXPECT_EQ(info.Width, 160);
}

TEST_F(FFDecodeTest, SoundOnlyHasNoVideoStream)
{
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_audio.flv"))) << decoder.LastErrorMessage();
    EXPECT_EQ(decoder.FirstVideoStream(), -1);
    EXPECT_EQ(decoder.DefaultStream(), 0);

    const struct {
        int index;
        const char* message;
    } Cases[] = {{-1, "no video stream."}, {0, "stream #0 is not video stream."}, {1, "stream index #1 is invalid."}};
    for (const auto& c : Cases) {
        ExpectUnknown(decoder.GetVideoStreamInfo(c.index));
        EXPECT_EQ(decoder.LastErrorMessage(), c.message);
        EXPECT_EQ(logged.back(), (TLogged{llError, c.message}));
    }
}

TEST_F(FFDecodeTest, FailuresAnswerFalseWithTheirTexts)
{
    ExpectUnknown(decoder.GetVideoStreamInfo());
    EXPECT_EQ(decoder.LastErrorMessage(), "file not loaded.");
    EXPECT_EQ(logged.back(), (TLogged{llWarning, "file not loaded."}));

    std::string missing = tvmtest::OutputDir() + "ffengine_missing.flv";
    // The format is looked up before the file is touched.
    EXPECT_FALSE(decoder.LoadFile(AnsiToWide(missing), "nosuchformat"));
    EXPECT_EQ(decoder.LastErrorMessage(), "Unknown input format: nosuchformat");

    EXPECT_FALSE(decoder.LoadFile(AnsiToWide(missing)));
    EXPECT_EQ(decoder.LastErrorMessage(), missing + ": No such file or directory");
    EXPECT_EQ(logged.back(), (TLogged{llError, decoder.LastErrorMessage()}));
    EXPECT_EQ(decoder.FormatContext(), nullptr);

    EXPECT_FALSE(decoder.LoadFile(Fixture("ffengine_text.flv")));
    EXPECT_EQ(decoder.LastErrorMessage(),
              tvmtest::OutputDir() + "ffengine_text.flv: Invalid data found when processing input");
}

TEST_F(FFDecodeTest, OpensAFileByItsWideName)
{
    tvmtest::ScratchDir dir;
    std::wstring name = AnsiToWide(dir.Path()) + L"\u00fcber \u043a\u0438\u043d\u043e.flv";
    ASSERT_TRUE(CopyFileW(Fixture("ffengine_flv1.flv").c_str(), name.c_str(), FALSE));

    ASSERT_TRUE(decoder.LoadFile(name)) << decoder.LastErrorMessage();
    EXPECT_EQ(decoder.FileSize(), WideFileSize(name));
    EXPECT_EQ(decoder.GetVideoStreamInfo().Width, 176);
    ASSERT_TRUE(decoder.LoadFile(L"unicode:" + name)) << decoder.LastErrorMessage();
    EXPECT_EQ(decoder.VideoStreamCount(), 1);
    decoder.CloseFile();
}

TEST_F(FFDecodeTest, RegisteredThreadCanAbortTheOpen)
{
    TInterruptCheck abort = [](void*) { return true; };
    InterruptCB().Add(GetCurrentThreadId(), this, abort);
    bool loaded = decoder.LoadFile(Fixture("ffengine_flv1.flv"));
    InterruptCB().Remove(GetCurrentThreadId(), this, abort);

    EXPECT_FALSE(loaded);
    EXPECT_EQ(decoder.LastErrorMessage(), tvmtest::OutputDir() + "ffengine_flv1.flv: Immediate exit requested");
}

TEST_F(FFDecodeTest, StreamsAreReadAfterTheHandlerSawTheContext)
{
    int streamsSeen = -1;
    decoder.OnBeforeFindStreamInfo = [&](TObject* sender, AVFormatContext* context) {
        EXPECT_EQ(sender, &decoder);
        EXPECT_EQ(context, decoder.FormatContext());
        EXPECT_EQ(decoder.StreamCount(), -1);
        streamsSeen = static_cast<int>(context->nb_streams);
    };
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_h264.f4v")));
    EXPECT_GE(streamsSeen, 0);
    EXPECT_EQ(decoder.StreamCount(), 2);
}

TEST_F(FFDecodeTest, AdoptedContextStaysTheCallers)
{
    ASSERT_TRUE(decoder.LoadFile(Fixture("ffengine_h264.f4v")));
    TFFDecoder other(nullptr);
    other.SetFormatContext(decoder.FormatContext());
    EXPECT_EQ(other.StreamCount(), 2);
    EXPECT_EQ(other.DefaultStream(), 0);
    other.CloseFile();
    // Still open and whole.
    EXPECT_EQ(decoder.GetVideoStreamInfo().Width, 320);
}

TEST_F(FFDecodeTest, LibrariesMustBeLoaded)
{
    const struct {
        TLibrarySet loaded;
        const char* message;
    } Cases[] = {{0, "LibAVCodec not loaded."},
                 {LibraryBit(liAVCodec), "LibAVFormat not loaded."},
                 {LibraryBit(liAVCodec) | LibraryBit(liAVFormat), "LibAVUtil not loaded."},
                 {LibraryBit(liAVCodec) | LibraryBit(liAVFormat) | LibraryBit(liAVUtil), "LibSwScale not loaded."}};
    for (const auto& c : Cases) {
        FFLoader().UnloadLibraries(AllLibraries);
        if (c.loaded) LoadFromLibav(c.loaded);
        EXPECT_EQ(tvmtest::MessageOf<Exception>([&] { decoder.LoadFile(Fixture("ffengine_flv1.flv")); }), c.message);
    }
}

TEST_F(FFDecodeTest, LoadLibrariesTellsTheLoadersFailure)
{
    FFLoader().UnloadLibraries(AllLibraries);
    RestorePath();
    tvmtest::ScratchDir empty;
    EXPECT_FALSE(decoder.LoadLibraries(AnsiToWide(empty.Path())));
    EXPECT_EQ(decoder.LastErrorMessage(), FFLoader().LastErrorMessage());
    EXPECT_EQ(decoder.LastErrorMessage().rfind("Load library " + empty.Path() + "avcodec-59.dll error: ", 0), 0u);
}
