#include "MoviePlayer.h"

#include "ActionClips.h"
#include "ActionMachine.h"
#include "ExternalCalls.h"
#include "StageRenderer.h"

namespace tvmplayer {
namespace {

// Gotos from frame actions may lead from frame to frame; this many in one
// step is a loop, not a movie.
constexpr int MaxFramesEnteredAtOnce = 64;

}

MoviePlayer::MoviePlayer(Clock& clock) : clock_(clock) {}

MoviePlayer::~MoviePlayer() = default;

void MoviePlayer::Retire()
{
    ReleaseRetired();
    if (machine_ && machine_->Running()) {
        retiredMachines_.push_back(std::move(machine_));
        if (movie_)
            retiredMovies_.push_back(std::make_unique<Movie>(std::move(*movie_)));
    }
    machine_.reset();
}

void MoviePlayer::ReleaseRetired()
{
    for (const auto& machine : retiredMachines_)
        if (machine->Running())
            return;
    retiredMachines_.clear();
    retiredMovies_.clear();
}

bool MoviePlayer::Load(std::span<const uint8_t> file, std::string_view variables)
{
    return Start(ParseMovie(file), variables);
}

void MoviePlayer::ReplaceMain(MainMovieLoad load)
{
    if (!load.Replacement || !movie_) {
        Unload();
        return;
    }
    Movie& replacement = *load.Replacement;
    replacement.XMin = movie_->XMin, replacement.XMax = movie_->XMax;
    replacement.YMin = movie_->YMin, replacement.YMax = movie_->YMax;
    replacement.Rate = movie_->Rate;
    Start(std::move(load.Replacement), {});
}

bool MoviePlayer::Start(std::optional<Movie> movie, std::string_view variables)
{
    // The stage is built from the movie: it goes first, after the levels.
    loaded_.Clear();
    stage_.reset();
    Retire();
    Sound.StopAll();
    spriteSounds_.Reset();
    videos_.Clear();
    shapes_.Clear();
    streams_.Reset();
    streamClock_.Reset();
    scriptSounds_.Reset();
    movie_ = std::move(movie);
    stageEvents_.clear();
    ResetTimeline(movie_ ? movie_->FrameCount : 0);
    if (movie_) {
        // The newer virtual machine's movies run no scripts, so raise nothing for them.
        sprites_.Events = movie_->ActionScript3 ? nullptr : &stageEvents_;
        sprites_.Version = movie_->Version;
        stage_ = std::make_unique<PlacedObject>();
        stage_->Link = std::make_shared<ClipLink>();
        stage_->Link->Object = stage_.get();
        stage_->Children = std::make_unique<DisplayList>(*movie_->Characters, movie_->Frames, movie_->FrameCount, 0,
                                                         sprites_, stage_->Link);
        stage_->Children->UseTimeline(timeline_);
    }
    lastFrameTime_ = startTime_ = clock_.Milliseconds();
    entered_.reset();
    initialised_.assign(movie_ ? movie_->FrameCount : 0, false);
    // The code of the newer virtual machine is not run: its timeline plays.
    if (movie_ && !movie_->ActionScript3)
    {
        machine_ = std::make_unique<ActionMachine>(*movie_, stage_->Link, *events_);
        machine_->InstructionBudget = InstructionsPerFrame;
    }
    SetVariablesFromQuery(variables);
    // The first frame's objects are placed before its actions run: its text
    // fields' variables are there for them.
    ShowCurrentFrame();
    if (machine_ && stage_)
        streams_.Install(*machine_, *stage_->Children, *movie_->Characters);
    if (machine_)
        scriptSounds_.Install(*machine_);
    StartScripts();
    RunReachedFrames();
    if (movie_)
        FrameReached(false, 0);
    SpriteFramesReached();
    return movie_.has_value();
}

void MoviePlayer::Unload()
{
    loaded_.Clear();
    stage_.reset();
    Sound.StopAll();
    spriteSounds_.Reset();
    videos_.Clear();
    streams_.Reset();
    streamClock_.Reset();
    scriptSounds_.Reset();
    Retire();
    movie_.reset();
    ResetTimeline(0);
    entered_.reset();
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
    // A script may have unloaded the movie on the way here.
    if (!movie_)
        return;
    reached_ = timeline_.Current();
    Sound.EnterFrame(*movie_, reached_, advanced && reached_ == previous + 1);
}

void MoviePlayer::SpriteFramesReached()
{
    if (movie_ && stage_)
        spriteSounds_.Hear(*stage_->Children, movie_->Sounds);
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
        if (!Advance())
            break;
        changed = true;
        if (timeline_.Current() != previous + 1)
            break;  // looped or sent elsewhere: the stream starts over
    }
    return changed;
}

void MoviePlayer::StartScripts()
{
    if (!machine_)
        return;
    machine_->StartFrame();
    machine_->Elapsed = clock_.Milliseconds() - startTime_;
}

void MoviePlayer::RunReachedFrames()
{
    if (!movie_)
        return;
    for (int i = 0; i < MaxFramesEnteredAtOnce && movie_; ++i) {
        // A frame's objects are there before its actions run, and the
        // frames scripts sent clips to are shown, their actions news.
        ShowCurrentFrame();
        bool rootMoved = entered_ != timeline_.Current();
        if (rootMoved) {
            size_t frame = timeline_.Current();
            entered_ = frame;
            if (machine_ && frame < movie_->Frames.size()) {
                const Frame& actions = movie_->Frames[frame];
                if (!initialised_[frame]) {
                    initialised_[frame] = true;
                    for (const auto& block : actions.InitActions) machine_->RunBlock(block, machine_->Root());
                }
                for (const auto& block : actions.Actions) machine_->RunBlock(block, machine_->Root());
                scriptsRan_ = scriptsRan_ || !actions.Actions.empty();
            }
        }
        if (machine_ && !stageEvents_.empty()) {
            RunStageEvents(*machine_, stageEvents_);
            scriptsRan_ = true;
        } else if (!rootMoved) {
            break;
        }
    }
    if (machine_ && !machine_->Running() && machine_->Heap().WantsCollection())
        machine_->CollectGarbage();
}

bool MoviePlayer::Advance()
{
    ReleaseRetired();
    StartScripts();
    scriptsRan_ = false;
    // The frame's scripts see where the scripts' sounds have got to.
    if (machine_)
        scriptSounds_.Run(*machine_);
    RunReachedFrames();
    // What scripts asked to load before this frame arrives now.
    if (machine_) {
        if (std::optional<MainMovieLoad> main = loaded_.Run(*machine_)) {
            ReplaceMain(std::move(*main));
            return true;
        }
        RunReachedFrames();
    }
    CatchUp();
    // The sprites already on the stage move on before the main timeline's
    // next frame places new ones, which start at their first frame.
    ShowCurrentFrame();
    if (stage_)
        stage_->Children->AdvanceChildren();
    loaded_.Advance();
    size_t before = timeline_.Current();
    bool moved = timeline_.Advance();
    if (moved)
        FrameReached(true, before);
    RunReachedFrames();
    bool streaming = false;
    if (machine_) {
        streaming = streams_.Run(*machine_);
        machine_->Timers.Run(*machine_, machine_->Elapsed);
        scriptsRan_ = RunEnterFrame(*machine_) || machine_->Timers.Active() || scriptsRan_;
    }
    RunReachedFrames();
    // Frames the scripts went to are heard and shown too.
    CatchUp();
    ShowCurrentFrame();
    SpriteFramesReached();
    return moved || streaming || timeline_.Current() != before || scriptsRan_ || (stage_ && stage_->Children->Animated())
           || loaded_.Animated();
}

bool MoviePlayer::Tick()
{
    if (!movie_)
        return false;
    streamClock_.Free();
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
    return Advance();
}

bool MoviePlayer::Step()
{
    lastFrameTime_ = clock_.Milliseconds();
    if (!movie_)
        return timeline_.Advance();
    return Advance();
}

bool MoviePlayer::StepPaced(double milliseconds)
{
    if (movie_)
        streamClock_.Step(milliseconds > 0 ? milliseconds : movie_->FrameMilliseconds());
    return Step();
}

void MoviePlayer::SetVariablesFromQuery(std::string_view query)
{
    for (const auto& [name, value] : ParseQuery(query)) SetVariable(name, value);
}

bool MoviePlayer::SetVariable(const std::string& path, const std::string& value)
{
    if (!machine_) {
        variables_.Set(path, value);
        return true;
    }
    StartScripts();
    return machine_->SetVariable(path, value);
}

std::optional<std::string> MoviePlayer::GetVariable(const std::string& path)
{
    if (!machine_)
        return variables_.Get(path);
    StartScripts();
    return machine_->GetVariable(path);
}

namespace {

bool IsRootName(const std::string& target)
{
    return target.empty() || target == "/" || target == "_root" || target == "_level0";
}

}

Timeline* MoviePlayer::FindTimeline(const std::string& target)
{
    if (!machine_)
        return IsRootName(target) ? &timeline_ : nullptr;
    ScriptObject* clip = machine_->FindClip(target.empty() ? "/" : target);
    return clip ? clip->Clip->Frames() : nullptr;
}

bool MoviePlayer::CallFrame(const std::string& target, const std::string& frame)
{
    if (!machine_)
        return IsRootName(target);
    ScriptObject* clip = machine_->FindClip(target.empty() ? "/" : target);
    if (!clip)
        return false;
    StartScripts();
    machine_->CallFrame(clip, frame);
    return true;
}

std::optional<std::string> MoviePlayer::GetProperty(const std::string& target, int property)
{
    if (!machine_)
        return std::nullopt;
    ScriptObject* clip = machine_->FindClip(target.empty() ? "/" : target);
    Value value;
    if (!clip || !GetClipProperty(*machine_, clip, ClipPropertyName(property), value))
        return std::nullopt;
    return machine_->ToString(value);
}

bool MoviePlayer::SetProperty(const std::string& target, int property, const std::string& value)
{
    if (!machine_)
        return false;
    ScriptObject* clip = machine_->FindClip(target.empty() ? "/" : target);
    return clip && SetClipProperty(*machine_, clip, ClipPropertyName(property), Value::FromString(value));
}

std::optional<std::string> MoviePlayer::CallFunction(const std::string& request)
{
    if (!machine_)
        return std::nullopt;
    StartScripts();
    std::optional<std::string> answer = AnswerHostCall(*machine_, request);
    RunReachedFrames();
    return answer;
}

void MoviePlayer::ShowCurrentFrame()
{
    if (!stage_)
        return;
    stage_->Children->Sync();
    loaded_.Sync();
    BindTextFields(*stage_->Children, *movie_->Characters, timeline_.Current(), *this);
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
    Canvas canvas(surface, &shapes_);
    StageRenderer renderer(canvas, *movie.Characters, timeline_.Current(), &videos_);
    renderer.ShowVariables(*this);
    renderer.DrawStage(*stage_, toSurface);
    loaded_.Draw(renderer, toSurface);
}

}
