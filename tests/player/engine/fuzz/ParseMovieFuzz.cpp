// Any bytes at all as a movie: the parser must answer, never crash, hang or
// read outside them. Whatever it accepts is also played and drawn.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "MoviePlayer.h"

namespace {

class StepClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return now_ += 40; }

private:
    uint32_t now_ = 0;
};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StepClock clock;
    tvmplayer::MoviePlayer player(clock);
    if (!player.Load(std::span<const uint8_t>(data, size)))
        return 0;
    const tvmplayer::Movie& movie = *player.CurrentMovie();
    for (const tvmplayer::Frame& frame : movie.Frames)
        for (const std::string& label : frame.Labels)
            player.Frames().GotoAndPlay(movie.FindLabel(label).value_or(0));
    // Drawn at a size where shapes cover real pixels, frame after frame, so
    // that sprites move and masks and morphs change.
    std::vector<uint32_t> pixels(64 * 48);
    for (int i = 0; i < 4; ++i) {
        player.Tick();
        player.Render({pixels.data(), 64, 48, 64});
    }
    tvmplayer::FitStage(movie.StageWidth(), movie.StageHeight(), 8, 6, tvmplayer::ScaleMode::ShowAll);
    return 0;
}
