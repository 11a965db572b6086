#include "MoviePlayer.h"

#include "StageRenderer.h"

namespace tvmplayer {

bool MoviePlayer::Load(std::span<const uint8_t> file)
{
    stage_.reset();
    movie_ = ParseMovie(file);
    if (movie_) {
        DisplayList::Frames frames;
        for (const Frame& frame : movie_->Frames) frames.push_back(&frame.Display);
        stage_ = std::make_unique<DisplayList>(*movie_->Characters, std::move(frames), 0, sprites_);
    }
    ResetTimeline(movie_ ? movie_->Frames.size() : 0);
    lastFrameTime_ = clock_.Milliseconds();
    return movie_.has_value();
}

void MoviePlayer::Unload()
{
    stage_.reset();
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
    return AdvanceFrame();
}

bool MoviePlayer::Step()
{
    lastFrameTime_ = clock_.Milliseconds();
    return AdvanceFrame();
}

// The sprites already on the stage move on before the main timeline's
// next frame places new ones, which start at their first frame.
bool MoviePlayer::AdvanceFrame()
{
    if (!stage_)
        return timeline_.Advance();
    ShowCurrentFrame();
    stage_->AdvanceChildren();
    bool changed = timeline_.Advance();
    ShowCurrentFrame();
    return changed || stage_->Animated();
}

void MoviePlayer::ShowCurrentFrame()
{
    if (stage_)
        stage_->Goto(timeline_.Current());
}

Colour MoviePlayer::Background() const
{
    if (BackgroundOverride)
        return *BackgroundOverride;
    return movie_ ? movie_->Background : 0xFFFFFFFF;
}

void MoviePlayer::Render(const Surface& surface)
{
    // The background also fills the margins that showAll leaves.
    Fill(surface, Transparent ? 0 : Background());
    if (!stage_ || surface.Width <= 0 || surface.Height <= 0)
        return;
    ShowCurrentFrame();
    const Movie& movie = *movie_;
    StageTransform fit = FitStage(movie.StageWidth(), movie.StageHeight(), surface.Width, surface.Height, Scale);
    // Twips to surface pixels.
    double sx = fit.ScaleX / 20, sy = fit.ScaleY / 20;
    Matrix toSurface{sx, 0, 0, sy, fit.OffsetX - movie.XMin * sx, fit.OffsetY - movie.YMin * sy};
    Canvas canvas(surface);
    StageRenderer(canvas, *movie.Characters, timeline_.Current()).Draw(*stage_, toSurface, {});
}

}
