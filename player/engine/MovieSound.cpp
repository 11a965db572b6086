#include "MovieSound.h"

#include <algorithm>
#include <cmath>

#include "SoundTags.h"

namespace tvmplayer {
namespace {

// An MP3 stream block starts with its sample count and the samples to skip;
// a defined MP3 sound with the samples to skip only.
constexpr size_t Mp3BlockHeader = 4;
constexpr size_t Mp3SoundHeader = 2;
// Sounds heard at once, as many as the player has channels; a movie that
// starts more is not heard in them, and cannot make the mixer fall behind.
constexpr size_t MaxVoices = 32;

bool HasBlock(const SoundStream* stream, size_t frame)
{
    return stream && frame < stream->Blocks.size() && !stream->Blocks[frame].empty();
}

int16_t SeekSamples(std::span<const uint8_t> data, size_t offset)
{
    return data.size() < offset + 2 ? 0 : static_cast<int16_t>(data[offset] | data[offset + 1] << 8);
}

// The interleaved samples that seek samples at rate come to, never negative.
size_t SkippedSamples(int16_t seek, uint32_t rate)
{
    return seek <= 0 ? 0 : static_cast<size_t>(At44kHz(static_cast<uint64_t>(seek), rate)) * MixChannels;
}

// The envelope's level for one channel at position, in 1/32768.
int32_t EnvelopeLevel(const std::vector<EnvelopePoint>& envelope, size_t position, bool right)
{
    auto level = [right](const EnvelopePoint& point) { return static_cast<int32_t>(right ? point.Right : point.Left); };
    if (envelope.empty())
        return 32768;
    auto next = std::find_if(envelope.begin(), envelope.end(),
                             [position](const EnvelopePoint& point) { return point.Position > position; });
    if (next == envelope.begin())
        return level(*next);
    if (next == envelope.end())
        return level(envelope.back());
    const EnvelopePoint& before = *(next - 1);
    int64_t span = next->Position - before.Position;
    int64_t into = static_cast<int64_t>(position) - before.Position;
    return static_cast<int32_t>(level(before) + (level(*next) - level(before)) * into / span);
}

void AddPair(int32_t* out, int32_t left, int32_t right, const SoundLevels& levels)
{
    out[0] += static_cast<int32_t>(std::lround(left * levels.LeftToLeft + right * levels.RightToLeft));
    out[1] += static_cast<int32_t>(std::lround(left * levels.LeftToRight + right * levels.RightToRight));
}

}

SoundLevels SoundLevels::After(const SoundLevels& inner) const
{
    return {inner.LeftToLeft * LeftToLeft + inner.LeftToRight * RightToLeft,
            inner.LeftToLeft * LeftToRight + inner.LeftToRight * RightToRight,
            inner.RightToLeft * LeftToLeft + inner.RightToRight * RightToLeft,
            inner.RightToLeft * LeftToRight + inner.RightToRight * RightToRight};
}

// ---- The movie's thread ----

void MovieSound::Send(Command command)
{
    std::lock_guard lock(commandsLock_);
    commands_.push_back(std::move(command));
}

void MovieSound::StartSounds(const Frame& frame, const MovieSounds& sounds)
{
    for (const SoundStart& start : frame.Sounds) {
        std::shared_ptr<const SoundDefinition> sound = sounds.Find(start);
        if (!sound)
            continue;
        if (start.Info.SyncStop)
            Send({CommandKind::Stop, nullptr, {}, sound->Id});
        else
            Send({CommandKind::Start, sound, start.Info});
    }
}

void MovieSound::EnterFrame(const Movie& movie, size_t frame, bool sequential)
{
    if (frame >= movie.Frames.size())
        return;
    StartSounds(movie.Frames[frame], movie.Sounds);
    if (sequential && StreamPlaying())
        return;
    if (HasBlock(movie.Sounds.Stream.get(), frame))
        StartStream(movie, frame);
    else if (!sequential)
        StopStream();
}

void MovieSound::EnterClipFrame(uint64_t clip, std::span<const Frame> frames,
                                const std::shared_ptr<const SoundStream>& stream, const MovieSounds& sounds,
                                size_t frame, bool sequential)
{
    if (frame >= frames.size())
        return;
    StartSounds(frames[frame], sounds);
    if (sequential && ClipStreamPlaying(clip))
        return;
    if (HasBlock(stream.get(), frame)) {
        clipStreams_.insert(clip);
        Command command{CommandKind::StartStream, nullptr, {}, 0, stream, frame};
        command.Clip = clip;
        Send(std::move(command));
    } else if (!sequential) {
        StopClipStream(clip);
    }
}

void MovieSound::StopClipStream(uint64_t clip)
{
    if (clipStreams_.erase(clip) == 0)
        return;
    Command command{CommandKind::StopStream};
    command.Clip = clip;
    Send(std::move(command));
}

void MovieSound::StartStream(const Movie& movie, size_t frame)
{
    double frameMilliseconds = movie.FrameMilliseconds();
    const SoundStream& stream = *movie.Sounds.Stream;
    double samplesPerFrame = frameMilliseconds > 0 ? frameMilliseconds * MixRate / 1000.0
                                                    : static_cast<double>(At44kHz(stream.SamplesPerBlock, stream.Format.Rate));
    uint64_t generation;
    {
        std::lock_guard lock(streamLock_);
        generation = ++generation_;
        streamPlaying_ = true;
        streamHeard_ = false;
        streamStartFrame_ = frame;
        samplesPerFrame_ = std::max(samplesPerFrame, 1.0);
    }
    Send({CommandKind::StartStream, nullptr, {}, 0, movie.Sounds.Stream, frame, generation});
}

void MovieSound::StopStream()
{
    {
        std::lock_guard lock(streamLock_);
        ++generation_;
        streamPlaying_ = streamHeard_ = false;
    }
    Send({CommandKind::StopStream});
}

void MovieSound::StopAll()
{
    StopStream();
    clipStreams_.clear();
    Send({CommandKind::Reset});
    std::lock_guard lock(reportsLock_);
    positions_.clear();
    completed_.clear();
}

void MovieSound::StartScripted(std::shared_ptr<const SoundDefinition> sound, SoundInfo info, uint64_t channel,
                               uint32_t tag)
{
    Command command{CommandKind::Start, std::move(sound), std::move(info)};
    command.Channel = channel;
    command.Tag = tag;
    Send(std::move(command));
}

void MovieSound::StopScripted(uint64_t channel, std::optional<uint16_t> id)
{
    Command command{CommandKind::StopChannel, nullptr, {}, id.value_or(0)};
    command.Channel = channel;
    command.AnySound = !id;
    Send(std::move(command));
}

void MovieSound::SetLevels(uint64_t channel, const SoundLevels& levels)
{
    Command command{CommandKind::Levels};
    command.Channel = channel;
    command.Levels = levels;
    Send(std::move(command));
}

std::optional<uint64_t> MovieSound::Position(uint32_t tag) const
{
    std::lock_guard lock(reportsLock_);
    auto found = positions_.find(tag);
    return found == positions_.end() ? std::nullopt : std::optional<uint64_t>(found->second);
}

std::vector<uint32_t> MovieSound::TakeCompleted()
{
    std::lock_guard lock(reportsLock_);
    std::vector<uint32_t> completed;
    completed.swap(completed_);
    return completed;
}

std::shared_ptr<SoundFeed> MovieSound::OpenFeed()
{
    auto feed = std::make_shared<SoundFeed>();
    std::lock_guard lock(feedsLock_);
    feeds_.push_back(feed);
    return feed;
}

void MovieSound::CloseFeed(const std::shared_ptr<SoundFeed>& feed)
{
    std::lock_guard lock(feedsLock_);
    std::erase(feeds_, feed);
}

bool MovieSound::StreamPlaying() const
{
    std::lock_guard lock(streamLock_);
    return streamPlaying_;
}

std::optional<size_t> MovieSound::StreamFrame() const
{
    std::lock_guard lock(streamLock_);
    if (!streamPlaying_ || !mixing_.load())
        return std::nullopt;
    if (!streamHeard_)
        return streamStartFrame_;
    uint64_t played = played_.load();
    if (played <= streamStartPosition_)
        return streamStartFrame_;
    return streamStartFrame_ + static_cast<size_t>(static_cast<double>(played - streamStartPosition_) / samplesPerFrame_);
}

// ---- The mixer's thread ----

void MovieSound::Mix(std::span<int32_t> mix, uint64_t position, SoundDecoders& decoders)
{
    std::vector<Command> commands;
    {
        std::lock_guard lock(commandsLock_);
        commands.swap(commands_);
    }
    for (Command& command : commands) Apply(command, decoders);
    for (Voice& voice : voices_) MixVoice(voice, mix);
    Report();
    std::erase_if(voices_, [](const Voice& voice) { return voice.LoopsLeft == 0; });
    MixStreams(mix, position);
    scratch_.assign(mix.size(), 0);
    {
        std::lock_guard lock(feedsLock_);
        for (const std::shared_ptr<SoundFeed>& feed : feeds_) feed->Mix(scratch_, position);
    }
    SoundLevels levels = LevelsOf(EveryChannel);
    for (size_t i = 0; i + 1 < mix.size(); i += MixChannels) AddPair(&mix[i], scratch_[i], scratch_[i + 1], levels);
}

void MovieSound::Played(uint64_t position)
{
    played_.store(position);
    std::lock_guard lock(feedsLock_);
    for (const std::shared_ptr<SoundFeed>& feed : feeds_) feed->Played(position);
}

void MovieSound::Report()
{
    std::lock_guard lock(reportsLock_);
    for (const Voice& voice : voices_) {
        if (!voice.Tag)
            continue;
        positions_[voice.Tag] = voice.LoopsLeft ? voice.Position : voice.End;
        if (!voice.LoopsLeft)
            completed_.push_back(voice.Tag);
    }
}

SoundLevels MovieSound::LevelsOf(uint64_t channel) const
{
    auto levels = [this](uint64_t of) {
        auto found = levels_.find(of);
        return found == levels_.end() ? SoundLevels{} : found->second;
    };
    return channel == EveryChannel ? levels(channel) : levels(EveryChannel).After(levels(channel));
}

void MovieSound::Detach()
{
    {
        std::lock_guard lock(commandsLock_);
        commands_.clear();
    }
    voices_.clear();
    decoded_.clear();
    streams_.clear();
    {
        std::lock_guard lock(reportsLock_);
        positions_.clear();
        completed_.clear();
    }
    std::lock_guard lock(streamLock_);
    ++generation_;
    streamPlaying_ = streamHeard_ = false;
}

void MovieSound::Apply(Command& command, SoundDecoders& decoders)
{
    switch (command.Kind) {
    case CommandKind::Start: {
        uint16_t id = command.Sound->Id;
        if (voices_.size() >= MaxVoices)
            return;
        if (command.Info.SyncNoMultiple
            && std::any_of(voices_.begin(), voices_.end(), [id](const Voice& voice) { return voice.Id == id; }))
            return;
        std::shared_ptr<const Samples> pcm = Decoded(command.Sound, decoders);
        size_t length = pcm->size() / MixChannels;
        size_t end = command.Info.OutPoint ? std::min<size_t>(command.Info.OutPoint, length) : length;
        size_t begin = command.Info.InPoint;
        if (begin >= end)
            return;
        uint32_t loops = std::max<uint32_t>(command.Info.Loops, 1);
        voices_.push_back(
            {id, std::move(pcm), std::move(command.Info), begin, end, begin, loops, command.Channel, command.Tag});
        return;
    }
    case CommandKind::Stop:
        std::erase_if(voices_, [&](const Voice& voice) { return voice.Id == command.Id; });
        return;
    case CommandKind::StopChannel:
        std::erase_if(voices_, [&](const Voice& voice) {
            return (command.Channel == EveryChannel || voice.Channel == command.Channel)
                && (command.AnySound || voice.Id == command.Id);
        });
        return;
    case CommandKind::Levels:
        levels_[command.Channel] = command.Levels;
        return;
    case CommandKind::StartStream: {
        streams_.erase(command.Clip);
        StreamVoice stream;
        stream.Decoder = decoders.Create(command.Stream->Format);
        if (!stream.Decoder) {
            if (command.Clip == RootClip)
                RootStreamEnded(command.Generation);
            return;
        }
        stream.Stream = command.Stream;
        stream.Generation = command.Generation;
        stream.NextBlock = command.Frame;
        if (stream.Stream->Format.Codec == SoundCodec::Mp3)
            stream.Skip = SkippedSamples(SeekSamples(stream.Stream->Blocks[command.Frame], 2), stream.Stream->Format.Rate);
        streams_[command.Clip] = std::move(stream);
        return;
    }
    case CommandKind::StopStream:
        streams_.erase(command.Clip);
        return;
    case CommandKind::Reset:
        voices_.clear();
        levels_.clear();
        decoded_.clear();
        streams_.clear();
        return;
    }
}

std::shared_ptr<const MovieSound::Samples> MovieSound::Decoded(const std::shared_ptr<const SoundDefinition>& sound,
                                                               SoundDecoders& decoders)
{
    auto found = decoded_.find(sound);
    if (found != decoded_.end())
        return found->second;
    auto pcm = std::make_shared<Samples>();
    if (std::unique_ptr<SoundDecoder> decoder = decoders.Create(sound->Format)) {
        std::span<const uint8_t> data = sound->Data;
        size_t skip = 0;
        if (sound->Format.Codec == SoundCodec::Mp3) {
            skip = SkippedSamples(SeekSamples(data, 0), sound->Format.Rate);
            data = data.subspan(std::min(data.size(), Mp3SoundHeader));
        }
        decoder->Decode(data, *pcm);
        decoder->Finish(*pcm);
        pcm->erase(pcm->begin(), pcm->begin() + static_cast<std::ptrdiff_t>(std::min(skip, pcm->size())));
        // What the codec pads its last block with is not the sound's.
        size_t declared = static_cast<size_t>(At44kHz(sound->SampleCount, sound->Format.Rate)) * MixChannels;
        if (sound->SampleCount && pcm->size() > declared)
            pcm->resize(declared);
    }
    decoded_[sound] = pcm;
    return pcm;
}

void MovieSound::MixVoice(Voice& voice, std::span<int32_t> mix)
{
    const Samples& pcm = *voice.Pcm;
    const std::vector<EnvelopePoint>& envelope = voice.Info.Envelope;
    SoundLevels levels = LevelsOf(voice.Channel);
    for (size_t i = 0; i + 1 < mix.size() && voice.LoopsLeft > 0; i += MixChannels) {
        size_t at = voice.Position * MixChannels;
        int32_t left = pcm[at], right = pcm[at + 1];
        if (!envelope.empty()) {
            left = left * EnvelopeLevel(envelope, voice.Position, false) / 32768;
            right = right * EnvelopeLevel(envelope, voice.Position, true) / 32768;
        }
        AddPair(&mix[i], left, right, levels);
        if (++voice.Position == voice.End) {
            voice.Position = voice.Begin;
            --voice.LoopsLeft;
        }
    }
}

void MovieSound::FillStream(StreamVoice& stream, size_t wanted)
{
    const std::vector<std::vector<uint8_t>>& blocks = stream.Stream->Blocks;
    bool mp3 = stream.Stream->Format.Codec == SoundCodec::Mp3;
    while (stream.Pending.size() - stream.Used < wanted && stream.NextBlock < blocks.size()) {
        std::span<const uint8_t> block = blocks[stream.NextBlock++];
        if (mp3)
            block = block.subspan(std::min(block.size(), Mp3BlockHeader));
        stream.Decoder->Decode(block, stream.Pending);
    }
    if (stream.NextBlock >= blocks.size() && !stream.Finished) {
        stream.Decoder->Finish(stream.Pending);
        stream.Finished = true;
    }
    size_t dropped = std::min(stream.Skip, stream.Pending.size() - stream.Used);
    stream.Used += dropped;
    stream.Skip -= dropped;
}

void MovieSound::MixStreams(std::span<int32_t> mix, uint64_t position)
{
    for (auto at = streams_.begin(); at != streams_.end();) {
        auto& [clip, stream] = *at;
        if (!stream.Begun && clip == RootClip) {
            std::lock_guard lock(streamLock_);
            if (generation_ == stream.Generation) {
                streamHeard_ = true;
                streamStartPosition_ = position;
            }
        }
        stream.Begun = true;
        if (!MixStream(stream, mix)) {
            ++at;
            continue;
        }
        if (clip == RootClip)
            RootStreamEnded(stream.Generation);
        at = streams_.erase(at);
    }
}

bool MovieSound::MixStream(StreamVoice& stream, std::span<int32_t> mix)
{
    FillStream(stream, mix.size() + stream.Skip);
    size_t count = std::min(mix.size(), stream.Pending.size() - stream.Used);
    SoundLevels levels = LevelsOf(TimelineChannel);
    for (size_t i = 0; i + 1 < count; i += MixChannels)
        AddPair(&mix[i], stream.Pending[stream.Used + i], stream.Pending[stream.Used + i + 1], levels);
    stream.Used += count;
    if (stream.Used > (1u << 16)) {
        stream.Pending.erase(stream.Pending.begin(), stream.Pending.begin() + static_cast<std::ptrdiff_t>(stream.Used));
        stream.Used = 0;
    }
    return stream.Finished && stream.Used == stream.Pending.size();
}

void MovieSound::RootStreamEnded(uint64_t generation)
{
    std::lock_guard lock(streamLock_);
    if (generation_ == generation)
        streamPlaying_ = streamHeard_ = false;
}

}
