#pragma once
// The movies' videos decoded by FFmpeg's libavcodec and turned into the
// engine's pictures by libswscale. The libraries load on the first video;
// without them no video is decoded, and videos draw nothing.
#include "VideoDecoder.h"

class FFmpegVideoDecoders final : public tvmplayer::VideoDecoders {
public:
    std::unique_ptr<tvmplayer::VideoDecoder> Create(const tvmplayer::VideoFormat& format) override;
};

struct AVCodecParameters;
// A decoder for a video stream as a file describes it (FLV, F4V), whatever
// its codec; null when there is none.
std::unique_ptr<tvmplayer::VideoDecoder> CreateVideoDecoder(const AVCodecParameters& parameters);
