#pragma once
// Finds the MPEG audio frames in a stream: where each starts, how long it is
// and when it plays.
#include <cstdint>
#include <memory>
#include <vector>

#include "Streams.h"

// One frame header; bits count from the least significant bit of the 32-bit
// header read big-endian.
struct TkvnMP3FrameHeader {
    uint16_t Sync = 0;             // 31-21, always 2047
    uint8_t VersionIndex = 0;      // 20-19: 0 MPEG 2.5, 1 reserved, 2 MPEG 2, 3 MPEG 1
    uint8_t LayerIndex = 0;        // 18-17: 0 reserved, 1 layer III, 2 layer II, 3 layer I
    uint8_t ProtectionBit = 0;     // 16
    uint8_t BitrateIndex = 0;      // 15-12
    uint8_t SampleRateIndex = 0;   // 11-10
    uint8_t PaddingBit = 0;        // 9
    uint8_t PrivateBit = 0;        // 8
    uint8_t ChannelMode = 0;       // 7-6
    uint8_t ModeExtension = 0;     // 5-4
    uint8_t Copyright = 0;         // 3
    uint8_t Original = 0;          // 2
    uint8_t Emphasis = 0;          // 1-0

    static TkvnMP3FrameHeader FromBits(uint32_t bits);
    uint32_t SampleRate() const;
    // kbit/s; free format reads 65,534 and a bad index 65,535.
    uint32_t Bitrate() const;
    uint32_t SamplesPerFrame() const;
    // Bytes, padding included; 0 where the tables give no length.
    uint32_t FrameLength() const;
    // Frames of a reserved version or layer, or a bad bitrate, are skipped.
    bool Playable() const;
};

struct TkvnMP3StreamReaderFrame {
    TkvnMP3FrameHeader Header;
    int64_t Position = 0;
    uint32_t Length = 0;
    double StartTime = 0;  // ms: the durations of the listed frames before it
};

using TkvnMP3StreamReaderFrameList = std::vector<TkvnMP3StreamReaderFrame>;

class TkvnMP3StreamReader : public TObject {
public:
    // Scans Stream at once; the stream is not owned.
    explicit TkvnMP3StreamReader(TStream& stream);

    // False when a sync was missing or a frame had no length.
    bool Scanned() const { return scanned_; }
    const TkvnMP3StreamReaderFrameList& Frames() const { return frames_; }
    // The bytes of one listed frame (up to the stream's end when it runs
    // past it), or nullptr.
    std::unique_ptr<TMemoryStream> GetFrameData(int index) const;

private:
    void Scan();
    int64_t FindSync(int64_t from);

    TStream& stream_;
    bool scanned_ = false;
    TkvnMP3StreamReaderFrameList frames_;
};
