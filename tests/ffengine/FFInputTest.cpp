// The program-fed inputs read their option strings, refuse what names no
// live adapter, and never hand the engine an empty piece of sound; the
// option parsers take only whole values.
#include "FFOptions.h"
#include "FFTestSupport.h"
#include "FrameInput.h"
#include "SysUtils.h"
#include "WaveInput.h"

namespace {

class FFInputTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        LoadFromLibav(EncoderLibraries);
    }

    std::string Named(const char* rest) const { return Format("a=%d;%s", frames.Address(), rest); }

    TFrameInputAdapter frames{nullptr};
    TWaveInputAdapter wave{nullptr};
};

TEST_F(FFInputTest, FrameOptionStrings)
{
    const struct {
        const char* Rest;
        int Result;
        int PixelFormat;
        int64_t FrameSize;
    } cases[] = {
        {"r=25/1;s=320x240;bpp=24;t=canvas;pf=yuv420p", 0, AV_PIX_FMT_BGR24, 320 * 240 * 3},
        {"r=25:1;s=322*241;bpp=24;t=bmp", 0, AV_PIX_FMT_BGR24, 968 * 241},
        {"r=25/1;s=320x240", 0, AV_PIX_FMT_YUV420P, 320 * 240 * 3 / 2},
        {"r=25/1;s=320X240;bpp=24;t=canvas", AVERROR(EINVAL), 0, 0},
        {"r=25;s=320x240;bpp=24;t=canvas", AVERROR(EINVAL), 0, 0},
        {"r=25/1;s=320x240;bpp=12;t=dc", AVERROR(EINVAL), 0, 0},
        {"r=25/1;s=320x240;pf=nonsense", AVERROR(EINVAL), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Rest);
        TFrameInputReader reader;
        ASSERT_EQ(reader.ReadHeader(Named(c.Rest)), c.Result);
        if (c.Result < 0) continue;
        EXPECT_EQ(reader.Info().PixelFormat, c.PixelFormat);
        EXPECT_EQ(reader.Info().FrameSize, c.FrameSize);
        EXPECT_EQ(frames.FrameInfo, &reader.Info());
    }
}

// An address that is no live adapter is refused, never followed.
TEST_F(FFInputTest, AdapterAddressMustBeLive)
{
    int64_t gone;
    {
        TFrameInputAdapter dead(nullptr);
        gone = dead.Address();
    }
    TFrameInputReader frameReader;
    EXPECT_EQ(frameReader.ReadHeader(Format("a=%d;r=25/1;s=16x16", gone)), AVERROR(EINVAL));
    TWaveInputReader waveReader;
    EXPECT_EQ(waveReader.ReadHeader(Format("a=%d", frames.Address())), AVERROR(EINVAL));
}

// A piece of no whole sample is "try again"; a piece that is not whole
// samples delivers only the whole ones, with times that follow them.
TEST_F(FFInputTest, WavePiecesBecomeWholeFrames)
{
    std::vector<int> answers = {0, 6, -1};
    size_t next = 0;
    wave.OnReadWaveData = [&](TObject*, void* data, TInputWaveInfo*) {
        memset(data, 1, 8);
        return answers[next++];
    };
    TWaveInputReader reader;
    ASSERT_EQ(reader.ReadHeader(Format("a=%d;r=x", wave.Address())), 0);
    EXPECT_EQ(reader.Info().SampleRate, 44100);
    EXPECT_EQ(reader.Info().PacketSize, 4096);
    AVFrame* frame = ff::av_frame_alloc();
    EXPECT_EQ(reader.ReadFrame(frame), AVERROR(EAGAIN));
    ASSERT_EQ(reader.ReadFrame(frame), 0);
    EXPECT_EQ(frame->nb_samples, 1);
    EXPECT_EQ(frame->pts, 0);
    EXPECT_EQ(reader.Info().TotalBytes, 4);
    ff::av_frame_unref(frame);
    EXPECT_EQ(reader.ReadFrame(frame), -1);
    ff::av_frame_free(&frame);
}

TEST_F(FFInputTest, OptionValues)
{
    std::string ones = "1";
    for (int i = 1; i < 64; ++i) ones += ",1";
    std::vector<uint16_t> matrix;
    EXPECT_TRUE(ParseMatrix(ones, matrix));
    EXPECT_EQ(matrix.size(), 64u);
    EXPECT_FALSE(ParseMatrix(ones + ",1", matrix));
    EXPECT_FALSE(ParseMatrix(ones.substr(2), matrix));
    EXPECT_FALSE(ParseMatrix("0" + ones.substr(1), matrix));
    EXPECT_EQ(ParseBitrate("1150k"), 1150000);
    EXPECT_EQ(ParseBitrate("2M"), 2000000);
    EXPECT_EQ(ParseBitrate("fast"), -1);
    EXPECT_DOUBLE_EQ(ParseAspectRatio("16:9"), 16.0 / 9);
    EXPECT_EQ(ParseAspectRatio("wide"), 0);
}

}
