#include "kvnMP3StreamReader.h"

#include <algorithm>

#include "SWFUtils.h"
#include "SysUtils.h"

namespace {

constexpr uint8_t VersionMpeg1 = 3;
constexpr uint8_t VersionReserved = 1;
constexpr uint8_t LayerOne = 3;
constexpr uint8_t LayerTwo = 2;
constexpr uint8_t BadBitrate = 15;
constexpr uint32_t FreeFormat = 65534;

constexpr uint32_t SampleRates[4][3] = {
    {11025, 12000, 8000},   // MPEG 2.5
    {0, 0, 0},              // reserved
    {22050, 24000, 16000},  // MPEG 2
    {44100, 48000, 32000},  // MPEG 1
};

constexpr uint32_t Mpeg1Bitrates[16] = {FreeFormat, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 65535};
constexpr uint32_t Mpeg2Bitrates[16] = {FreeFormat, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 65535};

constexpr int TagSize = 128;

}

TkvnMP3FrameHeader TkvnMP3FrameHeader::FromBits(uint32_t bits)
{
    auto field = [bits](int high, int low) { return static_cast<uint8_t>((bits >> low) & ((1u << (high - low + 1)) - 1)); };
    TkvnMP3FrameHeader header;
    header.Sync = static_cast<uint16_t>(bits >> 21);
    header.VersionIndex = field(20, 19);
    header.LayerIndex = field(18, 17);
    header.ProtectionBit = field(16, 16);
    header.BitrateIndex = field(15, 12);
    header.SampleRateIndex = field(11, 10);
    header.PaddingBit = field(9, 9);
    header.PrivateBit = field(8, 8);
    header.ChannelMode = field(7, 6);
    header.ModeExtension = field(5, 4);
    header.Copyright = field(3, 3);
    header.Original = field(2, 2);
    header.Emphasis = field(1, 0);
    return header;
}

uint32_t TkvnMP3FrameHeader::SampleRate() const
{
    return SampleRateIndex < 3 ? SampleRates[VersionIndex][SampleRateIndex] : 0;
}

uint32_t TkvnMP3FrameHeader::Bitrate() const
{
    if (VersionIndex == VersionReserved) return 0;
    return (VersionIndex == VersionMpeg1 ? Mpeg1Bitrates : Mpeg2Bitrates)[BitrateIndex];
}

uint32_t TkvnMP3FrameHeader::SamplesPerFrame() const
{
    switch (LayerIndex) {
    case LayerOne: return 384;
    case LayerTwo: return 1152;
    case 1: return VersionIndex == VersionMpeg1 ? 1152 : 576;
    default: return 0;
    }
}

uint32_t TkvnMP3FrameHeader::FrameLength() const
{
    // A free-format frame's length is not in its header: it cannot be cut.
    if (Bitrate() == FreeFormat) return 0;
    const uint32_t rate = SampleRate();
    const uint64_t body = rate ? uint64_t(SamplesPerFrame() / 8) * Bitrate() * 1000 / rate : 0;
    return static_cast<uint32_t>(body) + (LayerIndex == LayerOne ? 4u * PaddingBit : PaddingBit);
}

bool TkvnMP3FrameHeader::Playable() const
{
    return VersionIndex != VersionReserved && LayerIndex != 0 && BitrateIndex != BadBitrate;
}

TkvnMP3StreamReader::TkvnMP3StreamReader(TStream& stream) : stream_(stream)
{
    Scan();
}

void TkvnMP3StreamReader::Scan()
{
    const int64_t size = stream_.GetSize();
    int64_t tagSize = 0;
    if (size >= TagSize) {
        stream_.SetPosition(size - TagSize);
        char tag[3];
        stream_.ReadBuffer(tag, 3);
        if (UpperCase(Trim(std::string(tag, 3))) == "TAG") tagSize = TagSize;
    }

    scanned_ = true;
    frames_.clear();
    double startTime = 0;
    for (int64_t position = 0; position < size - tagSize - 1;) {
        const int64_t sync = FindSync(position);
        if (sync < 0 || sync + 4 > size) {
            scanned_ = false;
            return;
        }
        stream_.SetPosition(sync);
        TBitsEngine bits(stream_);
        const TkvnMP3FrameHeader header = TkvnMP3FrameHeader::FromBits(bits.ReadUB(32));
        const uint32_t length = header.FrameLength();
        if (length == 0) {
            scanned_ = false;
            return;
        }
        if (header.Playable()) {
            frames_.push_back({header, sync, length, startTime});
            startTime += header.SamplesPerFrame() * 1000.0 / header.SampleRate();
        }
        position = sync + length;
    }
}

int64_t TkvnMP3StreamReader::FindSync(int64_t from)
{
    const int64_t last = stream_.GetSize() - 1;
    stream_.SetPosition(from);
    uint8_t previous = 0;
    for (int64_t at = from; at <= last; ++at) {
        uint8_t byte;
        stream_.ReadBuffer(&byte, 1);
        if (at > from && previous == 0xFF && byte >= 0xE0) return at - 1;
        previous = byte;
    }
    return -1;
}

std::unique_ptr<TMemoryStream> TkvnMP3StreamReader::GetFrameData(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= frames_.size()) return nullptr;
    const TkvnMP3StreamReaderFrame& frame = frames_[static_cast<size_t>(index)];
    try {
        auto data = std::make_unique<TMemoryStream>();
        const int64_t available = std::max<int64_t>(0, stream_.GetSize() - frame.Position);
        const int64_t count = std::min<int64_t>(frame.Length, available);
        if (count > 0) {
            stream_.SetPosition(frame.Position);
            data->CopyFrom(stream_, count);
        }
        data->SetPosition(0);
        return data;
    } catch (const std::exception&) {
        return nullptr;
    }
}
