#include "FFmpegSoundDecoders.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "AVCodecStubs.h"
#include "AVUtilStubs.h"
#include "FFmpegLibraries.h"
#include "SwResampleStubs.h"

namespace {

using tvmplayer::SoundCodec;

void Report(const std::string& text)
{
    OutputDebugStringA(("player: " + text + "\n").c_str());
}

AVCodecID CodecOf(const tvmplayer::SoundFormat& format)
{
    switch (format.Codec) {
    case SoundCodec::Uncompressed:
    case SoundCodec::PcmLittleEndian:
        return format.SixteenBit ? AV_CODEC_ID_PCM_S16LE : AV_CODEC_ID_PCM_U8;
    case SoundCodec::Adpcm:
        return AV_CODEC_ID_ADPCM_SWF;
    case SoundCodec::Mp3:
        return AV_CODEC_ID_MP3;
    case SoundCodec::Nellymoser16kHz:
    case SoundCodec::Nellymoser8kHz:
    case SoundCodec::Nellymoser:
        return AV_CODEC_ID_NELLYMOSER;
    case SoundCodec::Speex:
        return AV_CODEC_ID_SPEEX;
    }
    return AV_CODEC_ID_NONE;
}

class FFmpegSoundDecoder final : public tvmplayer::SoundDecoder {
public:
    ~FFmpegSoundDecoder() override
    {
        ff::av_frame_free(&frame_);
        ff::av_packet_free(&packet_);
        if (parser_)
            ff::av_parser_close(parser_);
        ff::avcodec_free_context(&codec_);
        ff::swr_free(&resampler_);
    }

    // A sound stream as a file describes it; its packets come whole.
    bool Open(const AVCodecParameters& parameters)
    {
        return Allocate(parameters.codec_id) && ff::avcodec_parameters_to_context(codec_, &parameters) >= 0
               && ff::avcodec_open2(codec_, codec_->codec, nullptr) >= 0;
    }

    bool Open(const tvmplayer::SoundFormat& format)
    {
        AVCodecID id = CodecOf(format);
        if (!Allocate(id))
            return false;
        codec_->sample_rate = static_cast<int>(format.Rate);
        ff::av_channel_layout_default(&codec_->ch_layout, format.Stereo ? 2 : 1);
        // MP3 frames may lie across the pieces the movie gives: a parser
        // finds where each begins.
        if (id == AV_CODEC_ID_MP3)
            parser_ = ff::av_parser_init(id);
        return ff::avcodec_open2(codec_, codec_->codec, nullptr) >= 0;
    }

    void Decode(std::span<const uint8_t> data, std::vector<int16_t>& out) override
    {
        if (!parser_)
            return Send(data.data(), data.size(), out);
        while (!data.empty()) {
            uint8_t* packet = nullptr;
            int packetSize = 0;
            int used = ff::av_parser_parse2(parser_, codec_, &packet, &packetSize, data.data(),
                                            static_cast<int>(data.size()), AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (used < 0)
                return;
            data = data.subspan(static_cast<size_t>(used));
            if (packetSize > 0)
                Send(packet, static_cast<size_t>(packetSize), out);
        }
    }

    void Finish(std::vector<int16_t>& out) override
    {
        if (parser_) {
            uint8_t* packet = nullptr;
            int packetSize = 0;
            ff::av_parser_parse2(parser_, codec_, &packet, &packetSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
            if (packetSize > 0)
                Send(packet, static_cast<size_t>(packetSize), out);
        }
        ff::avcodec_send_packet(codec_, nullptr);
        Receive(out);
        if (resampler_)
            Convert(nullptr, 0, out);
    }

private:
    bool Allocate(AVCodecID id)
    {
        const AVCodec* codec = ff::avcodec_find_decoder(id);
        if (!codec) {
            Report(std::string("no decoder for ") + ff::avcodec_get_name(id));
            return false;
        }
        codec_ = ff::avcodec_alloc_context3(codec);
        packet_ = ff::av_packet_alloc();
        frame_ = ff::av_frame_alloc();
        return codec_ && packet_ && frame_;
    }

    void Send(const uint8_t* data, size_t size, std::vector<int16_t>& out)
    {
        if (size == 0)
            return;
        // The packet refers to the data without owning it.
        packet_->data = const_cast<uint8_t*>(data);
        packet_->size = static_cast<int>(size);
        int result = ff::avcodec_send_packet(codec_, packet_);
        ff::av_packet_unref(packet_);
        if (result >= 0)
            Receive(out);
    }

    void Receive(std::vector<int16_t>& out)
    {
        while (ff::avcodec_receive_frame(codec_, frame_) >= 0) {
            if (!resampler_ && !OpenResampler())
                return ff::av_frame_unref(frame_);
            Convert(const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples, out);
            ff::av_frame_unref(frame_);
        }
    }

    // A mono sound stays mono through the resampler and is then put on both
    // channels at its full level, which a mix down to stereo would lower.
    bool OpenResampler()
    {
        outputChannels_ = frame_->ch_layout.nb_channels == 1 ? 1 : tvmplayer::MixChannels;
        AVChannelLayout output;
        ff::av_channel_layout_default(&output, outputChannels_);
        int result = ff::swr_alloc_set_opts2(&resampler_, &output, AV_SAMPLE_FMT_S16, tvmplayer::MixRate,
                                             &frame_->ch_layout, static_cast<AVSampleFormat>(frame_->format),
                                             frame_->sample_rate, 0, nullptr);
        ff::av_channel_layout_uninit(&output);
        inputRate_ = frame_->sample_rate;
        if (result < 0 || ff::swr_init(resampler_) < 0) {
            Report("cannot resample the sound");
            ff::swr_free(&resampler_);
            return false;
        }
        return true;
    }

    // Input null flushes what the resampler holds.
    void Convert(const uint8_t** input, int count, std::vector<int16_t>& out)
    {
        int64_t delay = ff::swr_get_delay(resampler_, inputRate_);
        int room = static_cast<int>((delay + count) * tvmplayer::MixRate / (inputRate_ > 0 ? inputRate_ : 1)) + 32;
        size_t start = out.size();
        out.resize(start + static_cast<size_t>(room) * tvmplayer::MixChannels);
        uint8_t* target = reinterpret_cast<uint8_t*>(out.data() + start);
        int made = std::max(ff::swr_convert(resampler_, &target, room, input, count), 0);
        if (outputChannels_ == 1)
            for (size_t i = static_cast<size_t>(made); i-- > 0;) out[start + 2 * i] = out[start + 2 * i + 1] = out[start + i];
        out.resize(start + static_cast<size_t>(made) * tvmplayer::MixChannels);
    }

    AVCodecContext* codec_ = nullptr;
    AVCodecParserContext* parser_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int inputRate_ = 0;
    int outputChannels_ = tvmplayer::MixChannels;
};

}

namespace {

template <typename Description>
std::unique_ptr<tvmplayer::SoundDecoder> Opened(const Description& description)
{
    if (!LoadFFmpegLibraries())
        return nullptr;
    auto decoder = std::make_unique<FFmpegSoundDecoder>();
    if (!decoder->Open(description))
        return nullptr;
    return decoder;
}

}

std::unique_ptr<tvmplayer::SoundDecoder> FFmpegSoundDecoders::Create(const tvmplayer::SoundFormat& format)
{
    return Opened(format);
}

std::unique_ptr<tvmplayer::SoundDecoder> CreateSoundDecoder(const AVCodecParameters& parameters)
{
    return Opened(parameters);
}
