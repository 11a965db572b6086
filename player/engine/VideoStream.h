#pragma once
// Video embedded in a movie: a DefineVideoStream character and the coded
// frames its VideoFrame tags bring, by frame number. A placed video shows
// the frame its ratio names; the pictures are decoded in order from the key
// frame before it, as the codecs predict each frame from the one before.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "SwfReader.h"
#include "VideoDecoder.h"

namespace tvmplayer {

struct CodedFrame {
    std::vector<uint8_t> Data;
    bool Key = false;  // decodes without the frames before it
};

struct VideoStream {
    uint16_t FrameCount = 0;
    uint16_t Width = 0, Height = 0;  // pixels
    VideoCodec Codec = VideoCodec::SorensonH263;
    bool Deblocking = true;
    bool Smoothing = false;
    std::map<uint16_t, CodedFrame> Frames;
};

// A DefineVideoStream body after the character id.
VideoStream ReadVideoStream(SwfReader& body);

// Whether a coded frame stands alone, as its own header tells: an intra
// picture of H.263 or VP6, or a screen video frame that codes every block.
bool IsKeyFrame(VideoCodec codec, std::span<const uint8_t> data);

// Frames decoded for one picture at most: a jump far into a video without
// key frames catches up over the pictures after it instead of holding up
// the thread that draws.
inline constexpr size_t MaxFramesDecodedPerPicture = 1024;

// Pictures that come from elsewhere than a video's own frames: a stream a
// script attached to a placed video.
class PictureSource {
public:
    // The picture to show now; null while there is none.
    virtual const Bitmap* CurrentPicture() const = 0;

protected:
    ~PictureSource() = default;
};

// The pictures of the videos on one stage, each from its own decoder. Used
// by the thread that draws.
class VideoPictures {
public:
    // Null: no video is decoded, and videos draw nothing.
    void SetDecoders(VideoDecoders* decoders)
    {
        decoders_ = decoders;
        Clear();
    }
    // The picture of the last frame at or before frame, or of one on the
    // way there; null while none decodes. Valid until the next call or Clear.
    const Bitmap* Picture(const VideoStream& video, size_t frame);
    // From now on video shows source's pictures instead of its own frames;
    // null shows nothing.
    void Attach(const VideoStream& video, const PictureSource* source) { attached_[&video] = source; }
    // Forgets every decoder and attachment: the videos are going.
    void Clear()
    {
        playing_.clear();
        attached_.clear();
    }

private:
    struct Playback {
        std::unique_ptr<VideoDecoder> Decoder;
        bool Failed = false;
        std::optional<size_t> Decoded;  // the last frame given to the decoder
        std::optional<Bitmap> Picture;
    };

    VideoDecoders* decoders_ = nullptr;
    std::map<const VideoStream*, Playback> playing_;
    std::map<const VideoStream*, const PictureSource*> attached_;
};

}
