// Any bytes at all as a movie: the parser must answer, never crash, hang or
// read outside them. Whatever it accepts is also played, heard and drawn,
// its actions run for a few frames under a small budget, and the host's
// calls into its scripts are made once. What its scripts load is the movie
// itself, whatever they name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "MoviePlayer.h"

namespace {

class StepClock : public tvmplayer::Clock {
public:
    uint32_t Milliseconds() override { return now_ += 40; }

private:
    uint32_t now_ = 0;
};

// Any sound data as 16-bit samples, whatever its format says.
class RawDecoder : public tvmplayer::SoundDecoder {
public:
    void Decode(std::span<const uint8_t> data, std::vector<int16_t>& out) override
    {
        for (size_t i = 0; i + 1 < data.size(); i += 2) out.push_back(static_cast<int16_t>(data[i] | data[i + 1] << 8));
        if (out.size() % 2)
            out.push_back(0);
    }
    void Finish(std::vector<int16_t>&) override {}
};

class SelfLoader : public tvmplayer::MovieLoader {
public:
    explicit SelfLoader(std::span<const uint8_t> movie) : movie_(movie) {}
    std::optional<std::vector<uint8_t>> Read(const std::string&, size_t limit) override
    {
        if (movie_.size() > limit)
            return std::nullopt;
        return std::vector<uint8_t>(movie_.begin(), movie_.end());
    }

private:
    std::span<const uint8_t> movie_;
};

class RawDecoders : public tvmplayer::SoundDecoders {
public:
    std::unique_ptr<tvmplayer::SoundDecoder> Create(const tvmplayer::SoundFormat&) override
    {
        return std::make_unique<RawDecoder>();
    }
};

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StepClock clock;
    tvmplayer::MoviePlayer player(clock);
    player.InstructionsPerFrame = 20000;
    SelfLoader loader({data, size});
    player.SetMovieLoader(loader);
    if (!player.Load(std::span<const uint8_t>(data, size), "a=1&b=two"))
        return 0;
    const tvmplayer::Movie& movie = *player.CurrentMovie();
    for (const tvmplayer::Frame& frame : movie.Frames)
        for (const std::string& label : frame.Labels)
            player.Frames().GotoAndPlay(movie.FindLabel(label).value_or(0));
    RawDecoders decoders;
    std::vector<int32_t> mix(2 * 512);
    player.Sound.SetMixing(true);
    // Drawn at a size where shapes cover real pixels, frame after frame, so
    // that sprites move and masks and morphs change.
    std::vector<uint32_t> pixels(64 * 48);
    for (uint32_t i = 0; i < 8; ++i) {
        player.Tick();
        player.Sound.Mix(mix, i * 512u, decoders);
        player.Sound.Played(i * 512u);
        player.Render({pixels.data(), 64, 48, 64});
    }
    player.SetVariable("/:a", "x");
    player.GetVariable("_root.b");
    player.CallFrame("/", "2");
    player.GetProperty("/", 4);
    player.CallFunction("<invoke name=\"f\" returntype=\"xml\"><arguments><number>1</number></arguments></invoke>");
    tvmplayer::FitStage(movie.StageWidth(), movie.StageHeight(), 8, 6, tvmplayer::ScaleMode::ShowAll);
    return 0;
}
