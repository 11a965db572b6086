#include "VideoStream.h"

#include <algorithm>
#include <iterator>

namespace tvmplayer {
namespace {

// Sorenson H.263: start code (17 bits), version (5), temporal reference
// (8), picture size (3; 0 and 1 add a width and height of 8 and 16 bits),
// then the picture type, 0 for intra.
bool H263Intra(std::span<const uint8_t> data)
{
    SwfReader reader(data);
    if (reader.UnsignedBits(17) != 1)
        return false;
    reader.UnsignedBits(13);
    uint32_t size = reader.UnsignedBits(3);
    if (size == 0)
        reader.UnsignedBits(16);
    else if (size == 1)
        reader.UnsignedBits(32);
    return reader.UnsignedBits(2) == 0;
}

// Screen video 1 and 2: the block and image sizes, in version 2 a byte of
// flags, then each block's big-endian length and data; a length of 0 keeps
// the block of the frame before.
bool CodesEveryBlock(std::span<const uint8_t> data, bool version2)
{
    SwfReader reader(data);
    uint32_t blockWidth = (reader.UnsignedBits(4) + 1) * 16, width = reader.UnsignedBits(12);
    uint32_t blockHeight = (reader.UnsignedBits(4) + 1) * 16, height = reader.UnsignedBits(12);
    if (version2 && (reader.U8() & 0x01))
        return false;  // a palette: not a frame this reader can walk
    size_t blocks = size_t{(width + blockWidth - 1) / blockWidth} * ((height + blockHeight - 1) / blockHeight);
    for (size_t i = 0; i < blocks; ++i) {
        uint32_t high = reader.U8();
        uint32_t length = high << 8 | reader.U8();
        if (length == 0)
            return false;
        reader.Skip(length);
    }
    return true;
}

}

bool IsKeyFrame(VideoCodec codec, std::span<const uint8_t> data)
{
    try {
        switch (codec) {
        case VideoCodec::SorensonH263: return H263Intra(data);
        case VideoCodec::ScreenVideo: return CodesEveryBlock(data, false);
        case VideoCodec::ScreenVideo2: return CodesEveryBlock(data, true);
        // VP6: the first bit of the frame is 0 for an intra frame; with
        // alpha, after the 24-bit offset of the alpha data.
        case VideoCodec::Vp6: return !data.empty() && !(data[0] & 0x80);
        case VideoCodec::Vp6Alpha: return data.size() > 3 && !(data[3] & 0x80);
        }
    } catch (const SwfFormatError&) {
        // A frame too short for its header.
    }
    return false;
}

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
    if (auto attached = attached_.find(&video); attached != attached_.end())
        return attached->second ? attached->second->CurrentPicture() : nullptr;
    if (!decoders_)
        return nullptr;
    // The frames to decode: from the latest key frame at or before the one
    // shown (else from the first there is) up to it.
    auto after = video.Frames.upper_bound(static_cast<uint16_t>(std::min<size_t>(frame, UINT16_MAX)));
    auto start = after;
    while (start != video.Frames.begin() && !std::prev(start)->second.Key) --start;
    if (start != video.Frames.begin())
        --start;
    Playback& playback = playing_[&video];
    // Back in time the codecs cannot go: decoding starts again.
    if (playback.Decoded && *playback.Decoded > frame)
        playback = Playback();
    if (!playback.Decoder && !playback.Failed) {
        playback.Decoder = decoders_->Create({video.Codec, video.Width, video.Height, video.Deblocking});
        playback.Failed = !playback.Decoder;
    }
    if (!playback.Decoder)
        return nullptr;
    // On from the last frame decoded, unless a key frame lies beyond it.
    if (playback.Decoded && start != after && start->first <= *playback.Decoded)
        start = video.Frames.upper_bound(static_cast<uint16_t>(*playback.Decoded));
    for (size_t budget = MaxFramesDecodedPerPicture; start != after && budget > 0; ++start, --budget) {
        if (std::optional<Bitmap> picture = playback.Decoder->Decode(start->second.Data, start->second.Key))
            playback.Picture = std::move(picture);
        playback.Decoded = start->first;
    }
    return playback.Picture ? &*playback.Picture : nullptr;
}

}
