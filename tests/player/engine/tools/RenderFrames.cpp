// Plays a movie in the player's engine and writes chosen frames as PNG
// files, so that anyone can look at what the player draws. Native only.
//
//   render_frames movie.swf --frames 1,10,24 --out DIR [--scale S] [--transparent]
// Frames count from 1; each lands in DIR/frame-N.png.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MoviePlayer.h"

namespace {

class NoClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

int Usage()
{
    std::fprintf(stderr, "usage: render_frames movie.swf --frames 1,10,24 --out DIR [--scale S] [--transparent]\n");
    return 2;
}

}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::set<size_t> frames;
    std::filesystem::path out = ".";
    double scale = 1;
    bool transparent = false;
    for (int i = 2; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--transparent") {
            transparent = true;
        } else if (i + 1 < argc && option == "--frames") {
            std::stringstream list(argv[++i]);
            for (std::string item; std::getline(list, item, ',');) frames.insert(std::stoul(item));
        } else if (i + 1 < argc && option == "--out") {
            out = argv[++i];
        } else if (i + 1 < argc && option == "--scale") {
            scale = std::atof(argv[++i]);
        } else {
            return Usage();
        }
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    NoClock clock;
    tvmplayer::MoviePlayer player(clock);
    if (!player.Load(file)) {
        std::fprintf(stderr, "render_frames: %s is not a movie the player can read\n", argv[1]);
        return 1;
    }
    player.Transparent = transparent;
    player.Frames().SetLoop(false);
    int width = static_cast<int>(player.CurrentMovie()->StageWidth() * scale);
    int height = static_cast<int>(player.CurrentMovie()->StageHeight() * scale);
    if (width <= 0 || height <= 0 || frames.empty() || *frames.begin() == 0)
        return Usage();
    std::filesystem::create_directories(out);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (size_t frame = 1; frame <= *frames.rbegin(); ++frame) {
        if (frames.count(frame)) {
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
