#include "MclOutputFile.h"

#include <algorithm>
#include <cstring>

#include "FFUtils.h"

namespace {

// The rate the encoder can take nearest the one asked for.
int NearestRate(const AVCodec* encoder, int wanted)
{
    if (!encoder->supported_samplerates) return wanted;
    int best = encoder->supported_samplerates[0];
    for (const int* rate = encoder->supported_samplerates; *rate; ++rate)
        if (std::abs(*rate - wanted) < std::abs(best - wanted)) best = *rate;
    return best;
}

// Quality 0-100 as the encoder's fixed quantiser: theora counts 0-10 up,
// the MPEG family 31-2 down.
int GlobalQuality(const char* codec, double quality)
{
    double q = std::clamp(quality, 0.0, 100.0);
    if (!std::strcmp(codec, "libtheora")) return static_cast<int>(FF_QP2LAMBDA * q / 10.0);
    return static_cast<int>(FF_QP2LAMBDA * (31.0 - q * 29.0 / 100.0));
}

}

MclOutputFile::~MclOutputFile()
{
    Release();
}

void MclOutputFile::Release()
{
    video_.reset();
    audio_.reset();
    if (scale_) ff::sws_freeContext(scale_);
    scale_ = nullptr;
    if (output_) {
        if (output_->pb) ff::avio_close(output_->pb);
        ff::avformat_free_context(output_);
        output_ = nullptr;
    }
}

AVStream* MclOutputFile::AddStream(AVCodecContext* codec)
{
    AVStream* stream = ff::avformat_new_stream(output_, nullptr);
    if (!stream || ff::avcodec_parameters_from_context(stream->codecpar, codec) < 0) return nullptr;
    stream->time_base = codec->time_base;
    return stream;
}

int32_t MclOutputFile::OpenVideo(const MclConversion& c, const MclTarget& target, const MclVideoFormat& format)
{
    const AVCodec* encoder = ff::avcodec_find_encoder_by_name(target.VideoCodec);
    if (!encoder) return MCL_ERR_ENCODER;
    video_.reset(ff::avcodec_alloc_context3(encoder));
    if (!video_) return MCL_ERR_ENCODER;
    AVCodecContext& v = *video_;
    v.width = format.Width;
    v.height = format.Height;
    v.pix_fmt = target.PixelFormat;
    v.framerate = format.FrameRate;
    v.time_base = AVRational{format.FrameRate.den, format.FrameRate.num};
    if (c.KeyFrameRate > 0) v.gop_size = c.KeyFrameRate;
    if (c.BitRate > 0) {
        v.bit_rate = int64_t{c.BitRate} * 1000;
        if (c.MaxBitRate >= c.BitRate) {
            v.rc_max_rate = int64_t{c.MaxBitRate} * 1000;
            v.rc_buffer_size = static_cast<int>(std::min<int64_t>(v.rc_max_rate, INT32_MAX));
        }
        if (c.MinBitRate > 0 && c.MinBitRate <= c.BitRate) v.rc_min_rate = int64_t{c.MinBitRate} * 1000;
    } else {
        v.flags |= AV_CODEC_FLAG_QSCALE;
        v.global_quality = GlobalQuality(target.VideoCodec, c.Quality);
    }
    if (c.AspectRatioX > 0 && c.AspectRatioY > 0)
        ff::av_reduce(&v.sample_aspect_ratio.num, &v.sample_aspect_ratio.den, int64_t{c.AspectRatioX} * v.height,
                      int64_t{c.AspectRatioY} * v.width, 65535);
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) v.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (ff::avcodec_open2(&v, encoder, nullptr) < 0) return MCL_ERR_ENCODER;
    videoStream_ = AddStream(&v);
    if (!videoStream_) return MCL_ERR_ENCODER;
    videoStream_->avg_frame_rate = format.FrameRate;
    videoStream_->sample_aspect_ratio = v.sample_aspect_ratio;
    return MCL_OK;
}

int32_t MclOutputFile::OpenAudio(const MclConversion& c, const MclTarget& target)
{
    const AVCodec* encoder = ff::avcodec_find_encoder_by_name(target.AudioCodec);
    if (!encoder || !encoder->sample_fmts) return MCL_ERR_ENCODER;
    audio_.reset(ff::avcodec_alloc_context3(encoder));
    if (!audio_) return MCL_ERR_ENCODER;
    AVCodecContext& a = *audio_;
    a.sample_fmt = encoder->sample_fmts[0];
    a.sample_rate = NearestRate(encoder, c.AudioRate > 0 ? c.AudioRate : 44100);
    ff::av_channel_layout_default(&a.ch_layout, std::clamp(c.AudioChannels, 1, 2));
    a.time_base = AVRational{1, a.sample_rate};
    if (c.AudioBitRate > 0) a.bit_rate = int64_t{c.AudioBitRate} * 1000;
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) a.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (ff::avcodec_open2(&a, encoder, nullptr) < 0) return MCL_ERR_ENCODER;
    audioStream_ = AddStream(&a);
    return audioStream_ ? MCL_OK : MCL_ERR_ENCODER;
}

int32_t MclOutputFile::Open(const std::string& fileName, const MclConversion& conversion, const MclTarget& target,
                            const MclVideoFormat* video, bool audio)
{
    std::string name = FFmpegFileName(fileName);
    packet_.reset(ff::av_packet_alloc());
    if (!packet_ || ff::avformat_alloc_output_context2(&output_, nullptr, target.Container, name.c_str()) < 0)
        return MCL_ERR_ENCODER;
    if (video) {
        if (int32_t result = OpenVideo(conversion, target, *video)) return result;
    }
    if (audio) {
        if (int32_t result = OpenAudio(conversion, target)) return result;
    }
    if (ff::avio_open(&output_->pb, name.c_str(), AVIO_FLAG_WRITE) < 0) return MCL_ERR_FILE;
    if (ff::avformat_write_header(output_, nullptr) < 0) return MCL_ERR_ENCODER;
    headerWritten_ = true;
    return MCL_OK;
}

bool MclOutputFile::ConfigureQueue(MclAudioQueue& queue) const
{
    return audio_ && queue.SetTarget(audio_->sample_fmt, audio_->sample_rate, audio_->ch_layout);
}

int32_t MclOutputFile::Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame)
{
    if (ff::avcodec_send_frame(codec, frame) < 0) return MCL_ERR_ENCODING;
    while (true) {
        int received = ff::avcodec_receive_packet(codec, packet_.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return MCL_OK;
        if (received < 0) return MCL_ERR_ENCODING;
        ff::av_packet_rescale_ts(packet_.get(), codec->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        if (ff::av_interleaved_write_frame(output_, packet_.get()) < 0) return MCL_ERR_FILE;
    }
}

int32_t MclOutputFile::WriteVideo(const MclPicture& picture)
{
    if (!video_) return MCL_ERR_INVALID_ARGUMENT;
    FramePtr frame = PictureToFrame(picture, video_->pix_fmt, video_->width, video_->height, scale_);
    if (!frame) return MCL_ERR_ENCODING;
    frame->pts = videoFrames_++;
    return Encode(video_.get(), videoStream_, frame.get());
}

int32_t MclOutputFile::WriteAudio(MclAudioQueue& queue, int64_t limit, bool final)
{
    if (!audio_) return MCL_OK;
    bool anySize = audio_->frame_size == 0 || (audio_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    int size = anySize ? 1024 : audio_->frame_size;
    while (true) {
        int64_t room = limit - audioSamples_;
        int64_t count = std::min<int64_t>({size, queue.Available(), room});
        bool whole = count == size;
        if (count <= 0 || (!whole && !final)) return MCL_OK;
        // A short last frame is padded with silence where the encoder wants
        // every frame full.
        bool smallLast = anySize || (audio_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
        FramePtr frame = queue.Take(static_cast<int>(count), smallLast ? 0 : size);
        if (!frame) return MCL_ERR_ENCODING;
        frame->pts = audioSamples_;
        audioSamples_ += count;
        if (int32_t result = Encode(audio_.get(), audioStream_, frame.get())) return result;
    }
}

int32_t MclOutputFile::Close()
{
    int32_t result = MCL_OK;
    if (video_) result = Encode(video_.get(), videoStream_, nullptr);
    if (audio_ && !result) result = Encode(audio_.get(), audioStream_, nullptr);
    if (!headerWritten_ && !result) result = MCL_ERR_ENCODER;
    if (headerWritten_ && ff::av_write_trailer(output_) < 0 && !result) result = MCL_ERR_FILE;
    headerWritten_ = false;
    if (output_ && output_->pb && ff::avio_close(output_->pb) < 0 && !result) result = MCL_ERR_FILE;
    if (output_) output_->pb = nullptr;
    Release();
    return result;
}

int64_t MclOutputFile::BytesWritten() const
{
    return output_ && output_->pb ? IOTell(output_->pb) : 0;
}
