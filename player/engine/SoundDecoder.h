#pragma once
// What turns a movie's coded sound into what the mixer adds up: 44,100 Hz
// stereo 16-bit samples, left first. The engine names no codec library; the
// process that hosts it supplies the decoders.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "SoundData.h"

namespace tvmplayer {

inline constexpr uint32_t MixRate = 44100;
inline constexpr int MixChannels = 2;

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // The next piece of one sound's data, its samples appended to out.
    virtual void Decode(std::span<const uint8_t> data, std::vector<int16_t>& out) = 0;
    // The end of the data: whatever the decoder still holds.
    virtual void Finish(std::vector<int16_t>& out) = 0;
};

class SoundDecoders {
public:
    virtual ~SoundDecoders() = default;
    // A decoder for one sound of that format, or null when there is none.
    virtual std::unique_ptr<SoundDecoder> Create(const SoundFormat& format) = 0;
};

}
