#pragma once
// What the drawing tests share: a 100x100 pixel stage, a movie played on it
// and drawn, and pixels compared within a tolerance.
#include <cstdint>
#include <vector>

#include "Bytes.h"
#include "MoviePlayer.h"

namespace tvmtest {

constexpr int Px = 20;  // twips per pixel

class NoClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return 0; }
};

struct Probe {
    int x, y;
    uint32_t argb;
};

// A movie of a 100x100 pixel stage with these tags.
Bytes StageMovie(const Bytes& tags, uint16_t frames = 1);

// The movie drawn after steps frames.
std::vector<uint32_t> DrawStage(const Bytes& swf, int steps = 0, int width = 100, int height = 100,
                                tvmplayer::ScaleMode mode = tvmplayer::ScaleMode::ShowAll, bool transparent = false);

// A JPEG file of one colour.
Bytes Jpeg(int width, int height, uint8_t r, uint8_t g, uint8_t b);

// Every channel within tolerance.
bool Near(uint32_t a, uint32_t b, int tolerance);

// Each probe's pixel of a 100 pixel wide drawing, within tolerance.
void ExpectProbes(const std::vector<uint32_t>& pixels, const std::vector<Probe>& probes, int tolerance);

}
