#pragma once
// A movie's sound while it plays. The movie's thread says what starts and
// stops as frames are reached; the mixer's thread decodes, keeps the voices
// and adds them into its buffers. The two meet only in a short queue of
// commands and in the stream's position, so neither waits on the other's
// work: decoding never holds up the frames.
//
// The main timeline's stream sound sets its pace: once the mixer plays it,
// StreamFrame answers the frame its sound has reached, counted from the
// samples the device has finished playing. Sprites' streams play beside it
// and pace nothing.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "Movie.h"
#include "SoundDecoder.h"
#include "SoundFeed.h"

namespace tvmplayer {

// How a channel's sound reaches the speakers: the share of each input side
// (left, right) that goes to each output side, 1 for all of it.
struct SoundLevels {
    double LeftToLeft = 1, LeftToRight = 0, RightToLeft = 0, RightToRight = 1;

    // These levels applied after inner.
    SoundLevels After(const SoundLevels& inner) const;
};

class MovieSound {
public:
    MovieSound() = default;
    MovieSound(const MovieSound&) = delete;
    MovieSound& operator=(const MovieSound&) = delete;

    // ---- The movie's thread ----

    // The timeline has reached frame of movie: its sounds start or stop.
    // Sequential when it came from the frame before by playing, in which
    // case a stream sound already playing simply goes on.
    void EnterFrame(const Movie& movie, size_t frame, bool sequential);
    // Every sound stops, the stream too, and decoded sounds are forgotten.
    void StopAll();
    void StopStream();
    bool StreamPlaying() const;
    // The frame the stream's sound has reached while a mixer plays this
    // sound; until the mixer begins a stream, the frame it starts at.
    std::optional<size_t> StreamFrame() const;
    // EnterFrame and the stream's calls for the timeline of a sprite, named
    // by a number of the caller's that is never RootClip: its sounds are
    // those of frames, its stream sound stream's. They take the main
    // timeline's levels.
    static constexpr uint64_t RootClip = 0;
    void EnterClipFrame(uint64_t clip, std::span<const Frame> frames, const std::shared_ptr<const SoundStream>& stream,
                        const MovieSounds& sounds, size_t frame, bool sequential);
    void StopClipStream(uint64_t clip);
    bool ClipStreamPlaying(uint64_t clip) const { return clipStreams_.contains(clip); }

    // Sounds that scripts start, in channels: EveryChannel's levels apply
    // to all the movie's sound, TimelineChannel's also to the main
    // timeline's own sounds, any other channel's to that channel's only.
    static constexpr uint64_t EveryChannel = 0, TimelineChannel = 1;
    // tag names the starter, to hear of the sound's position and its end.
    void StartScripted(std::shared_ptr<const SoundDefinition> sound, SoundInfo info, uint64_t channel,
                       uint32_t tag);
    // The channel's sounds, or only those of the sound id, stop; in
    // EveryChannel the sounds of every channel do.
    void StopScripted(uint64_t channel, std::optional<uint16_t> id);
    void SetLevels(uint64_t channel, const SoundLevels& levels);
    // Where the last sound the tag started has got to, in samples at
    // 44,100 Hz from the sound's start; none before the mixer began it.
    std::optional<uint64_t> Position(uint32_t tag) const;
    // The tags whose sounds have played to their end since the last call,
    // once for each sound.
    std::vector<uint32_t> TakeCompleted();

    // ---- The mixer's thread ----

    // Adds this movie's sound into mix (interleaved stereo at MixRate) whose
    // first sample is the mixer's sample number position.
    void Mix(std::span<int32_t> mix, uint64_t position, SoundDecoders& decoders);
    // The device has finished playing every sample before position.
    void Played(uint64_t position);
    // The mixer no longer calls Mix: whatever it kept goes, decoders and
    // decoded sounds included. Called once it has let go of this sound.
    void Detach();
    // Whether a mixer with a device calls Mix; without one nothing is heard
    // and the frames keep to the clock.
    void SetMixing(bool mixing) { mixing_.store(mixing); }
    bool Mixing() const { return mixing_.load(); }

    // Sound the movie's thread decodes itself, mixed in after the movie's
    // own: each source in a feed of its own, all of them heard together.
    std::shared_ptr<SoundFeed> OpenFeed();
    void CloseFeed(const std::shared_ptr<SoundFeed>& feed);

private:
    enum class CommandKind { Start, Stop, StopChannel, Levels, StartStream, StopStream, Reset };
    struct Command {
        CommandKind Kind;
        std::shared_ptr<const SoundDefinition> Sound = nullptr;
        SoundInfo Info = {};
        uint16_t Id = 0;
        std::shared_ptr<const SoundStream> Stream = nullptr;
        size_t Frame = 0;
        uint64_t Generation = 0;
        uint64_t Channel = TimelineChannel;
        uint32_t Tag = 0;
        SoundLevels Levels = {};
        bool AnySound = false;
        uint64_t Clip = RootClip;
    };
    using Samples = std::vector<int16_t>;
    struct Voice {
        uint16_t Id;
        std::shared_ptr<const Samples> Pcm;
        SoundInfo Info;
        size_t Begin, End, Position;  // in sample frames
        uint32_t LoopsLeft;
        uint64_t Channel;
        uint32_t Tag;
    };
    struct StreamVoice {
        std::shared_ptr<const SoundStream> Stream;
        std::unique_ptr<SoundDecoder> Decoder;
        uint64_t Generation = 0;
        size_t NextBlock = 0;
        Samples Pending;
        size_t Used = 0;    // samples of Pending already mixed
        size_t Skip = 0;    // samples still to drop before any is mixed
        bool Begun = false, Finished = false;
    };

    void Send(Command command);
    void StartSounds(const Frame& frame, const MovieSounds& sounds);
    void StartStream(const Movie& movie, size_t frame);
    void Apply(Command& command, SoundDecoders& decoders);
    std::shared_ptr<const Samples> Decoded(const std::shared_ptr<const SoundDefinition>& sound,
                                           SoundDecoders& decoders);
    void MixVoice(Voice& voice, std::span<int32_t> mix);
    // Tells the movie's thread where the scripts' sounds have got to and
    // which have ended.
    void Report();
    // A channel's levels with the whole movie's applied after them.
    SoundLevels LevelsOf(uint64_t channel) const;
    void MixStreams(std::span<int32_t> mix, uint64_t position);
    // Whether stream has played to its end.
    bool MixStream(StreamVoice& stream, std::span<int32_t> mix);
    void FillStream(StreamVoice& stream, size_t wanted);
    // The main timeline's stream of that generation is no longer heard.
    void RootStreamEnded(uint64_t generation);

    std::mutex commandsLock_;
    std::vector<Command> commands_;

    // The stream as both threads see it.
    mutable std::mutex streamLock_;
    uint64_t generation_ = 0;
    bool streamPlaying_ = false;
    bool streamHeard_ = false;
    size_t streamStartFrame_ = 0;
    uint64_t streamStartPosition_ = 0;
    double samplesPerFrame_ = 1;
    std::atomic<uint64_t> played_{0};
    std::atomic<bool> mixing_{false};
    // The sprites whose streams the movie's thread has started.
    std::set<uint64_t> clipStreams_;

    // What the mixer tells of the scripts' sounds.
    mutable std::mutex reportsLock_;
    std::map<uint32_t, uint64_t> positions_;
    std::vector<uint32_t> completed_;

    mutable std::mutex feedsLock_;
    std::vector<std::shared_ptr<SoundFeed>> feeds_;

    // The mixer's own.
    std::vector<Voice> voices_;
    std::map<uint64_t, SoundLevels> levels_;
    std::vector<int32_t> scratch_;
    std::map<std::shared_ptr<const SoundDefinition>, std::shared_ptr<const Samples>> decoded_;
    // By clip: the main timeline's and the sprites'.
    std::map<uint64_t, StreamVoice> streams_;
};

}
