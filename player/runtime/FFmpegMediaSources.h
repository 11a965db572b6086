#pragma once
// Video files that the movies' scripts play (FLV and F4V), read by FFmpeg's
// libavformat and decoded by the same decoders as the movies' own video and
// sound. Used on the window's thread.
#include "MediaSource.h"

class FFmpegMediaSources final : public tvmplayer::MediaSources {
public:
    std::unique_ptr<tvmplayer::MediaSource> Open(const std::string& name) override;
};
