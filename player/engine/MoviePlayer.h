#pragma once
// One movie playing: what a control instance holds. It keeps time by the
// clock it is given and draws into the surface it is given.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "Clock.h"
#include "DisplayList.h"
#include "Movie.h"
#include "Surface.h"
#include "Timeline.h"
#include "Variables.h"

namespace tvmplayer {

class MoviePlayer {
public:
    explicit MoviePlayer(Clock& clock) : clock_(clock) {}

    // Loads a whole file. A file that is not a readable movie leaves an empty
    // movie of no frames behind and answers false; the player stays usable.
    bool Load(std::span<const uint8_t> file);
    void Unload();

    bool HasMovie() const { return movie_.has_value(); }
    const Movie* CurrentMovie() const { return movie_ ? &*movie_ : nullptr; }
    Timeline& Frames() { return timeline_; }
    const Timeline& Frames() const { return timeline_; }
    Variables& Root() { return variables_; }

    // Called as often as the host likes: moves on by one frame once a
    // frame's time has passed since the last one. Answers whether the frame
    // that shows changed, or a sprite in it moved on.
    bool Tick();
    // One frame on at once, whatever the time.
    bool Step();

    ScaleMode Scale = ScaleMode::ShowAll;
    bool Transparent = false;
    // A background of the host's choosing instead of the movie's.
    std::optional<Colour> BackgroundOverride;

    Colour Background() const;
    // The stage at the timeline's frame, scaled to the surface by Scale.
    void Render(const Surface& surface);

private:
    void ResetTimeline(size_t frameCount);
    bool AdvanceFrame();
    void ShowCurrentFrame();

    Clock& clock_;
    std::optional<Movie> movie_;
    Timeline timeline_;
    Variables variables_;
    uint32_t lastFrameTime_ = 0;
    SpriteCount sprites_;
    // The main timeline's display list; built from movie_, so it goes first.
    std::unique_ptr<DisplayList> stage_;
};

}
