// Renders a 550x400 movie of 200 overlapping gradient and bitmap shapes,
// moving a little every frame, and prints frames per second and the 99th
// percentile frame time, by the wall clock and by the processor time the
// process used (the fairer figure on a busy machine). A measurement, not a test.
//
//   draw_benchmark [frames]    default 600
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "MoviePlayer.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmtest;

constexpr int Shapes = 200;
constexpr int Frames = 24;

class NoClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

Bytes BenchmarkMovie()
{
    std::vector<uint32_t> texture(64 * 64);
    for (size_t i = 0; i < texture.size(); ++i)
        texture[i] = (i / 64 + i % 64) % 16 < 8 ? 0xFF2060C0 : 0xC0C04010;
    SwfTags tags;
    tags.Background(0x202020).Tag(TagDefineBitsLossless2, LosslessBitmap(1, 64, 64, texture));
    for (int i = 0; i < Shapes; ++i) {
        uint16_t id = static_cast<uint16_t>(10 + i);
        Bytes fill;
        if (i % 2) {
            SwfGradient g;
            g.type = i % 4 == 1 ? 0x10 : 0x13;
            g.matrix.a = g.matrix.d = 2400 / 32768.0;
            g.matrix.tx = g.matrix.ty = 1200;
            g.spread = static_cast<uint8_t>(i % 3);
            g.focal = 0.4;
            g.stops = {{0, 0xFFFF0000 | static_cast<uint32_t>(i)}, {128, 0x8000FF00}, {255, 0xFF0000FF}};
            fill = GradientFill(g);
        } else {
            fill = BitmapFill(i % 4 == 0 ? 0x40 : 0x43, 1, SwfMatrix{.a = 20, .d = 20});
        }
        tags.Tag(TagDefineShape3, RectangleShape(id, {0, 0, 2400, 2400}, fill));
    }
    for (int frame = 0; frame < Frames; ++frame) {
        for (int i = 0; i < Shapes; ++i) {
            SwfPlace place{.depth = static_cast<uint16_t>(1 + i)};
            if (frame == 0) place.id = static_cast<uint16_t>(10 + i);
            int x = (i * 37 + frame * 7) % 430, y = (i * 53 + frame * 3) % 280;
            place.matrix = SwfMatrix{.tx = x * 20, .ty = y * 20};
            tags.Tag(TagPlaceObject2, PlaceObject2(place));
        }
        tags.ShowFrame();
    }
    SwfMovie movie;
    movie.widthTwips = 550 * 20;
    movie.heightTwips = 400 * 20;
    movie.frameCount = Frames;
    movie.tags = tags.End().Take();
    return MakeSwf(movie);
}

}

int main(int argc, char** argv)
{
    int frames = argc > 1 ? std::atoi(argv[1]) : 600;
    NoClock clock;
    tvmplayer::MoviePlayer player(clock);
    if (!player.Load(BenchmarkMovie()) || frames <= 0) {
        std::fprintf(stderr, "draw_benchmark: the benchmark movie did not load\n");
        return 1;
    }
    std::vector<uint32_t> pixels(550 * 400);
    std::vector<double> times;
    using Clock = std::chrono::steady_clock;
    Clock::time_point start = Clock::now();
    std::clock_t cpuStart = std::clock();
    for (int i = 0; i < frames; ++i) {
        Clock::time_point before = Clock::now();
        player.Step();
        player.Render({pixels.data(), 550, 400, 550});
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - before).count());
    }
    double total = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::sort(times.begin(), times.end());
    double p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    std::printf("draw_benchmark: 550x400, %d shapes, %d frames: %.1f frames per second (%.1f per processor "
                "second), p99 %.2f ms\n",
                Shapes, frames, frames / total, frames / cpu, p99);
    return 0;
}
