// Options the engine does not know itself go to FFmpeg's codecs, formats
// and scaler, checked against default contexts and filed for later.
#include "Exceptions.h"
#include "FFLog.h"
#include "FFTestSupport.h"
#include "FFUtils.h"
#include "GuiTestSupport.h"

#include <memory>
#include <string>

namespace {

class FFOptionsTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        LoadFromLibav(EncoderLibraries);
        options = std::make_unique<TOptionContext>(SWS_BICUBIC);
    }
    void TearDown() override
    {
        options.reset();
        FFLoaderTest::TearDown();
    }

    std::string Stored(AVDictionary* dictionary, const char* key) { return MetadataValue(dictionary, key, "<none>"); }

    std::unique_ptr<TOptionContext> options;
};

}

TEST_F(FFOptionsTest, CodecFormatAndScalerOptionsAreFiledByKind)
{
    ASSERT_TRUE(options->SetDefaultOption("b", "1000k")) << LastOptionError();
    EXPECT_EQ(options->CodecContext(AVMEDIA_TYPE_VIDEO)->bit_rate, 1000000);
    EXPECT_EQ(options->CodecContext(AVMEDIA_TYPE_AUDIO)->bit_rate, 1000000);
    EXPECT_EQ(Stored(options->VideoOptions(), "b"), "1000k");
    EXPECT_EQ(Stored(options->AudioOptions(), "b"), "1000k");
    EXPECT_EQ(Stored(options->FormatOptions(), "b"), "<none>");

    ASSERT_TRUE(options->SetDefaultOption("probesize", "5000")) << LastOptionError();
    EXPECT_EQ(Stored(options->FormatOptions(), "probesize"), "5000");

    // Flags add up.
    ASSERT_TRUE(options->SetDefaultOption("flags", "+global_header"));
    ASSERT_TRUE(options->SetDefaultOption("flags", "+bitexact"));
    EXPECT_EQ(Stored(options->VideoOptions(), "flags"), "+global_header+bitexact");

    ASSERT_TRUE(options->SetDefaultOption("sws_flags", "neighbor")) << LastOptionError();
    int64_t flags = 0;
    ff::av_opt_get_int(options->ScaleContext(), "sws_flags", 0, &flags);
    EXPECT_EQ(flags, SWS_POINT);

    EXPECT_EQ(options->Options().size(), 5u);
    EXPECT_EQ(options->Options().front(), std::make_pair(std::string("b"), std::string("1000k")));
}

TEST_F(FFOptionsTest, LetterOfAMediaTypeLeadsACodecOption)
{
    ASSERT_TRUE(options->SetDefaultOption("vbufsize", "2000000")) << LastOptionError();
    EXPECT_EQ(options->CodecContext(AVMEDIA_TYPE_VIDEO)->rc_buffer_size, 2000000);
    EXPECT_EQ(options->CodecContext(AVMEDIA_TYPE_AUDIO)->rc_buffer_size, 0);
    EXPECT_EQ(Stored(options->VideoOptions(), "bufsize"), "2000000");
}

TEST_F(FFOptionsTest, UnknownNamesAndRefusedValuesAreReported)
{
    TFFLogger logger(nullptr);
    logger.TriggerEventInMainThread = false;
    std::string lastLine;
    logger.OnLog = [&](TObject*, DWORD, TLogLevel, const std::string& line) { lastLine = line; };

    EXPECT_FALSE(options->SetDefaultOption("nonsense", "1"));
    EXPECT_EQ(LastOptionError(), "Unrecognized option \"nonsense\"");
    EXPECT_EQ(lastLine, LastOptionError());
    EXPECT_FALSE(options->SetDefaultOption("b", "lots"));
    EXPECT_EQ(LastOptionError(), "Invalid value \"lots\" for option \"b\"");
    EXPECT_FALSE(options->SetDefaultOption(" ", "1"));
    EXPECT_TRUE(options->Options().empty());

    // A debugging option turns the logger up to debug.
    ASSERT_TRUE(options->SetDefaultOption("debug", "pict"));
    EXPECT_EQ(logger.LogLevel(), llDebug);
}

TEST_F(FFOptionsTest, NewCodecTakesItsOwnAndTheCommonOptions)
{
    ASSERT_TRUE(options->SetDefaultOption("b", "800k"));
    ASSERT_TRUE(options->SetDefaultOption("crf", "23")) << LastOptionError();
    EXPECT_EQ(Stored(options->VideoOptions(), "crf"), "23");

    const AVCodec* x264 = ff::avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(x264, nullptr);
    AVCodecContext* codec = ff::avcodec_alloc_context3(x264);
    options->ApplyOptions(codec, options->CodecContext(AVMEDIA_TYPE_VIDEO),
                          AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM, x264);

    EXPECT_EQ(codec->bit_rate, 800000);
    double crf = 0;
    ff::av_opt_get_double(codec->priv_data, "crf", 0, &crf);
    EXPECT_EQ(crf, 23.0);
    ff::avcodec_free_context(&codec);
}

TEST_F(FFOptionsTest, ContextsFFmpegCannotMakeAreReported)
{
    // Two scaling algorithms at once: FFmpeg makes no scaling context.
    EXPECT_EQ(tvmtest::MessageOf<Exception>([] { TOptionContext twoScalers(SWS_BICUBIC | SWS_POINT); }),
              "Cannot initialize the options' scaling context");
}
