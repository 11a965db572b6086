#pragma once
// NetConnection, NetStream and Video as ActionScript 2 knows them, for
// movies that play a video file beside their own frames, such as the
// program's FLV-player movie. A stream plays a file that the host opens; its
// pictures show in the placed videos it is attached to, scaled to them; its
// sound joins the movie's in the mixer beside every other stream's. While the
// mixer plays it the stream's time is its sound played, so that picture and
// sound stay together; while the host steps the movie, the time is the steps'
// and the sound is handed over ahead, at the pace the host takes it.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MediaSource.h"
#include "StepClock.h"
#include "VideoStream.h"

namespace tvmplayer {

class ActionMachine;
class Dictionary;
class DisplayList;
class MovieSound;
class ScriptObject;
class SoundFeed;

// Sound decoded ahead of the device, and pictures kept ahead of the time
// they show while that sound is read.
inline constexpr double StreamSoundLead = 0.5;
inline constexpr size_t MaxPicturesAhead = 24;
// Pieces read in one step at most: a seek far into a file without key
// frames catches up over several steps instead of holding up the frames.
inline constexpr size_t MaxPiecesPerStep = 2048;

// One NetStream object's playing.
class StreamPlayback final : public PictureSource {
public:
    StreamPlayback(StepClock& clock, MovieSound& sound);
    ~StreamPlayback();
    StreamPlayback(const StreamPlayback&) = delete;
    StreamPlayback& operator=(const StreamPlayback&) = delete;

    // Starts a file from its beginning.
    void Play(std::unique_ptr<MediaSource> source);
    void Close();
    // Toggles without a flag.
    void Pause(std::optional<bool> paused);
    void Seek(double seconds);
    // Reads and shows what is due at the stream's time.
    void Step();

    double Time() const { return time_; }
    uint64_t Size() const { return source_ ? source_->Size() : 0; }
    bool Playing() const { return state_ == State::Playing; }
    // The status codes that came up since the last call, oldest first.
    std::vector<std::string> TakeEvents();
    const Bitmap* CurrentPicture() const override { return picture_ ? &*picture_ : nullptr; }

private:
    enum class State { Idle, Playing, Paused, Ended };

    double Clocked();
    // The host began stepping the movie, or stopped: the time goes on from
    // where it stands, in the clock's new way.
    void FollowClock();
    // The sound has ended before the pictures: the time keeps to the clock.
    void Deafen();
    // The mixer's device opened after the stream started: from now on the
    // stream's sound is heard and, unless the host steps the movie, its time
    // follows the sound played.
    void Hear();
    // Reading starts again at seconds, from the key frame before it.
    void Restart(double seconds);
    // The time counts from seconds on; nothing read ahead is kept.
    void Rebase(double seconds);
    void Take(MediaPiece& piece);
    bool SoundHeard() const { return heard_ && state_ == State::Playing; }
    bool TimeFollowsSound() const { return heard_ && !stepped_; }

    StepClock& clock_;
    MovieSound& sound_;
    std::shared_ptr<SoundFeed> feed_;
    std::unique_ptr<MediaSource> source_;
    State state_ = State::Idle;
    bool heard_ = false;
    // Whether the clock was stepped when the time was last based on it.
    bool stepped_ = false;
    double base_ = 0;  // the time at which the sound or clock count from
    uint32_t clockStart_ = 0;
    double time_ = 0;
    double skipUntil_ = 0;
    bool baseOnSound_ = false;
    bool exhausted_ = false;
    // The last picture read and the spacing of the pictures before it: the
    // stream ends once that picture has shown as long as the others did.
    double lastPicture_ = -1;
    double pictureSpacing_ = 0;
    std::optional<MediaPiece> next_;
    std::deque<std::pair<double, Bitmap>> ahead_;
    std::optional<Bitmap> picture_;
    std::vector<std::string> events_;
};

// The streams and videos of one movie's scripts.
class NetStreams {
public:
    NetStreams(StepClock& clock, MovieSound& sound, VideoPictures& videos)
        : clock_(clock), sound_(sound), videos_(videos)
    {
    }

    // Where streams open their files; none opens nothing.
    void SetSources(MediaSources* sources) { sources_ = sources; }
    // The constructors go into the machine's globals, and every named video
    // placed on the stage's frame becomes a Video object of the root.
    void Install(ActionMachine& machine, const DisplayList& stage, const Dictionary& characters);
    // Each stream moves on to its time and tells its onStatus what happened.
    // Answers whether some stream plays, so that its pictures may change.
    bool Run(ActionMachine& machine);
    // Every stream stops and is forgotten: its machine is going.
    void Reset();

private:
    StreamPlayback* Find(ScriptObject* object);
    void Play(ScriptObject* object, const std::string& name);

    StepClock& clock_;
    MovieSound& sound_;
    VideoPictures& videos_;
    MediaSources* sources_ = nullptr;
    // Keeps the stream objects reachable for as long as they may play.
    ScriptObject* keep_ = nullptr;
    std::map<ScriptObject*, std::unique_ptr<StreamPlayback>> streams_;
    std::map<ScriptObject*, const VideoStream*> videoObjects_;
};

}
