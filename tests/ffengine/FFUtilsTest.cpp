// Pictures to bitmaps and back, FFmpeg's error texts, times, codec names,
// wide file names and the "rotate" filter.
#include "AVFilterStubs.h"
#include "Exceptions.h"
#include "FFLoad.h"
#include "FFTestSupport.h"
#include "FFUtils.h"
#include "GuiTestSupport.h"
#include "SysUtils.h"
#include "UnicodeProtocol.h"
#include "vf_rotate.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
}

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

class FFUtilsTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        LoadFromLibav(EncoderLibraries);
    }
};

// A packed picture of one plane in memory of its own.
struct TPackedPicture {
    TPackedPicture(int width, int height, int bytesPerPixel, int lineSize = 0)
        : lineSize{lineSize ? lineSize : width * bytesPerPixel}, bytes(static_cast<size_t>(this->lineSize[0]) * height)
    {
        data[0] = bytes.data();
    }
    uint8_t* Pixel(int x, int y, int bytesPerPixel) { return data[0] + y * lineSize[0] + x * bytesPerPixel; }

    uint8_t* data[4] = {};
    int lineSize[4];
    std::vector<uint8_t> bytes;
};

uint8_t* BitmapPixel(TBitmap& bitmap, int x, int y, int bytesPerPixel)
{
    return static_cast<uint8_t*>(bitmap.ScanLine(y)) + x * bytesPerPixel;
}

}

TEST(FormatTime, ShowsHoursToMilliseconds)
{
    EXPECT_EQ(FormatTime(((1 * 60 + 2) * 60 + 3) * int64_t{1000000} + 4000), "01:02:03.004");
    EXPECT_EQ(FormatTime(0), "00:00:00.000");
    EXPECT_EQ(FormatTime(AV_NOPTS_VALUE), "N/A");
}

TEST_F(FFUtilsTest, ErrorTextsNameFFmpegsErrors)
{
    const struct {
        int code;
        const char* text;
    } Cases[] = {{AVERROR(ENOENT), "No such file or directory"},
                 {AVERROR(EIO), "I/O error"},
                 {AVERROR_EOF, "End of file"},
                 {AVERROR_EXIT, "Immediate exit requested"},
                 {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
                 {-WSAEREFUSED, "WSAEREFUSED"},
                 {-WSAHOST_NOT_FOUND, "WSAHOST_NOT_FOUND"},
                 {-12345, "Error number -12345 occurred"},
                 {0, "Error number 0 occurred"}};
    for (const auto& c : Cases) EXPECT_EQ(ErrorText("movie.flv", c.code), std::string("movie.flv: ") + c.text);
    EXPECT_EQ(ErrorText("x", AVERROR(EACCES)), std::string("x: ") + std::strerror(EACCES));

    // Every tagged error reads as FFmpeg itself puts it.
    for (int code : {AVERROR_BSF_NOT_FOUND, AVERROR_BUG, AVERROR_BUG2, AVERROR_BUFFER_TOO_SMALL,
                     AVERROR_DECODER_NOT_FOUND, AVERROR_DEMUXER_NOT_FOUND, AVERROR_ENCODER_NOT_FOUND, AVERROR_EOF,
                     AVERROR_EXIT, AVERROR_EXPERIMENTAL, AVERROR_EXTERNAL, AVERROR_FILTER_NOT_FOUND,
                     AVERROR_HTTP_BAD_REQUEST, AVERROR_HTTP_FORBIDDEN, AVERROR_HTTP_NOT_FOUND, AVERROR_HTTP_OTHER_4XX,
                     AVERROR_HTTP_SERVER_ERROR, AVERROR_HTTP_UNAUTHORIZED, AVERROR_INPUT_CHANGED, AVERROR_INVALIDDATA,
                     AVERROR_MUXER_NOT_FOUND, AVERROR_OPTION_NOT_FOUND, AVERROR_OUTPUT_CHANGED, AVERROR_PATCHWELCOME,
                     AVERROR_PROTOCOL_NOT_FOUND, AVERROR_STREAM_NOT_FOUND, AVERROR_UNKNOWN}) {
        char text[256];
        ff::av_strerror(code, text, sizeof text);
        EXPECT_EQ(ErrorText("n", code), std::string("n: ") + text);
    }
}

TEST(MediaTypeName, NamesTheFiveTypes)
{
    const char* names[] = {"Unknown", "Video", "Audio", "Data", "Subtitle", "Attachment", "Unknown"};
    for (int type = -1; type <= 5; ++type) EXPECT_EQ(MediaTypeName(type), names[type + 1]);
}

TEST_F(FFUtilsTest, CodecTextNamesCodecsOrTheirTags)
{
    EXPECT_EQ(CodecText(AV_CODEC_ID_FLV1, 0, false), "flv(FLV / Sorenson Spark / Sorenson H.263 (Flash Video))");
    EXPECT_EQ(CodecText(AV_CODEC_ID_H264, 0, true).rfind("libx264(", 0), 0u);
    EXPECT_EQ(CodecText(AV_CODEC_ID_MPEG2TS, 0, false), "mpeg2ts");
    // No encoder, but FFmpeg knows the codec.
    EXPECT_EQ(CodecText(AV_CODEC_ID_VP6F, 0, true), "vp6f");
    EXPECT_EQ(CodecText(AV_CODEC_ID_NONE, MKTAG('X', 'V', 'I', 'D'), false), "XVID / 0x44495658");
    EXPECT_EQ(CodecText(AV_CODEC_ID_NONE, 0x1a, false), "0x001A");
}

TEST_F(FFUtilsTest, FilesMetadataAndPositions)
{
    tvmtest::ScratchDir dir;
    std::string file = dir.Path() + "data.bin";

    AVIOContext* io = nullptr;
    ASSERT_GE(ff::avio_open(&io, WideToUTF8Name(AnsiToWide(file)).c_str(), AVIO_FLAG_WRITE), 0);
    ff::avio_write(io, reinterpret_cast<const unsigned char*>("abc"), 3);
    EXPECT_EQ(IOTell(io), 3);
    ff::avio_close(io);

    uint8_t* buffer = nullptr;
    int size = 0;
    ASSERT_EQ(ReadFileToMemory(file.c_str(), buffer, size), 0);
    EXPECT_EQ(size, 4);
    EXPECT_STREQ(reinterpret_cast<char*>(buffer), "abc");
    ff::av_free(buffer);
    EXPECT_EQ(ReadFileToMemory((dir.Path() + "missing.bin").c_str(), buffer, size), -1);

    AVDictionary* metadata = nullptr;
    ff::av_dict_set(&metadata, "language", "eng", 0);
    EXPECT_EQ(MetadataValue(metadata, "language"), "eng");
    EXPECT_EQ(MetadataValue(metadata, "title", "none"), "none");
    ff::av_dict_free(&metadata);
}

TEST_F(FFUtilsTest, FilesTooLongForAnIntBufferAreRefused)
{
    tvmtest::ScratchDir dir;
    const std::string file = dir.Path() + "huge.bin";
    // 2 GB of length without the bytes: the file system keeps it sparse.
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    LARGE_INTEGER length;
    length.QuadPart = int64_t{1} << 31;
    const bool sized = SetFilePointerEx(handle, length, nullptr, FILE_BEGIN) && SetEndOfFile(handle);
    CloseHandle(handle);
    ASSERT_TRUE(sized);

    uint8_t* buffer = nullptr;
    int size = -5;
    EXPECT_EQ(ReadFileToMemory(file.c_str(), buffer, size), AVERROR(EFBIG));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, -5);
}

TEST(UnicodeProtocol, NamesTravelAsUTF8)
{
    std::wstring name = L"C:\\Filme\\\u00fcber \u043a\u0438\u043d\u043e.flv";
    std::string utf8 = WideToUTF8Name(name);
    EXPECT_EQ(utf8, "C:\\Filme\\\xc3\xbc" "ber \xd0\xba\xd0\xb8\xd0\xbd\xd0\xbe.flv");
    EXPECT_EQ(UTF8ToWideName(utf8), name);
    EXPECT_EQ(WideToUTF8Name(L"unicode:" + name), utf8);
}

TEST_F(FFUtilsTest, ConverterRefusesOtherDepths)
{
    TFormatConverter converter;
    EXPECT_EQ(converter.BitsPixel(), 24);
    EXPECT_EQ(tvmtest::MessageOf<Exception>([&] { converter.SetBitsPixel(12); }), "Invalid BitsPixel 12");
    EXPECT_THROW(converter.CopyToBitmap(), EAssertionFailed);
}

TEST_F(FFUtilsTest, PictureWithTheBitmapsLayoutIsUsedInPlace)
{
    TFormatConverter converter;
    // 4 pixels of 3 bytes fill a 32-bit padded line exactly.
    TPackedPicture picture(4, 2, 3);
    ASSERT_TRUE(converter.ToRGB(picture.data, picture.lineSize, AV_PIX_FMT_BGR24, false, 2, 4));
    BitmapPixel(converter.Bitmap(), 3, 1, 3)[0] = 0x5A;
    converter.CopyFromBitmap();
    EXPECT_EQ(picture.Pixel(3, 1, 3)[0], 0x5A);

    // An odd width is always converted, even from the bitmap's own format.
    TPackedPicture odd(5, 2, 3, 16);
    ASSERT_TRUE(converter.ToRGB(odd.data, odd.lineSize, AV_PIX_FMT_BGR24, false, 2, 5));
    BitmapPixel(converter.Bitmap(), 4, 1, 3)[0] = 0x5A;
    converter.CopyFromBitmap();
    EXPECT_EQ(odd.Pixel(4, 1, 3)[0], 0);
}

TEST_F(FFUtilsTest, BitmapToPictureToBitmapAtAnOddWidth)
{
    const int width = 5, height = 3;
    TFormatConverter converter;
    TPackedPicture start(width, height, 3);
    ASSERT_TRUE(converter.ToRGB(start.data, start.lineSize, AV_PIX_FMT_BGR24, true, height, width));
    ASSERT_EQ(converter.Bitmap().Width(), width);
    auto pattern = [](int x, int y, int channel) { return static_cast<uint8_t>(40 * x + 70 * y + 11 * channel); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) BitmapPixel(converter.Bitmap(), x, y, 3)[c] = pattern(x, y, c);

    converter.CopyFromBitmap();
    TPackedPicture picture(width, height, 3);
    ASSERT_TRUE(converter.FromRGB(picture.data, picture.lineSize, AV_PIX_FMT_BGR24, height, width))
        << converter.LastError();
    TFormatConverter back;
    ASSERT_TRUE(back.ToRGB(picture.data, picture.lineSize, AV_PIX_FMT_BGR24, true, height, width));

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(picture.Pixel(x, y, 3)[c], pattern(x, y, c)) << x << "," << y;
                EXPECT_EQ(BitmapPixel(back.Bitmap(), x, y, 3)[c], pattern(x, y, c)) << x << "," << y;
            }
}

TEST_F(FFUtilsTest, RedKeepsTheHighBitsOf15And16BitPixels)
{
    const struct {
        int bits;
        uint16_t red;
    } Cases[] = {{15, 0x7C00}, {16, 0xF800}};
    for (const auto& c : Cases) {
        TFormatConverter converter;
        converter.SetBitsPixel(c.bits);
        TPackedPicture red(2, 2, 3);
        for (int i = 0; i < 4; ++i) red.Pixel(i % 2, i / 2, 3)[0] = 255;  // rgb24: red first
        ASSERT_TRUE(converter.ToRGB(red.data, red.lineSize, AV_PIX_FMT_RGB24, true, 2, 2)) << converter.LastError();

        uint16_t pixel;
        std::memcpy(&pixel, converter.Bitmap().ScanLine(0), sizeof pixel);
        EXPECT_EQ(pixel, c.red) << c.bits;
        // And Windows itself reads it as red.
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, converter.Bitmap().Handle());
        COLORREF color = GetPixel(dc, 1, 1);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_GE(GetRValue(color), 240) << c.bits;
        EXPECT_LE(GetGValue(color) + GetBValue(color), 16) << c.bits;
    }
}

TEST(RotateFilter, TranslatesTheUsersRotateOnly)
{
    auto rotate = [](const char* angle) {
        return Format("rotate=a=%s*PI/180:ow=floor(rotw(%s*PI/180)):oh=floor(roth(%s*PI/180)):c=black,setsar=sar=1/sar",
                      angle,
                      angle, angle);
    };
    const struct {
        std::string graph;
        std::string expected;
    } Cases[] = {
        {"rotate", rotate("45")},
        {"rotate=90", rotate("90")},
        {"scale=320:240,rotate=-30;[a] rotate=180 [b]", "scale=320:240," + rotate("-30") + ";[a] " + rotate("180") + " [b]"},
        {"[in]rotate=90[out]", "[in]" + rotate("90") + "[out]"},
        {"rotate=PI/4", "rotate=PI/4"},
        {"rotate=a=1:c=red", "rotate=a=1:c=red"},
        {"drawtext=text='x,rotate=90',hflip", "drawtext=text='x,rotate=90',hflip"},
        {"", ""},
    };
    for (const auto& c : Cases) EXPECT_EQ(TranslateRotateFilter(c.graph), c.expected) << c.graph;
}

namespace {

// Runs one frame through Filters between a buffer source and a sink.
AVFrame* Filter(AVFrame* input, const std::string& filters)
{
    AVFilterGraph* graph = ff::avfilter_graph_alloc();
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    std::string args = Format("video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=%d/%d", input->width,
                              input->height, input->format, input->sample_aspect_ratio.num, input->sample_aspect_ratio.den);
    AVFrame* output = ff::av_frame_alloc();
    AVFilterInOut* outputs = ff::avfilter_inout_alloc();
    AVFilterInOut* inputs = ff::avfilter_inout_alloc();
    bool ok = ff::avfilter_graph_create_filter(&source, ff::avfilter_get_by_name("buffer"), "in", args.c_str(), nullptr,
                                               graph) >= 0 &&
              ff::avfilter_graph_create_filter(&sink, ff::avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                               graph) >= 0;
    outputs->name = ff::av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = ff::av_strdup("out");
    inputs->filter_ctx = sink;
    ok = ok && ff::avfilter_graph_parse_ptr(graph, filters.c_str(), &inputs, &outputs, nullptr) >= 0 &&
         ff::avfilter_graph_config(graph, nullptr) >= 0 &&
         ff::av_buffersrc_add_frame_flags(source, input, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0 &&
         ff::av_buffersrc_add_frame_flags(source, nullptr, 0) >= 0 && ff::av_buffersink_get_frame(sink, output) >= 0;
    ff::avfilter_inout_free(&inputs);
    ff::avfilter_inout_free(&outputs);
    ff::avfilter_graph_free(&graph);
    if (!ok) ff::av_frame_free(&output);
    return output;
}

AVFrame* NumberedPicture(int width, int height)
{
    AVFrame* frame = ff::av_frame_alloc();
    frame->width = width;
    frame->height = height;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->sample_aspect_ratio = AVRational{2, 1};
    ff::av_frame_get_buffer(frame, 0);
    for (int plane = 0; plane < 3; ++plane) {
        int w = plane ? (width + 1) / 2 : width, h = plane ? (height + 1) / 2 : height;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) frame->data[plane][y * frame->linesize[plane] + x] = 20 + 16 * plane + 10 * y + x;
    }
    return frame;
}

int Sample(const AVFrame* frame, int plane, int x, int y)
{
    return frame->data[plane][y * frame->linesize[plane] + x];
}

}

TEST_F(FFUtilsTest, RotationByRightAnglesMovesWholePixels)
{
    const int width = 5, height = 3;
    AVFrame* input = NumberedPicture(width, height);

    AVFrame* quarter = Filter(input, TranslateRotateFilter("rotate=90"));
    ASSERT_NE(quarter, nullptr);
    ASSERT_EQ(quarter->width, height);
    ASSERT_EQ(quarter->height, width);
    EXPECT_EQ(quarter->sample_aspect_ratio.num, 1);
    EXPECT_EQ(quarter->sample_aspect_ratio.den, 2);
    // Clockwise: the bottom-left pixel goes to the top-left.
    for (int y = 0; y < width; ++y)
        for (int x = 0; x < height; ++x) EXPECT_EQ(Sample(quarter, 0, x, y), Sample(input, 0, y, height - 1 - x)) << x << "," << y;
    // Every chroma sample of the odd-sized output is written: 2 x 3 of them.
    for (int plane = 1; plane < 3; ++plane)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) EXPECT_EQ(Sample(quarter, plane, x, y), Sample(input, plane, y, 1 - x)) << plane << ":" << x << "," << y;

    AVFrame* half = Filter(input, TranslateRotateFilter("rotate=180"));
    ASSERT_NE(half, nullptr);
    ASSERT_EQ(half->width, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) EXPECT_EQ(Sample(half, 0, x, y), Sample(input, 0, width - 1 - x, height - 1 - y));

    ff::av_frame_free(&half);
    ff::av_frame_free(&quarter);
    ff::av_frame_free(&input);
}

TEST_F(FFUtilsTest, RotationSizesTheOutputToTheTurnedPicture)
{
    AVFrame* input = NumberedPicture(320, 240);
    const struct {
        const char* filter;
        int width, height;
    } Cases[] = {{"rotate=90", 240, 320}, {"rotate=0", 320, 240}, {"rotate", 395, 395}};
    for (const auto& c : Cases) {
        AVFrame* output = Filter(input, TranslateRotateFilter(c.filter));
        ASSERT_NE(output, nullptr) << c.filter;
        EXPECT_EQ(output->width, c.width) << c.filter;
        EXPECT_EQ(output->height, c.height) << c.filter;
        // The corners outside the turned picture are black.
        if (c.width == 395) {
            EXPECT_EQ(Sample(output, 0, 0, 0), 16);
        }
        ff::av_frame_free(&output);
    }
    ff::av_frame_free(&input);
}
