// Media not written by us: Debian's ffmpeg makes an SWF of JPEG frames from
// a known pattern, and every frame the player draws must match the pattern's
// frame (PSNR of at least 30 dB); it writes video of the Flash codecs into
// FLV files, whose tags mark the key frames that the player must find by
// itself in an SWF's frames. Native only: it runs ffmpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "FlvPackets.h"
#include "MoviePlayer.h"
#include "Psnr.h"

namespace {

constexpr int Width = 160, Height = 120, Frames = 12;

class NoClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::filesystem::path TemporaryFolder()
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tvm-ffswf-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    return dir;
}

const std::string source = "-f lavfi -i testsrc=size=" + std::to_string(Width) + "x" + std::to_string(Height)
                           + ":rate=10 -frames:v " + std::to_string(Frames);

TEST(FfmpegSwf, EveryFrameMatchesThePattern)
{
    std::filesystem::path dir = TemporaryFolder();
    std::string swf = (dir / "pattern.swf").string(), raw = (dir / "pattern.rgb").string();
    ASSERT_EQ(std::system(("ffmpeg -v error -y " + source + " -c:v mjpeg -q:v 2 -f swf " + swf).c_str()), 0);
    ASSERT_EQ(std::system(("ffmpeg -v error -y " + source + " -f rawvideo -pix_fmt rgb24 " + raw).c_str()), 0);
    std::vector<uint8_t> pattern = ReadAll(raw);
    ASSERT_EQ(pattern.size(), size_t{Width} * Height * 3 * Frames);

    NoClock clock;
    tvmplayer::MoviePlayer player(clock);
    ASSERT_TRUE(player.Load(ReadAll(swf)));
    player.Frames().SetLoop(false);
    std::vector<uint32_t> pixels(size_t{Width} * Height);
    for (int frame = 0; frame < Frames; ++frame) {
        EXPECT_EQ(player.Frames().Current(), static_cast<size_t>(frame));
        player.Render({pixels.data(), Width, Height, Width});
        EXPECT_GE(tvmtest::Psnr(pixels, pattern.data() + size_t{Width} * Height * 3 * frame), 30.0) << "frame " << frame;
        player.Step();
    }
    std::filesystem::remove_all(dir);
}

// H.263 with a key frame every fourth, screen video 1 and 2 with their
// encoders' own choice.
TEST(FfmpegSwf, KeyFramesAreTheOnesFfmpegMarks)
{
    std::filesystem::path dir = TemporaryFolder();
    const std::pair<const char*, tvmplayer::VideoCodec> codecs[] = {{"flv1 -g 4", tvmplayer::VideoCodec::SorensonH263},
                                                                    {"flashsv", tvmplayer::VideoCodec::ScreenVideo},
                                                                    {"flashsv2", tvmplayer::VideoCodec::ScreenVideo2}};
    for (const auto& [codec, number] : codecs) {
        std::string flv = (dir / "video.flv").string();
        ASSERT_EQ(std::system(("ffmpeg -v error -y " + source + " -c:v " + codec + " -f flv " + flv).c_str()), 0);
        std::vector<tvmtest::FlvPacket> packets = tvmtest::ReadFlvPackets(flv, 9);
        ASSERT_EQ(packets.size(), size_t{Frames}) << codec;
        size_t keys = 0;
        for (size_t i = 0; i < packets.size(); ++i) {
            bool key = (packets[i].First >> 4) == 1;
            keys += key;
            EXPECT_EQ(tvmplayer::IsKeyFrame(number, packets[i].Data), key) << codec << " frame " << i;
        }
        EXPECT_GE(keys, 1u) << codec;
        EXPECT_LT(keys, packets.size()) << codec;
    }
    std::filesystem::remove_all(dir);
}

}
