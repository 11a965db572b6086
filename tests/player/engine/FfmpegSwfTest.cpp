// A movie not written by us: Debian's ffmpeg makes an SWF of JPEG frames
// from a known pattern, and every frame the player draws must match the
// pattern's frame (PSNR of at least 30 dB). Native only: it runs ffmpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

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

TEST(FfmpegSwf, EveryFrameMatchesThePattern)
{
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tvm-ffswf-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string source = "-f lavfi -i testsrc=size=" + std::to_string(Width) + "x" + std::to_string(Height)
                         + ":rate=10 -frames:v " + std::to_string(Frames);
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

}
