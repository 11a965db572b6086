#include "VideoStream.h"

namespace tvmplayer {

VideoStream ReadVideoStream(SwfReader& body)
{
    VideoStream video;
    video.FrameCount = body.U16();
    video.Width = body.U16();
    video.Height = body.U16();
    uint8_t flags = body.U8();
    // Deblocking 1 turns the filter off; 0 leaves it to each frame, the
    // others choose its strength.
    video.Deblocking = (flags >> 1 & 7) != 1;
    video.Smoothing = (flags & 1) != 0;
    video.Codec = static_cast<VideoCodec>(body.U8());
    return video;
}

const Bitmap* VideoPictures::Picture(const VideoStream& video, size_t frame)
{
    if (!decoders_)
        return nullptr;
    Playback& playback = playing_[&video];
    // Back in time: the codecs only go forwards, so decoding starts again.
    if (playback.Decoded && *playback.Decoded > frame)
        playback = Playback();
    if (!playback.Decoder && !playback.Failed) {
        playback.Decoder = decoders_->Create({video.Codec, video.Width, video.Height, video.Deblocking});
        playback.Failed = !playback.Decoder;
    }
    if (!playback.Decoder)
        return nullptr;
    auto next = playback.Decoded ? video.Frames.upper_bound(static_cast<uint16_t>(*playback.Decoded))
                                 : video.Frames.begin();
    for (; next != video.Frames.end() && next->first <= frame; ++next) {
        if (std::optional<Bitmap> picture = playback.Decoder->Decode(next->second))
            playback.Picture = std::move(picture);
        playback.Decoded = next->first;
    }
    return playback.Picture ? &*playback.Picture : nullptr;
}

}
