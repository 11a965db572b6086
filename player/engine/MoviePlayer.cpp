#include "MoviePlayer.h"

namespace tvmplayer {

bool MoviePlayer::Load(std::span<const uint8_t> file)
{
    Sound.StopAll();
    movie_ = ParseMovie(file);
    ResetTimeline(movie_ ? movie_->Frames.size() : 0);
    lastFrameTime_ = clock_.Milliseconds();
    if (movie_)
        FrameReached(false, 0);
    return movie_.has_value();
}

void MoviePlayer::Unload()
{
    Sound.StopAll();
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

void MoviePlayer::FrameReached(bool advanced, size_t previous)
{
    reached_ = timeline_.Current();
    Sound.EnterFrame(*movie_, reached_, advanced && reached_ == previous + 1);
}

void MoviePlayer::CatchUp()
{
    if (timeline_.Current() != reached_)
        FrameReached(false, reached_);
    // A stop stops the stream, except the stop at the end, which lets its
    // last block be heard.
    bool atEnd = timeline_.Current() + 1 >= timeline_.FrameCount();
    if (!timeline_.Playing() && !atEnd && Sound.StreamPlaying())
        Sound.StopStream();
}

bool MoviePlayer::FollowStream(size_t frame)
{
    bool changed = false;
    while (timeline_.Playing() && timeline_.Current() < frame) {
        size_t previous = timeline_.Current();
        if (!timeline_.Advance())
            break;
        changed = true;
        FrameReached(true, previous);
        if (timeline_.Current() != previous + 1)
            break;  // looped: the stream starts over
    }
    return changed;
}

bool MoviePlayer::Tick()
{
    if (!movie_)
        return false;
    CatchUp();
    uint32_t now = clock_.Milliseconds();
    if (std::optional<size_t> paced = Sound.StreamFrame()) {
        lastFrameTime_ = now;
        return FollowStream(*paced);
    }
    // Wrapping subtraction: right across the clock's wrap-around too.
    if (now - lastFrameTime_ < movie_->FrameMilliseconds())
        return false;
    lastFrameTime_ = now;
    return Step();
}

bool MoviePlayer::Step()
{
    lastFrameTime_ = clock_.Milliseconds();
    if (!movie_)
        return timeline_.Advance();
    CatchUp();
    size_t previous = timeline_.Current();
    if (!timeline_.Advance())
        return false;
    FrameReached(true, previous);
    return true;
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
