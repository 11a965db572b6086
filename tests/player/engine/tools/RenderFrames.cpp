// Plays a movie in the player's engine natively and writes chosen frames as
// PNG files, so that anyone can look at what the player draws (see
// RenderOptions.h). render_frames_host does the same under the host.
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MoviePlayer.h"
#include "RenderOptions.h"

namespace {

class NoClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

int Usage()
{
    std::fprintf(stderr, "usage: render_frames %s\n", RenderUsage);
    return 2;
}

}

int main(int argc, char** argv)
{
    RenderOptions options;
    if (!ParseRenderOptions(argc, argv, options))
        return Usage();
    std::ifstream in(options.Movie, std::ios::binary);
    std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    NoClock clock;
    tvmplayer::MoviePlayer player(clock);
    if (!player.Load(file)) {
        std::fprintf(stderr, "render_frames: %s is not a movie the player can read\n", options.Movie.c_str());
        return 1;
    }
    player.Transparent = options.Transparent;
    player.Frames().SetLoop(false);
    int width = static_cast<int>(player.CurrentMovie()->StageWidth() * options.Scale);
    int height = static_cast<int>(player.CurrentMovie()->StageHeight() * options.Scale);
    if (width <= 0 || height <= 0)
        return Usage();
    const std::filesystem::path out = options.Out;
    std::filesystem::create_directories(out);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t frame = 1; frame <= *options.Frames.rbegin(); ++frame) {
        if (options.Frames.count(frame)) {
            player.Render({pixels.data(), width, height, width});
            cairo_surface_t* surface = cairo_image_surface_create_for_data(
                reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32, width, height, width * 4);
            std::string path = (out / ("frame-" + std::to_string(frame) + ".png")).string();
            cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
            cairo_surface_destroy(surface);
            if (status != CAIRO_STATUS_SUCCESS) {
                std::fprintf(stderr, "render_frames: cannot write %s: %s\n", path.c_str(),
                             cairo_status_to_string(status));
                return 1;
            }
            std::printf("%s\n", path.c_str());
        }
        player.Step();
    }
    return 0;
}
