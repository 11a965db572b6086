#pragma once
// One movie playing: what a control instance holds. It keeps time by the
// clock it is given and draws into the surface it is given; its frames'
// actions run as the frames are reached.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ActionSound.h"
#include "Clock.h"
#include "DisplayList.h"
#include "LoadedMovies.h"
#include "Movie.h"
#include "MovieSound.h"
#include "NetStream.h"
#include "ScriptEvents.h"
#include "ShapeCache.h"
#include "SpriteSounds.h"
#include "StepClock.h"
#include "Surface.h"
#include "TextFields.h"
#include "Timeline.h"
#include "Variables.h"
#include "VideoStream.h"

namespace tvmplayer {

class ActionMachine;

class MoviePlayer : private VariableAccess {
public:
    explicit MoviePlayer(Clock& clock);
    ~MoviePlayer() override;

    // Where the scripts' messages go; for the movies loaded after.
    void SetScriptEvents(ScriptEvents& events) { events_ = &events; }

    // Loads a whole file; variables ("a=1&b=2") are set before the first
    // frame's actions run. A file that is not a readable movie leaves an
    // empty movie of no frames behind and answers false; the player stays
    // usable. Safe from inside the movie's own scripts.
    bool Load(std::span<const uint8_t> file, std::string_view variables = {});
    // Where the movie loaded next comes from (a path or an address): the
    // movies and variables its scripts load are found from there.
    void SetLocation(std::string location) { loaded_.Location = std::move(location); }
    // Where what scripts load is read; none reads nothing, and every load fails.
    void SetMovieLoader(MovieLoader& loader) { loaded_.SetLoader(&loader); }
    void Unload();

    bool HasMovie() const { return movie_.has_value(); }
    const Movie* CurrentMovie() const { return movie_ ? &*movie_ : nullptr; }
    Timeline& Frames() { return timeline_; }
    const Timeline& Frames() const { return timeline_; }
    // The root's variables of a movie that runs no scripts.
    Variables& Root() { return variables_; }
    // The machine of the movie's scripts; none for a movie that has no
    // scripts to run.
    ActionMachine* Scripts() { return machine_.get(); }

    // Called as often as the host likes: moves on by one frame once a
    // frame's time has passed since the last one, or while a stream sound
    // plays, to the frame its sound has reached. Answers whether the frame
    // that shows changed, or a sprite in it moved on.
    bool Tick();
    // One frame on at once, whatever the time.
    bool Step();
    // The host's step when it paces the movie itself: one frame on, and the
    // videos' time by that many milliseconds (0 or less: one of the movie's
    // frames), until it ticks again.
    bool StepPaced(double milliseconds = 0);
    // Runs the actions of frames that the host went to since the last run.
    void RunReachedFrames();

    // The host's access to the action model. Paths name variables
    // ("name", "/clip:name", "_root.clip.name"), targets name clips.
    void SetVariablesFromQuery(std::string_view query);
    bool SetVariable(const std::string& path, const std::string& value);
    std::optional<std::string> GetVariable(const std::string& path);
    // The timeline of a target: the root's for "", "/", "_root", "_level0".
    Timeline* FindTimeline(const std::string& target);
    // A frame's actions in place: frame is a number from 1 or a label.
    bool CallFrame(const std::string& target, const std::string& frame);
    // A clip property by GetProperty's numbers.
    std::optional<std::string> GetProperty(const std::string& target, int property);
    bool SetProperty(const std::string& target, int property, const std::string& value);
    // A function the movie offered the host: the answer as XML.
    std::optional<std::string> CallFunction(const std::string& request);

    // How much the scripts of one frame may do before they are stopped.
    size_t InstructionsPerFrame = 10'000'000;

    ScaleMode Scale = ScaleMode::ShowAll;
    bool Transparent = false;
    // A background of the host's choosing instead of the movie's.
    std::optional<Colour> BackgroundOverride;

    Colour Background() const;
    // The stage at the timeline's frame, scaled to the surface by Scale.
    void Render(const Surface& surface);

    // What the movie sounds like; the process's mixer plays it.
    MovieSound Sound;
    // Where the movies' videos are decoded; none draws no video.
    void SetVideoDecoders(VideoDecoders& decoders) { videos_.SetDecoders(&decoders); }
    // Where the scripts' streams open video files; none opens nothing.
    void SetMediaSources(MediaSources& sources) { streams_.SetSources(&sources); }

private:
    // Text fields read and set the variables as the host does.
    std::optional<std::string> Read(const std::string& path) override { return GetVariable(path); }
    void Write(const std::string& path, const std::string& value) override { SetVariable(path, value); }

    bool Start(std::optional<Movie> movie, std::string_view variables);
    // A script's load into level 0: the movie replaced, on the same stage
    // at the same rate, or unloaded.
    void ReplaceMain(MainMovieLoad load);
    void ResetTimeline(size_t frameCount);
    // The sound hears of every frame reached: by playing (advanced) or by
    // being sent there.
    void FrameReached(bool advanced, size_t previous);
    // The same for the sprites' timelines, once their frames show.
    void SpriteFramesReached();
    void CatchUp();
    bool FollowStream(size_t frame);
    bool Advance();
    void StartScripts();
    // Keeps the machine and movie of a script that is running while it is
    // replaced, until it has ended.
    void Retire();
    void ReleaseRetired();
    void ShowCurrentFrame();

    Clock& clock_;
    ScriptEvents noEvents_;
    ScriptEvents* events_ = &noEvents_;
    std::optional<Movie> movie_;
    Timeline timeline_;
    Variables variables_;
    std::unique_ptr<ActionMachine> machine_;
    std::vector<std::unique_ptr<ActionMachine>> retiredMachines_;
    std::vector<std::unique_ptr<Movie>> retiredMovies_;
    // The frame whose actions ran last; none before the first.
    std::optional<size_t> entered_;
    std::vector<bool> initialised_;
    uint32_t lastFrameTime_ = 0;
    // The frame the sound last heard of.
    size_t reached_ = 0;
    uint32_t startTime_ = 0;
    SpriteCount sprites_;
    VideoPictures videos_;
    ShapeCache shapes_;
    StepClock streamClock_{clock_};
    NetStreams streams_{streamClock_, Sound, videos_};
    ScriptSounds scriptSounds_{Sound};
    SpriteSounds spriteSounds_{Sound};
    // What the sprites raised for the scripts since they last ran.
    std::vector<StageEvent> stageEvents_;
    // Whether scripts ran in this step, which may have changed the picture.
    bool scriptsRan_ = false;
    // The main timeline as an object on the stage, its display list its
    // children; built from movie_, so it goes first.
    std::unique_ptr<PlacedObject> stage_;
    // The levels above it go first.
    LoadedMovies loaded_{sprites_};
};

}
