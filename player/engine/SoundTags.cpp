#include "SoundTags.h"

#include "SwfReader.h"

namespace tvmplayer {
namespace {

enum SoundTagCode : uint16_t {
    TagDefineSound = 14,
    TagStartSound = 15,
    TagSoundStreamHead = 18,
    TagSoundStreamBlock = 19,
    TagSoundStreamHead2 = 45,
    TagExportAssets = 56,
    TagSymbolClass = 76,
    TagStartSound2 = 89,
};

// Blocks past this frame belong to no frame a movie can have.
constexpr size_t MaxFrames = 65536;

// The four bits of format, rate, size and type that sounds and streams share.
SoundFormat ReadFormat(SwfReader& reader)
{
    static constexpr uint32_t Rates[] = {5512, 11025, 22050, 44100};
    SoundFormat format;
    format.Codec = static_cast<SoundCodec>(reader.UnsignedBits(4));
    format.Rate = Rates[reader.UnsignedBits(2)];
    format.SixteenBit = reader.UnsignedBits(1) != 0;
    format.Stereo = reader.UnsignedBits(1) != 0;
    // Nellymoser and Speex name their own rates.
    if (format.Codec == SoundCodec::Nellymoser16kHz || format.Codec == SoundCodec::Speex)
        format.Rate = 16000;
    if (format.Codec == SoundCodec::Nellymoser8kHz)
        format.Rate = 8000;
    return format;
}

SoundInfo ReadInfo(SwfReader& reader)
{
    SoundInfo info;
    reader.UnsignedBits(2);
    info.SyncStop = reader.UnsignedBits(1) != 0;
    info.SyncNoMultiple = reader.UnsignedBits(1) != 0;
    bool hasEnvelope = reader.UnsignedBits(1) != 0;
    bool hasLoops = reader.UnsignedBits(1) != 0;
    bool hasOutPoint = reader.UnsignedBits(1) != 0;
    bool hasInPoint = reader.UnsignedBits(1) != 0;
    if (hasInPoint)
        info.InPoint = reader.U32();
    if (hasOutPoint)
        info.OutPoint = reader.U32();
    if (hasLoops)
        info.Loops = reader.U16();
    if (hasEnvelope) {
        uint8_t count = reader.U8();
        for (uint8_t i = 0; i < count; ++i) {
            EnvelopePoint point;
            point.Position = reader.U32();
            point.Left = reader.U16();
            point.Right = reader.U16();
            info.Envelope.push_back(point);
        }
    }
    return info;
}

void ReadDefinition(SwfReader& reader, MovieSounds& sounds)
{
    auto sound = std::make_shared<SoundDefinition>();
    sound->Id = reader.U16();
    sound->Format = ReadFormat(reader);
    sound->SampleCount = reader.U32();
    std::span<const uint8_t> data = reader.Bytes(reader.Remaining());
    sound->Data.assign(data.begin(), data.end());
    sounds.Definitions[sound->Id] = std::move(sound);
}

void ReadStreamHead(SwfReader& reader, std::shared_ptr<SoundStream>& stream)
{
    reader.UnsignedBits(8);  // the playback format, a hint only
    auto head = std::make_shared<SoundStream>();
    head->Format = ReadFormat(reader);
    head->SamplesPerBlock = reader.U16();
    // A second head keeps the blocks already read.
    if (stream)
        head->Blocks = std::move(stream->Blocks);
    stream = std::move(head);
}

void ReadStreamBlock(std::span<const uint8_t> body, size_t frame, SoundStream* stream)
{
    if (!stream || frame >= MaxFrames)
        return;  // blocks without a head cannot be decoded
    std::vector<std::vector<uint8_t>>& blocks = stream->Blocks;
    if (blocks.size() <= frame)
        blocks.resize(frame + 1);
    blocks[frame].insert(blocks[frame].end(), body.begin(), body.end());
}

void ReadClassNames(SwfReader& reader, MovieSounds& sounds)
{
    uint16_t count = reader.U16();
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t id = reader.U16();
        sounds.Classes[reader.String()] = id;
    }
}

}

std::shared_ptr<const SoundDefinition> MovieSounds::Find(const SoundStart& start) const
{
    uint16_t id = start.Id;
    if (!start.ClassName.empty()) {
        auto named = Classes.find(start.ClassName);
        if (named == Classes.end())
            return nullptr;
        id = named->second;
    }
    auto found = Definitions.find(id);
    return found == Definitions.end() ? nullptr : found->second;
}

bool ReadSoundTag(uint16_t code, std::span<const uint8_t> body, size_t frame, MovieSounds& sounds,
                  std::vector<SoundStart>& starts)
{
    SwfReader reader(body);
    switch (code) {
    case TagDefineSound:
        ReadDefinition(reader, sounds);
        return true;
    case TagExportAssets:
    case TagSymbolClass:
        ReadClassNames(reader, sounds);
        return true;
    default:
        return ReadTimelineSoundTag(code, body, frame, sounds.Stream, starts);
    }
}

bool ReadTimelineSoundTag(uint16_t code, std::span<const uint8_t> body, size_t frame,
                          std::shared_ptr<SoundStream>& stream, std::vector<SoundStart>& starts)
{
    SwfReader reader(body);
    switch (code) {
    case TagStartSound: {
        SoundStart start;
        start.Id = reader.U16();
        start.Info = ReadInfo(reader);
        starts.push_back(std::move(start));
        return true;
    }
    case TagStartSound2: {
        SoundStart start;
        start.ClassName = reader.String();
        start.Info = ReadInfo(reader);
        starts.push_back(std::move(start));
        return true;
    }
    case TagSoundStreamHead:
    case TagSoundStreamHead2:
        ReadStreamHead(reader, stream);
        return true;
    case TagSoundStreamBlock:
        ReadStreamBlock(body, frame, stream.get());
        return true;
    default:
        return false;
    }
}

uint64_t At44kHz(uint64_t count, uint32_t rate)
{
    return rate == 0 ? 0 : count * 44100 / rate;
}

}
