#pragma once
// The movies' videos decoded by FFmpeg's libavcodec and turned into the
// engine's pictures by libswscale. The libraries load on the first video;
// without them no video is decoded, and videos draw nothing.
#include "VideoDecoder.h"

class FFmpegVideoDecoders final : public tvmplayer::VideoDecoders {
public:
    std::unique_ptr<tvmplayer::VideoDecoder> Create(const tvmplayer::VideoFormat& format) override;
};
