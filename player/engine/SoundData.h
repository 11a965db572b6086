#pragma once
// A movie's sounds as its tags describe them: the sounds it defines, the
// starts and stops its frames carry, and the stream sound its main timeline
// plays in blocks, one block per frame.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tvmplayer {

enum class SoundCodec : uint8_t {
    Uncompressed = 0,  // in the byte order of the machine that wrote it: little-endian
    Adpcm = 1,
    Mp3 = 2,
    PcmLittleEndian = 3,
    Nellymoser16kHz = 4,
    Nellymoser8kHz = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundFormat {
    SoundCodec Codec = SoundCodec::Uncompressed;
    uint32_t Rate = 0;  // samples per second of the coded sound
    bool SixteenBit = true;
    bool Stereo = false;
};

struct SoundDefinition {
    uint16_t Id = 0;
    SoundFormat Format;
    // Samples per channel at the coded rate, as the tag declares them.
    uint32_t SampleCount = 0;
    // For MP3 the count of samples to skip at the start, then the frames.
    std::vector<uint8_t> Data;
};

struct EnvelopePoint {
    uint32_t Position = 0;  // in samples at 44,100 Hz from the sound's start
    uint16_t Left = 32768, Right = 32768;
};

struct SoundInfo {
    bool SyncStop = false;
    bool SyncNoMultiple = false;
    // In samples at 44,100 Hz; the out point is where playing ends.
    uint32_t InPoint = 0;
    uint32_t OutPoint = 0;  // 0: the sound's end
    uint16_t Loops = 1;
    std::vector<EnvelopePoint> Envelope;
};

// A StartSound (by id) or StartSound2 (by class name) in a frame.
struct SoundStart {
    uint16_t Id = 0;
    std::string ClassName;
    SoundInfo Info;
};

struct SoundStream {
    SoundFormat Format;
    // The samples per channel each block holds on average.
    uint16_t SamplesPerBlock = 0;
    // Indexed by frame; empty where a frame has no block.
    std::vector<std::vector<uint8_t>> Blocks;
};

struct MovieSounds {
    std::map<uint16_t, std::shared_ptr<const SoundDefinition>> Definitions;
    // Names given to characters by ExportAssets and SymbolClass.
    std::map<std::string, uint16_t> Classes;
    // The main timeline's stream, when it has one.
    std::shared_ptr<SoundStream> Stream;

    // The definition a start names, or null.
    std::shared_ptr<const SoundDefinition> Find(const SoundStart& start) const;
};

}
