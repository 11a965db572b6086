#include "StageDrawing.h"

#include <gtest/gtest.h>

#include <cstdlib>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

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

Bytes Jpeg(int width, int height, uint8_t r, uint8_t g, uint8_t b)
{
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row;
    for (int x = 0; x < width; ++x) row.insert(row.end(), {r, g, b});
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    Bytes jpeg(out, out + size);
    jpeg_destroy_compress(&info);
    std::free(out);
    return jpeg;
}

}
