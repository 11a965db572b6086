#pragma once
// What turns a video's coded frames into pictures. The engine names no codec
// library; the process that hosts it supplies the decoders, as it does for
// sound.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "Bitmap.h"

namespace tvmplayer {

// The codec numbers of DefineVideoStream, as FLV video tags also use them.
enum class VideoCodec : uint8_t {
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
};

struct VideoFormat {
    VideoCodec Codec = VideoCodec::SorensonH263;
    // The size the container declares; a picture may come in another.
    int Width = 0, Height = 0;
    // Whether the decoder's deblocking filter runs.
    bool Deblocking = true;
};

class VideoDecoder {
public:
    virtual ~VideoDecoder() = default;
    // One coded frame, and whether it is a key frame (one that needs no
    // frame before it); the picture it completes, premultiplied 0xAARRGGBB,
    // or nothing while the codec holds it back or cannot decode it.
    virtual std::optional<Bitmap> Decode(std::span<const uint8_t> data, bool keyFrame) = 0;
    // No frame comes after the last one given: the pictures the codec still
    // holds back for reordering, in the order they show. It decodes nothing
    // after.
    virtual std::vector<Bitmap> Finish() { return {}; }
};

class VideoDecoders {
public:
    virtual ~VideoDecoders() = default;
    // A decoder for one video of that format, or null when there is none.
    virtual std::unique_ptr<VideoDecoder> Create(const VideoFormat& format) = 0;
};

}
