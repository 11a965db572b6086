#include "NetStream.h"

#include <algorithm>

#include "ActionBuiltins.h"
#include "ActionMachine.h"
#include "DisplayList.h"
#include "MovieSound.h"

namespace tvmplayer {

namespace {

// A file's time stamps, converted from its own time base, come a rounding
// error off the moment they name: within this they are at it.
constexpr double StampSlack = 1e-9;

}

StreamPlayback::StreamPlayback(StepClock& clock, MovieSound& sound)
    : clock_(clock), sound_(sound), feed_(sound.OpenFeed())
{
}

StreamPlayback::~StreamPlayback()
{
    sound_.CloseFeed(feed_);
}

void StreamPlayback::Play(std::unique_ptr<MediaSource> source)
{
    Close();
    source_ = std::move(source);
    if (!source_) {
        events_.push_back("NetStream.Play.StreamNotFound");
        return;
    }
    state_ = State::Playing;
    heard_ = source_->HasSound() && sound_.Mixing();
    Rebase(0);
    events_.push_back("NetStream.Play.Start");
}

void StreamPlayback::Close()
{
    if (heard_)
        feed_->Clear();
    source_.reset();
    state_ = State::Idle;
    heard_ = false;
    time_ = 0;
    pictureSpacing_ = 0;
    next_.reset();
    ahead_.clear();
    picture_.reset();
}

void StreamPlayback::Deafen()
{
    time_ = Clocked();
    heard_ = false;
    base_ = time_;
    clockStart_ = clock_.Milliseconds();
}

void StreamPlayback::Hear()
{
    time_ = Clocked();
    heard_ = true;
    feed_->Clear();
    skipUntil_ = time_;
    if (stepped_)
        return;
    // The sound read so far went unheard; the time counts from the first
    // sound the mixer gets, which may start a little later.
    base_ = time_;
    baseOnSound_ = true;
}

void StreamPlayback::FollowClock()
{
    if (clock_.Stepped() == stepped_)
        return;
    // The clock itself goes on without a jump.
    if (!heard_ || state_ != State::Playing) {
        stepped_ = clock_.Stepped();
        return;
    }
    // The time went by the sound played, or goes by it now: the sound handed
    // over ahead went with the old pace and is read again from here.
    time_ = Clocked();
    if (next_ || lastPicture_ >= 0 || feed_->Queued() > 0)
        Restart(time_);
    else
        Rebase(time_);
}

void StreamPlayback::Pause(std::optional<bool> paused)
{
    if (state_ != State::Playing && state_ != State::Paused)
        return;
    bool pause = paused.value_or(state_ == State::Playing);
    if (pause == (state_ == State::Paused))
        return;
    time_ = Clocked();
    state_ = pause ? State::Paused : State::Playing;
    events_.push_back(pause ? "NetStream.Pause.Notify" : "NetStream.Unpause.Notify");
    // The sound queued for the mixer would go on sounding: it is read again
    // from the paused time on.
    Restart(time_);
}

void StreamPlayback::Seek(double seconds)
{
    if (!source_)
        return;
    double duration = source_->Duration();
    seconds = std::max(0.0, duration > 0 ? std::min(seconds, duration) : seconds);
    if (state_ == State::Ended)
        state_ = State::Playing;
    Restart(seconds);
    events_.push_back("NetStream.Seek.Notify");
}

void StreamPlayback::Restart(double seconds)
{
    source_->Seek(seconds);
    Rebase(seconds);
}

void StreamPlayback::Rebase(double seconds)
{
    if (heard_)
        feed_->Clear();
    base_ = time_ = skipUntil_ = seconds;
    baseOnSound_ = false;
    stepped_ = clock_.Stepped();
    clockStart_ = clock_.Milliseconds();
    exhausted_ = false;
    lastPicture_ = -1;
    next_.reset();
    ahead_.clear();
}

double StreamPlayback::Clocked()
{
    if (state_ != State::Playing)
        return time_;
    if (TimeFollowsSound())
        return base_ + static_cast<double>(feed_->Played()) / MixRate;
    // Wrapping subtraction: right across the clock's wrap-around too.
    return base_ + static_cast<uint32_t>(clock_.Milliseconds() - clockStart_) / 1000.0;
}

void StreamPlayback::Take(MediaPiece& piece)
{
    if (!piece.Picture.Pixels.empty()) {
        if (lastPicture_ >= 0 && piece.Time > lastPicture_)
            pictureSpacing_ = piece.Time - lastPicture_;
        lastPicture_ = piece.Time;
        // Pictures before a seek's time only lead up to it.
        if (piece.Time < skipUntil_) {
            picture_ = std::move(piece.Picture);
            ahead_.clear();
        } else {
            ahead_.emplace_back(piece.Time, std::move(piece.Picture));
        }
    }
    if (!piece.Samples.empty() && SoundHeard()) {
        size_t frames = piece.Samples.size() / MixChannels;
        double end = piece.Time + static_cast<double>(frames) / MixRate;
        if (end > skipUntil_) {
            // Only the part at or after the seek's time is heard.
            size_t skip = piece.Time < skipUntil_ ? static_cast<size_t>((skipUntil_ - piece.Time) * MixRate) : 0;
            if (baseOnSound_)
                base_ = std::max(base_, piece.Time);
            baseOnSound_ = false;
            std::span<const int16_t> samples(piece.Samples);
            feed_->Push(samples.subspan(std::min(skip * MixChannels, samples.size())));
        }
    }
}

void StreamPlayback::Step()
{
    if (!source_ || state_ == State::Idle || state_ == State::Ended)
        return;
    FollowClock();
    if (!heard_ && !exhausted_ && state_ == State::Playing && source_->HasSound() && sound_.Mixing())
        Hear();
    const double now = Clocked();
    const double reached = now + StampSlack;
    for (size_t i = 0; i < MaxPiecesPerStep; ++i) {
        if (!next_) {
            next_ = source_->Next();
            if (!next_) {
                exhausted_ = true;
                break;
            }
        }
        bool due = next_->Time <= reached || next_->Time < skipUntil_;
        bool soundWanted = SoundHeard() && feed_->Queued() < StreamSoundLead * MixRate
                           && ahead_.size() < MaxPicturesAhead;
        if (!due && !soundWanted)
            break;
        Take(*next_);
        next_.reset();
    }
    while (!ahead_.empty() && ahead_.front().first <= reached) {
        picture_ = std::move(ahead_.front().second);
        ahead_.pop_front();
    }
    time_ = now;
    if (state_ != State::Playing || !exhausted_)
        return;
    // The sound has ended before the pictures: they keep to the clock.
    bool soundLeft = heard_ && feed_->Queued() > 0;
    bool picturesLeft = !ahead_.empty() || (lastPicture_ >= 0 && reached < lastPicture_ + pictureSpacing_);
    if (heard_ && !soundLeft && picturesLeft)
        Deafen();
    if (!picturesLeft && !soundLeft) {
        state_ = State::Ended;
        events_.push_back("NetStream.Play.Stop");
    }
}

std::vector<std::string> StreamPlayback::TakeEvents()
{
    std::vector<std::string> events;
    events.swap(events_);
    return events;
}

namespace {

ScriptObject* Prototype(ActionMachine& machine, ScriptObject* global, const char* name, NativeFunction constructor)
{
    ScriptObject* prototype = machine.NewObject();
    global->Put(name, Value::FromObject(machine.NewFunction(std::move(constructor), prototype)), DontEnum);
    return prototype;
}

}

void NetStreams::Reset()
{
    for (auto& [object, stream] : streams_) stream->Close();
    streams_.clear();
    videoObjects_.clear();
    keep_ = nullptr;
}

namespace {

// What scripts read of a stream: its properties as they are now.
void Publish(ScriptObject* object, const StreamPlayback& stream)
{
    object->Put("time", Value::FromNumber(stream.Time()));
    double size = static_cast<double>(stream.Size());
    object->Put("bytesLoaded", Value::FromNumber(size));
    object->Put("bytesTotal", Value::FromNumber(size));
}

}

StreamPlayback* NetStreams::Find(ScriptObject* object)
{
    auto found = streams_.find(object);
    return found == streams_.end() ? nullptr : found->second.get();
}

void NetStreams::Play(ScriptObject* object, const std::string& name)
{
    StreamPlayback* stream = Find(object);
    if (!stream)
        return;
    stream->Play(sources_ ? sources_->Open(name) : nullptr);
}

void NetStreams::Install(ActionMachine& machine, const DisplayList& stage, const Dictionary& characters)
{
    ScriptObject* global = machine.Global();
    ScriptObject* connection = Prototype(machine, global, "NetConnection", [](NativeCall&) { return Value(); });
    // Only local files play: connecting to nothing is all there is.
    DefineMethod(machine, connection, "connect", [](NativeCall& call) {
        bool local = call.Argument(0).IsNull() || call.Argument(0).IsUndefined();
        if (call.This)
            call.This->Put("isConnected", Value::Boolean(local));
        return Value::Boolean(local);
    });

    ScriptObject* stream = Prototype(machine, global, "NetStream", [this](NativeCall& call) {
        if (call.Constructing && call.This) {
            streams_[call.This] = std::make_unique<StreamPlayback>(clock_, sound_);
            keep_->Elements.push_back(Value::FromObject(call.This));
        }
        return Value();
    });
    keep_ = machine.NewArray();
    stream->Put("__streams", Value::FromObject(keep_), DontEnum);
    DefineMethod(machine, stream, "play", [this](NativeCall& call) {
        Play(call.This, call.Machine.ToString(call.Argument(0)));
        return Value();
    });
    DefineMethod(machine, stream, "pause", [this](NativeCall& call) {
        if (StreamPlayback* playback = Find(call.This)) {
            const Value& flag = call.Argument(0);
            playback->Pause(flag.IsUndefined() ? std::nullopt : std::optional<bool>(call.Machine.ToNumber(flag) != 0));
        }
        return Value();
    });
    DefineMethod(machine, stream, "seek", [this](NativeCall& call) {
        // The picture and the time at the new place are there at once.
        if (StreamPlayback* playback = Find(call.This)) {
            playback->Seek(call.Machine.ToNumber(call.Argument(0)));
            playback->Step();
            Publish(call.This, *playback);
        }
        return Value();
    });
    DefineMethod(machine, stream, "close", [this](NativeCall& call) {
        if (StreamPlayback* playback = Find(call.This))
            playback->Close();
        return Value();
    });

    ScriptObject* video = Prototype(machine, global, "Video", [](NativeCall&) { return Value(); });
    DefineMethod(machine, video, "attachVideo", [this](NativeCall& call) {
        auto placed = videoObjects_.find(call.This);
        if (placed != videoObjects_.end()) {
            const Value& source = call.Argument(0);
            videos_.Attach(*placed->second, source.IsObject() ? Find(source.Object) : nullptr);
        }
        return Value();
    });
    for (const auto& [depth, object] : stage.Objects()) {
        const Character* character = object.HasCharacter ? characters.Find(object.Id) : nullptr;
        const VideoStream* placed = character ? std::get_if<VideoStream>(character) : nullptr;
        if (!placed || object.Name.empty())
            continue;
        ScriptObject* made = machine.NewObject(video);
        videoObjects_[made] = placed;
        machine.Root()->Put(object.Name, Value::FromObject(made));
    }
}

bool NetStreams::Run(ActionMachine& machine)
{
    bool playing = false;
    std::vector<ScriptObject*> objects;
    for (auto& [object, stream] : streams_) objects.push_back(object);
    for (ScriptObject* object : objects) {
        StreamPlayback* stream = Find(object);
        if (!stream)
            continue;
        stream->Step();
        playing = playing || stream->Playing();
        Publish(object, *stream);
        for (const std::string& code : stream->TakeEvents()) {
            Value handler = machine.GetMember(Value::FromObject(object), "onStatus");
            if (!handler.IsObject() || !handler.Object->IsFunction())
                continue;
            ScriptObject* info = machine.NewObject();
            info->Put("code", Value::FromString(code));
            bool error = code.ends_with("NotFound");
            info->Put("level", Value::FromString(error ? "error" : "status"));
            machine.CallFromOutside(handler, object, {Value::FromObject(info)});
        }
    }
    return playing;
}

}
