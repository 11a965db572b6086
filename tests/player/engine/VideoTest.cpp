// Embedded video on the stage, through a decoder of the test's own: each
// coded frame is a colour and a picture size, and the decoder notes what it
// was given, in order, as a predicting codec would need it.
#include <gtest/gtest.h>

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
};

// A frame {r, g, b, side}: a side x side picture of that colour.
class ColourDecoder : public VideoDecoder {
public:
    explicit ColourDecoder(Decoded& log) : log_(log) {}
    std::optional<Bitmap> Decode(std::span<const uint8_t> data) override
    {
        if (data.size() < 4)
            return std::nullopt;
        uint32_t colour = 0xFF000000u | data[0] << 16 | data[1] << 8 | data[2];
        log_.Packets.push_back(colour);
        return Bitmap{data[3], data[3], std::vector<uint32_t>(size_t{data[3]} * data[3], colour)};
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

Bytes VideoFrameTag(uint16_t id, uint16_t number, uint32_t rgb, uint8_t side)
{
    return {static_cast<uint8_t>(id), static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(number),
            static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
            static_cast<uint8_t>(rgb), side};
}

constexpr uint32_t Colours[] = {0xFF0000, 0x00FF00, 0x0000FF};

// A 100x100 stage whose frames each bring the next video frame and show it
// at the top left, 50x50 pixels: frame i is Colours[i], decoded as a
// picture of side 10 + i, drawn to the video's own size.
Bytes VideoMovie(uint8_t flags)
{
    SwfTags tags;
    tags.Background(0xFFFFFF).Tag(TagDefineVideoStream, VideoStreamTag(1, 3, 50, 50, flags, 2));
    for (uint16_t i = 0; i < 3; ++i) {
        tags.Tag(TagVideoFrame, VideoFrameTag(1, i, Colours[i], static_cast<uint8_t>(10 + i)));
        tags.Tag(26, i == 0 ? PlaceObject2({.depth = 1, .id = 1, .ratio = 0}) : PlaceObject2({.depth = 1, .ratio = i}));
        tags.ShowFrame();
    }
    SwfMovie movie;
    movie.widthTwips = movie.heightTwips = 100 * Px;
    movie.frameCount = 3;
    movie.tags = tags.End().Take();
    return MakeSwf(movie);
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
    ASSERT_TRUE(player.Load(VideoMovie(0x01)));
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

TEST(Video, GoingBackDecodesAgainFromTheFirstFrame)
{
    NoClock clock;
    MoviePlayer player(clock);
    ColourDecoders decoders;
    player.SetVideoDecoders(decoders);
    ASSERT_TRUE(player.Load(VideoMovie(0x02)));  // deblocking off
    player.Frames().GotoAndStop(2);
    EXPECT_EQ(Render(player)[0], 0xFF0000FFu);
    player.Frames().GotoAndStop(1);
    EXPECT_EQ(Render(player)[0], 0xFF00FF00u);
    std::vector<uint32_t> expected = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00};
    EXPECT_EQ(decoders.log.Packets, expected) << "every frame up to the one shown, in order, twice";
    ASSERT_EQ(decoders.log.Formats.size(), 2u);
    EXPECT_FALSE(decoders.log.Formats[1].Deblocking);
}

TEST(Video, WithoutDecodersOrFramesAVideoDrawsNothing)
{
    NoClock clock;
    MoviePlayer player(clock);
    ASSERT_TRUE(player.Load(VideoMovie(0)));
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
