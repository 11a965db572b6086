#include "MoviePlayer.h"

namespace tvmplayer {

bool MoviePlayer::Load(std::span<const uint8_t> file)
{
    movie_ = ParseMovie(file);
    ResetTimeline(movie_ ? movie_->Frames.size() : 0);
    lastFrameTime_ = clock_.Milliseconds();
    return movie_.has_value();
}

void MoviePlayer::Unload()
{
    movie_.reset();
    ResetTimeline(0);
}

void MoviePlayer::ResetTimeline(size_t frameCount)
{
    // Looping is the host's setting, not the movie's: it outlives the movie.
    bool loop = timeline_.Loop();
    timeline_ = Timeline(frameCount);
    timeline_.SetLoop(loop);
}

bool MoviePlayer::Tick()
{
    if (!movie_)
        return false;
    uint32_t now = clock_.Milliseconds();
    // Wrapping subtraction: right across the clock's wrap-around too.
    if (now - lastFrameTime_ < movie_->FrameMilliseconds())
        return false;
    lastFrameTime_ = now;
    return timeline_.Advance();
}

bool MoviePlayer::Step()
{
    lastFrameTime_ = clock_.Milliseconds();
    return timeline_.Advance();
}

Colour MoviePlayer::Background() const
{
    if (BackgroundOverride)
        return *BackgroundOverride;
    return movie_ ? movie_->Background : 0xFFFFFFFF;
}

void MoviePlayer::Render(const Surface& surface) const
{
    // Nothing of the stage is drawn yet but its background, which also
    // fills the margins that showAll leaves.
    Fill(surface, Transparent ? 0 : Background());
}

}
