#include "StageDrawing.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "SwfFixtures.h"

namespace tvmtest {

Bytes StageMovie(const Bytes& tags, uint16_t frames)
{
    SwfMovie movie;
    movie.widthTwips = movie.heightTwips = 100 * Px;
    movie.frameCount = frames;
    movie.tags = tags;
    return MakeSwf(movie);
}

std::vector<uint32_t> DrawStage(const Bytes& swf, int steps, int width, int height, tvmplayer::ScaleMode mode,
                                bool transparent)
{
    NoClock clock;
    tvmplayer::MoviePlayer player(clock);
    EXPECT_TRUE(player.Load(swf));
    for (int i = 0; i < steps; ++i) player.Step();
    player.Scale = mode;
    player.Transparent = transparent;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    player.Render({pixels.data(), width, height, width});
    return pixels;
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > tolerance)
            return false;
    return true;
}

void ExpectProbes(const std::vector<uint32_t>& pixels, const std::vector<Probe>& probes, int tolerance)
{
    for (const Probe& probe : probes) {
        uint32_t got = pixels[static_cast<size_t>(probe.y) * 100 + probe.x];
        EXPECT_TRUE(Near(got, probe.argb, tolerance))
            << "at " << probe.x << "," << probe.y << ": " << std::hex << got << " instead of " << probe.argb;
    }
}

}
