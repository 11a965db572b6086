#include "FFmpegVideoDecoders.h"

#include <windows.h>

#include <string>
#include <vector>

#include "AVCodecStubs.h"
#include "AVUtilStubs.h"
#include "FFmpegLibraries.h"
#include "SwScaleStubs.h"
#include "Surface.h"

namespace {

using tvmplayer::VideoCodec;

AVCodecID CodecOf(VideoCodec codec)
{
    switch (codec) {
    case VideoCodec::SorensonH263: return AV_CODEC_ID_FLV1;
    case VideoCodec::ScreenVideo: return AV_CODEC_ID_FLASHSV;
    case VideoCodec::Vp6: return AV_CODEC_ID_VP6F;
    case VideoCodec::Vp6Alpha: return AV_CODEC_ID_VP6A;
    case VideoCodec::ScreenVideo2: return AV_CODEC_ID_FLASHSV2;
    }
    return AV_CODEC_ID_NONE;
}

class FFmpegVideoDecoder final : public tvmplayer::VideoDecoder {
public:
    ~FFmpegVideoDecoder() override
    {
        ff::sws_freeContext(scaler_);
        ff::av_frame_free(&frame_);
        ff::av_packet_free(&packet_);
        ff::avcodec_free_context(&codec_);
    }

    bool Open(const tvmplayer::VideoFormat& format)
    {
        if (!Allocate(CodecOf(format.Codec)))
            return false;
        codec_->width = format.Width;
        codec_->height = format.Height;
        if (!format.Deblocking)
            codec_->skip_loop_filter = AVDISCARD_ALL;
        return ff::avcodec_open2(codec_, codec_->codec, nullptr) >= 0;
    }

    // A video stream as a file describes it, its codec's own set-up included.
    bool Open(const AVCodecParameters& parameters)
    {
        return Allocate(parameters.codec_id) && ff::avcodec_parameters_to_context(codec_, &parameters) >= 0
               && ff::avcodec_open2(codec_, codec_->codec, nullptr) >= 0;
    }

    std::optional<tvmplayer::Bitmap> Decode(std::span<const uint8_t> data, bool keyFrame) override
    {
        if (data.empty())
            return std::nullopt;
        // The decoders read a little past the end of what they are given.
        padded_.assign(data.begin(), data.end());
        padded_.resize(data.size() + AV_INPUT_BUFFER_PADDING_SIZE);
        packet_->data = padded_.data();
        packet_->size = static_cast<int>(data.size());
        // Screen video 2 keeps its last key frame for the frames after it to
        // build on, and learns of one only from this flag.
        if (keyFrame)
            packet_->flags |= AV_PKT_FLAG_KEY;
        int sent = ff::avcodec_send_packet(codec_, packet_);
        ff::av_packet_unref(packet_);
        std::optional<tvmplayer::Bitmap> picture;
        if (sent < 0)
            return picture;
        // A frame that brings several pictures shows its last.
        while (ff::avcodec_receive_frame(codec_, frame_) >= 0) {
            picture = Convert();
            ff::av_frame_unref(frame_);
        }
        return picture;
    }

    std::vector<tvmplayer::Bitmap> Finish() override
    {
        std::vector<tvmplayer::Bitmap> pictures;
        // The empty packet asks the codec to let go of what it holds.
        if (ff::avcodec_send_packet(codec_, nullptr) < 0)
            return pictures;
        while (ff::avcodec_receive_frame(codec_, frame_) >= 0) {
            if (std::optional<tvmplayer::Bitmap> picture = Convert())
                pictures.push_back(std::move(*picture));
            ff::av_frame_unref(frame_);
        }
        return pictures;
    }

private:
    bool Allocate(AVCodecID id)
    {
        const AVCodec* codec = ff::avcodec_find_decoder(id);
        if (!codec) {
            OutputDebugStringA((std::string("player: no video decoder for ") + ff::avcodec_get_name(id) + "\n").c_str());
            return false;
        }
        codec_ = ff::avcodec_alloc_context3(codec);
        packet_ = ff::av_packet_alloc();
        frame_ = ff::av_frame_alloc();
        return codec_ && packet_ && frame_;
    }

    std::optional<tvmplayer::Bitmap> Convert()
    {
        int width = frame_->width, height = frame_->height;
        if (width <= 0 || height <= 0 || static_cast<size_t>(width) * height > tvmplayer::MaxBitmapPixels)
            return std::nullopt;
        auto format = static_cast<AVPixelFormat>(frame_->format);
        scaler_ = ff::sws_getCachedContext(scaler_, width, height, format, width, height, AV_PIX_FMT_BGRA,
                                           SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (!scaler_)
            return std::nullopt;
        tvmplayer::Bitmap picture;
        picture.Width = width;
        picture.Height = height;
        picture.Pixels.resize(static_cast<size_t>(width) * height);
        uint8_t* target[4] = {reinterpret_cast<uint8_t*>(picture.Pixels.data())};
        int targetStride[4] = {width * 4};
        ff::sws_scale(scaler_, frame_->data, frame_->linesize, 0, height, target, targetStride);
        // Only VP6 with alpha brings transparency; the engine's pictures
        // are premultiplied.
        if (format == AV_PIX_FMT_YUVA420P)
            for (uint32_t& pixel : picture.Pixels) pixel = tvmplayer::Premultiply(pixel);
        return picture;
    }

    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* scaler_ = nullptr;
    std::vector<uint8_t> padded_;
};

}

namespace {

template <typename Description>
std::unique_ptr<tvmplayer::VideoDecoder> Opened(const Description& description)
{
    if (!LoadFFmpegLibraries())
        return nullptr;
    auto decoder = std::make_unique<FFmpegVideoDecoder>();
    if (!decoder->Open(description))
        return nullptr;
    return decoder;
}

}

std::unique_ptr<tvmplayer::VideoDecoder> FFmpegVideoDecoders::Create(const tvmplayer::VideoFormat& format)
{
    return Opened(format);
}

std::unique_ptr<tvmplayer::VideoDecoder> CreateVideoDecoder(const AVCodecParameters& parameters)
{
    return Opened(parameters);
}
