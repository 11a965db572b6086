#pragma once
// One MP3 stream through lame_enc.dll: 16-bit interleaved PCM in, whole
// MPEG audio frames out, into whatever stream the caller gives.
#include <cstdint>
#include <string>
#include <vector>

#include "Streams.h"

// Where lame_enc.dll is loaded from: the program's folder unless set.
void SetLameLibraryFolder(const std::string& folder);

class TLameStream {
public:
    // The channel-mode selector as the converter passes it: 1 mono,
    // 3 joint stereo, 4 dual channel, anything else stereo.
    TLameStream(uint32_t sampleRate, uint32_t bitrate, int channelMode);
    ~TLameStream();
    TLameStream(const TLameStream&) = delete;
    TLameStream& operator=(const TLameStream&) = delete;

    // LAME's error code of the set-up; 0 when the stream is ready.
    uint32_t InitResult() const { return initResult_; }
    // Encodes Length bytes in the chunks LAME asks for; answers LAME's error
    // code, and what was encoded before an error stays written.
    uint32_t Encode(const void* data, size_t length, TStream& destination);
    // Writes the frames LAME still holds and closes the stream.
    uint32_t Flush(TStream& destination);

    // Any failure of our own around LAME's calls.
    static constexpr uint32_t HostError = 9;

private:
    uint32_t initResult_ = HostError;
    void* stream_ = nullptr;
    bool open_ = false;
    std::vector<uint8_t> input_;
    std::vector<uint8_t> output_;
};
