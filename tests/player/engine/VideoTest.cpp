// Embedded video on the stage, through a decoder of the test's own: each
// coded frame ends in a colour and a picture size, and the decoder notes
// what it was given, in order, as a predicting codec would need it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "MoviePlayer.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmplayer;
using namespace tvmtest;

constexpr int Px = 20;
constexpr uint16_t TagDefineVideoStream = 60, TagVideoFrame = 61;
constexpr uint32_t White = 0xFFFFFFFF;

class NoClock : public Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

struct Decoded {
    std::vector<VideoFormat> Formats;
    std::vector<uint32_t> Packets;  // the colours given, in order
    std::vector<bool> Keys;         // and whether each was a key frame
};

// A frame ending in {r, g, b, side}: a side x side picture of that colour;
// a side of 2 makes one row of two pixels instead, the colour then white.
class ColourDecoder : public VideoDecoder {
public:
    explicit ColourDecoder(Decoded& log) : log_(log) {}
    std::optional<Bitmap> Decode(std::span<const uint8_t> data, bool keyFrame) override
    {
        if (data.size() < 4)
            return std::nullopt;
        const uint8_t* c = data.data() + data.size() - 4;
        uint32_t colour = 0xFF000000u | c[0] << 16 | c[1] << 8 | c[2];
        log_.Packets.push_back(colour);
        log_.Keys.push_back(keyFrame);
        if (c[3] == 2)
            return Bitmap{2, 1, {colour, White}};
        return Bitmap{c[3], c[3], std::vector<uint32_t>(size_t{c[3]} * c[3], colour)};
    }

private:
    Decoded& log_;
};

class ColourDecoders : public VideoDecoders {
public:
    std::unique_ptr<VideoDecoder> Create(const VideoFormat& format) override
    {
        log.Formats.push_back(format);
        return std::make_unique<ColourDecoder>(log);
    }
    Decoded log;
};

Bytes VideoStreamTag(uint16_t id, uint16_t frames, uint16_t width, uint16_t height, uint8_t flags, uint8_t codec)
{
    return {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(frames),
            static_cast<uint8_t>(frames >> 8), static_cast<uint8_t>(width), static_cast<uint8_t>(width >> 8),
            static_cast<uint8_t>(height), static_cast<uint8_t>(height >> 8), flags, codec};
}

// header: the codec's own first bytes, before the test's colour.
Bytes VideoFrameTag(uint16_t id, uint16_t number, uint32_t rgb, uint8_t side, const Bytes& header = {})
{
    Bytes tag(8 + header.size());
    tag[0] = static_cast<uint8_t>(id);
    tag[1] = static_cast<uint8_t>(id >> 8);
    tag[2] = static_cast<uint8_t>(number);
    tag[3] = static_cast<uint8_t>(number >> 8);
    std::copy(header.begin(), header.end(), tag.begin() + 4);
    uint8_t* end = tag.data() + tag.size();
    end[-4] = static_cast<uint8_t>(rgb >> 16);
    end[-3] = static_cast<uint8_t>(rgb >> 8);
    end[-2] = static_cast<uint8_t>(rgb);
    end[-1] = side;
    return tag;
}

// What a test frame codes: a colour drawn as a side x side picture, after
// the codec's own first bytes.
struct CodedColour {
    uint32_t Rgb;
    uint8_t Side = 10;
    Bytes Header = {};
};

// A 100x100 stage whose frames each bring the next video frame and show it
// at the top left, 50x50 pixels.
Bytes VideoMovie(uint8_t codec, uint8_t flags, const std::vector<CodedColour>& frames)
{
    SwfTags tags;
    auto count = static_cast<uint16_t>(frames.size());
    tags.Background(0xFFFFFF).Tag(TagDefineVideoStream, VideoStreamTag(1, count, 50, 50, flags, codec));
    for (uint16_t i = 0; i < count; ++i) {
        tags.Tag(TagVideoFrame, VideoFrameTag(1, i, frames[i].Rgb, frames[i].Side, frames[i].Header));
        tags.Tag(26, i == 0 ? PlaceObject2({.depth = 1, .id = 1, .ratio = 0}) : PlaceObject2({.depth = 1, .ratio = i}));
        tags.ShowFrame();
    }
    SwfMovie movie;
    movie.widthTwips = movie.heightTwips = 100 * Px;
    movie.frameCount = count;
    movie.tags = tags.End().Take();
    return MakeSwf(movie);
}

// Sorenson H.263 frames of three colours, decoded as pictures of sides 10
// to 12: each drawn to the video's own size.
constexpr uint32_t Colours[] = {0xFF0000, 0x00FF00, 0x0000FF};
Bytes ColourMovie(uint8_t flags)
{
    return VideoMovie(2, flags, {{Colours[0], 10}, {Colours[1], 11}, {Colours[2], 12}});
}

std::vector<uint32_t> Render(MoviePlayer& player)
{
    std::vector<uint32_t> pixels(100 * 100);
    player.Render({pixels.data(), 100, 100, 100});
    return pixels;
}

TEST(Video, EachFrameShowsThePictureItsRatioNamesFilledToTheVideosSize)
{
    NoClock clock;
    MoviePlayer player(clock);
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    ASSERT_TRUE(player.Load(ColourMovie(0x01)));
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<uint32_t> pixels = Render(player);
        uint32_t colour = 0xFF000000u | Colours[frame];
        EXPECT_EQ(pixels[1 * 100 + 1], colour) << frame;
        EXPECT_EQ(pixels[48 * 100 + 48], colour) << frame;
        EXPECT_EQ(pixels[52 * 100 + 52], White) << frame;
        player.Step();
    }
    ASSERT_EQ(decoders.log.Formats.size(), 1u);
    EXPECT_EQ(decoders.log.Formats[0].Codec, VideoCodec::SorensonH263);
    EXPECT_EQ(decoders.log.Formats[0].Width, 50);
    EXPECT_TRUE(decoders.log.Formats[0].Deblocking);
}

TEST(Video, WithoutKeyFramesGoingBackDecodesAgainFromTheFirst)
{
    NoClock clock;
    MoviePlayer player(clock);
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    ASSERT_TRUE(player.Load(ColourMovie(0x02)));  // deblocking off
    player.Frames().GotoAndStop(2);
    EXPECT_EQ(Render(player)[0], 0xFF0000FFu);
    player.Frames().GotoAndStop(1);
    EXPECT_EQ(Render(player)[0], 0xFF00FF00u);
    std::vector<uint32_t> expected = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00};
    EXPECT_EQ(decoders.log.Packets, expected) << "every frame up to the one shown, in order, twice";
    ASSERT_EQ(decoders.log.Formats.size(), 2u);
    EXPECT_FALSE(decoders.log.Formats[1].Deblocking);
}

// VP6 frames of five colours; the first and the fourth are key frames,
// their first bit clear.
TEST(Video, DecodingStartsAtTheKeyFrameBeforeThePicture)
{
    const uint32_t colours[] = {0x000001, 0x000002, 0x000003, 0x000004, 0x000005};
    std::vector<CodedColour> frames;
    for (uint32_t rgb : colours) frames.push_back({rgb, 10, {static_cast<uint8_t>(rgb == 1 || rgb == 4 ? 0x00 : 0x80)}});
    NoClock clock;
    MoviePlayer player(clock);
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    ASSERT_TRUE(player.Load(VideoMovie(4, 0, frames)));
    for (size_t frame : {4, 1, 4}) {
        player.Frames().GotoAndStop(frame);
        EXPECT_EQ(Render(player)[0], 0xFF000000u | colours[frame]) << frame;
    }
    std::vector<uint32_t> order = {4, 5, 1, 2, 4, 5};
    for (uint32_t& colour : order) colour |= 0xFF000000u;
    EXPECT_EQ(decoders.log.Packets, order) << "from 4's key frame 3; back to 1 from 0; on to 4 from 3 again";
    EXPECT_EQ(decoders.log.Keys, (std::vector<bool>{true, false, true, false, true, false}));
}

// A picture of two pixels stretched over the video's 50 pixels: sharp
// without smoothing, blended with it.
TEST(Video, SmoothingBlendsThePicturesPixels)
{
    for (uint8_t flags : {0x00, 0x01}) {
        NoClock clock;
        MoviePlayer player(clock);
        ColourDecoders decoders;
        player.SetVideoDecoders(decoders);
        ASSERT_TRUE(player.Load(VideoMovie(2, flags, {{0xFF0000, 2}})));
        uint32_t pixel = Render(player)[10 * 100 + 22];
        if (flags == 0)
            EXPECT_EQ(pixel, 0xFFFF0000u);
        else
            EXPECT_TRUE((pixel & 0xFF) > 0x20 && (pixel & 0xFF) < 0xE0) << std::hex << pixel;
    }
}

// A jump far into a video without key frames shows the pictures on the way
// to the one wanted, a bounded number of frames decoded for each.
TEST(Video, AFarJumpCatchesUpOverThePicturesAfterIt)
{
    size_t count = MaxFramesDecodedPerPicture + 10;
    std::vector<CodedColour> frames;
    for (size_t i = 0; i < count; ++i) frames.push_back({static_cast<uint32_t>(i), 10});
    NoClock clock;
    MoviePlayer player(clock);
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    ASSERT_TRUE(player.Load(VideoMovie(2, 0, frames)));
    player.Frames().GotoAndStop(count - 1);
    EXPECT_EQ(Render(player)[0], 0xFF000000u | (MaxFramesDecodedPerPicture - 1));
    EXPECT_EQ(Render(player)[0], 0xFF000000u | (count - 1));
    EXPECT_EQ(decoders.log.Packets.size(), count) << "each frame once";
}

// The codecs' own headers: what makes a frame stand alone.
TEST(Video, KeyFramesAreKnownByTheirHeaders)
{
    struct Case {
        VideoCodec Codec;
        Bytes Data;
        bool Key;
    };
    const Case cases[] = {
        // H.263: start code, version 0, reference 0, size 2 (fixed), then the type.
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80, 0x01, 0x00}, true},
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80, 0x01, 0x20}, false},
        // Sizes 0 and 1 put a width and height of 8 and 16 bits before the type.
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80, 0x00, 0x7F, 0xFF, 0x80}, true},
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80, 0x00, 0x7F, 0xFF, 0xC0}, false},
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x80}, true},
        {VideoCodec::SorensonH263, {0x00, 0x00, 0x80}, false},
        {VideoCodec::SorensonH263, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}, false},
        {VideoCodec::Vp6, {0x00}, true},
        {VideoCodec::Vp6, {0x80}, false},
        {VideoCodec::Vp6, {}, false},
        {VideoCodec::Vp6Alpha, {0x80, 0x00, 0x10, 0x00}, true},
        {VideoCodec::Vp6Alpha, {0x00, 0x00, 0x10, 0x80}, false},
        {VideoCodec::Vp6Alpha, {0x00, 0x00, 0x10}, false},
        // Screen video: blocks of 16 over a 32x16 image, each length first.
        {VideoCodec::ScreenVideo, {0x00, 0x20, 0x00, 0x10, 0x00, 0x01, 0xAA, 0x00, 0x01, 0xBB}, true},
        {VideoCodec::ScreenVideo, {0x00, 0x20, 0x00, 0x10, 0x00, 0x01, 0xAA, 0x00, 0x00}, false},
        {VideoCodec::ScreenVideo, {0x00, 0x20, 0x00, 0x10, 0x00, 0x01, 0xAA, 0x00, 0x05, 0xBB}, false},
        {VideoCodec::ScreenVideo2, {0x00, 0x20, 0x00, 0x10, 0x02, 0x00, 0x01, 0xAA, 0x00, 0x01, 0xBB}, true},
        {VideoCodec::ScreenVideo2, {0x00, 0x20, 0x00, 0x10, 0x02, 0x00, 0x00, 0x00, 0x01, 0xBB}, false},
        {VideoCodec::ScreenVideo2, {0x00, 0x20, 0x00, 0x10, 0x01, 0x00, 0x01, 0xAA, 0x00, 0x01, 0xBB}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsKeyFrame(c.Codec, c.Data), c.Key) << static_cast<int>(c.Codec) << " " << c.Data.size();
}

TEST(Video, WithoutDecodersOrFramesAVideoDrawsNothing)
{
    NoClock clock;
    MoviePlayer player(clock);
    ASSERT_TRUE(player.Load(ColourMovie(0)));
    EXPECT_EQ(Render(player)[0], White);

    // A frame for an id that is no video, and one cut short, are let be.
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    SwfMovie movie;
    movie.widthTwips = movie.heightTwips = 100 * Px;
    movie.frameCount = 1;
    movie.tags = SwfTags()
                     .Tag(TagDefineVideoStream, VideoStreamTag(1, 1, 50, 50, 0, 2))
                     .Tag(TagVideoFrame, VideoFrameTag(2, 0, 0xFF0000, 10))
                     .Tag(TagVideoFrame, {1, 0, 0})
                     .Tag(26, PlaceObject2({.depth = 1, .id = 1}))
                     .ShowFrame()
                     .End()
                     .Take();
    ASSERT_TRUE(player.Load(MakeSwf(movie)));
    EXPECT_EQ(Render(player)[0], White);
    EXPECT_TRUE(decoders.log.Packets.empty());
}

}
