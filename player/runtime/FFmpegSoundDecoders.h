#pragma once
// The movies' sounds decoded by FFmpeg's libavcodec and brought to the
// mixer's 44,100 Hz stereo 16-bit by libswresample. The libraries load on
// the first sound; without them no sound is decoded, and the movie plays
// silent. Used on the sound thread only.
#include "SoundDecoder.h"

class FFmpegSoundDecoders final : public tvmplayer::SoundDecoders {
public:
    std::unique_ptr<tvmplayer::SoundDecoder> Create(const tvmplayer::SoundFormat& format) override;
};

struct AVCodecParameters;
// A decoder for a sound stream as a file describes it (FLV, F4V), whatever
// its codec; its packets are whole frames. Null when there is none.
std::unique_ptr<tvmplayer::SoundDecoder> CreateSoundDecoder(const AVCodecParameters& parameters);
