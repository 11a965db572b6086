#include "FileInput.h"

#include "FFLoad.h"
#include "FFUtils.h"
#include "SysUtils.h"
#include "UnicodeProtocol.h"

#include <span>

int TFileInput::Fail(int code, const std::string& message)
{
    errorText_ = message;
    ReadClose();
    return code;
}

int TFileInput::Open(const std::wstring& fileName, const TChoice& choice, const TBeforeStreamInfo& before)
{
    ReadClose();
    std::string name = WideToAnsi(fileName);
    const AVInputFormat* inputFormat = nullptr;
    if (!choice.Format.empty() && !(inputFormat = ff::av_find_input_format(choice.Format.c_str())))
        return Fail(AVERROR(EINVAL), Format("Unknown input format: \"%s\"", choice.Format));
    context_ = ff::avformat_alloc_context();
    packet_ = ff::av_packet_alloc();
    if (!context_ || !packet_) return Fail(AVERROR(ENOMEM), "avformat_alloc_context failed");
    context_->interrupt_callback.callback = InterruptCallback;
    std::string url = WideToUTF8Name(fileName);
    int result = ff::avformat_open_input(&context_, url.c_str(), inputFormat, nullptr);
    if (result < 0) return Fail(result, ::ErrorText(name, result));
    if (choice.ProgramID >= 0 && (result = KeepProgram(choice.ProgramID)) < 0)
        return Fail(result, "Specified program id not found");
    if (before) before(context_);
    if (ff::avformat_find_stream_info(context_, nullptr) < 0)
        return Fail(AVERROR_INVALIDDATA, Format("%s: could not find codec parameters", name));
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO})
        if ((result = OpenDecoder(type)) < 0) return Fail(result, ::ErrorText(name, result));
    if (streams_.empty()) return Fail(AVERROR_STREAM_NOT_FOUND, name + ": no video or audio stream to read");
    // Times count from the file's start, as the program-fed inputs' do.
    if (context_->start_time != AV_NOPTS_VALUE) startTime_ = context_->start_time;
    if (choice.StartTime != AV_NOPTS_VALUE) SeekTo(name, choice.StartTime);
    return 0;
}

int TFileInput::KeepProgram(int programId)
{
    const AVProgram* kept = nullptr;
    for (const AVProgram* program : std::span(context_->programs, context_->nb_programs))
        if (program->id == programId) kept = program;
    if (!kept) return AVERROR_STREAM_NOT_FOUND;
    for (AVStream* stream : std::span(context_->streams, context_->nb_streams)) stream->discard = AVDISCARD_ALL;
    for (unsigned index : std::span(kept->stream_index, kept->nb_stream_indexes))
        context_->streams[index]->discard = AVDISCARD_DEFAULT;
    if (kept->nb_stream_indexes > 0) relatedStream_ = static_cast<int>(kept->stream_index[0]);
    return 0;
}

void TFileInput::SeekTo(const std::string& name, int64_t position)
{
    if (ff::avformat_seek_file(context_, -1, INT64_MIN, startTime_ + position, INT64_MAX, 0) < 0) {
        ff::av_log(nullptr, AV_LOG_WARNING, "%s: could not seek to position %0.3f\n", name.c_str(), position / 1e6);
        return;
    }
    startTime_ += position;
    firstKept_ = 0;
}

int TFileInput::OpenDecoder(AVMediaType type)
{
    const AVCodec* codec = nullptr;
    // With a program kept, the best stream is chosen among its own.
    int index = ff::av_find_best_stream(context_, type, -1, relatedStream_, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND) return 0;
    if (index < 0) return index;
    AVStream* stream = context_->streams[index];
    AVCodecContext* decoder = ff::avcodec_alloc_context3(codec);
    if (!decoder) return AVERROR(ENOMEM);
    streams_.push_back({index, decoder, {}});
    int result = ff::avcodec_parameters_to_context(decoder, stream->codecpar);
    decoder->pkt_timebase = stream->time_base;
    if (result >= 0) result = ff::avcodec_open2(decoder, codec, nullptr);
    if (result < 0) return result;
    for (AVStream* other : std::span(context_->streams, context_->nb_streams))
        if (other != stream && other->codecpar->codec_type == type) other->discard = AVDISCARD_ALL;
    TProgramStreamInfo& info = streams_.back().Info;
    info.Type = type;
    if (type == AVMEDIA_TYPE_VIDEO) {
        info.Width = decoder->width;
        info.Height = decoder->height;
        info.PixelFormat = decoder->pix_fmt;
        info.FrameRate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
        if (info.FrameRate.num <= 0) info.FrameRate = {25, 1};
    } else {
        info.SampleRate = decoder->sample_rate;
        info.Channels = decoder->ch_layout.nb_channels;
        info.SampleFormat = decoder->sample_fmt;
    }
    return 0;
}

std::vector<TProgramStreamInfo> TFileInput::Streams() const
{
    std::vector<TProgramStreamInfo> infos;
    for (const TDecodedStream& stream : streams_) infos.push_back(stream.Info);
    return infos;
}

int64_t TFileInput::Duration() const
{
    return context_ && context_->duration > 0 ? context_->duration : 0;
}

void TFileInput::Receive(int stream)
{
    AVCodecContext* decoder = streams_[stream].Decoder;
    AVRational timeBase = context_->streams[streams_[stream].Index]->time_base;
    for (;;) {
        AVFrame* frame = ff::av_frame_alloc();
        if (!frame || ff::avcodec_receive_frame(decoder, frame) < 0) {
            ff::av_frame_free(&frame);
            return;
        }
        int64_t pts = frame->best_effort_timestamp;
        frame->pts = pts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : ff::av_rescale_q(pts, timeBase, MicrosecondBase) - startTime_;
        if (frame->pts != AV_NOPTS_VALUE && frame->pts < firstKept_) {
            ff::av_frame_free(&frame);
            continue;
        }
        decoded_.emplace_back(stream, frame);
    }
}

int TFileInput::DecodeMore()
{
    if (draining_) {
        // At the end every decoder gives what it still holds, one after another.
        for (size_t i = 0; i < streams_.size() && decoded_.empty(); ++i) {
            if (ff::avcodec_send_packet(streams_[i].Decoder, nullptr) < 0) continue;
            Receive(static_cast<int>(i));
        }
        return decoded_.empty() ? AVERROR_EOF : 0;
    }
    int result = ff::av_read_frame(context_, packet_);
    if (result == AVERROR(EAGAIN)) return result;
    if (result < 0) {
        draining_ = true;
        return 0;
    }
    for (size_t i = 0; i < streams_.size(); ++i) {
        if (streams_[i].Index != packet_->stream_index) continue;
        // A damaged packet is skipped, as a player would.
        if (ff::avcodec_send_packet(streams_[i].Decoder, packet_) >= 0) Receive(static_cast<int>(i));
    }
    ff::av_packet_unref(packet_);
    return 0;
}

int TFileInput::ReadNextFrame(AVFrame* frame, int& stream)
{
    if (!context_) return AVERROR_EOF;
    while (decoded_.empty()) {
        int result = DecodeMore();
        if (result < 0) return result;
    }
    auto [index, decodedFrame] = decoded_.front();
    decoded_.pop_front();
    ff::av_frame_move_ref(frame, decodedFrame);
    ff::av_frame_free(&decodedFrame);
    stream = index;
    return 0;
}

void TFileInput::ReadClose()
{
    for (auto& [index, frame] : decoded_) ff::av_frame_free(&frame);
    decoded_.clear();
    for (TDecodedStream& stream : streams_) ff::avcodec_free_context(&stream.Decoder);
    streams_.clear();
    ff::av_packet_free(&packet_);
    if (context_) ff::avformat_close_input(&context_);
    context_ = nullptr;
    draining_ = false;
    startTime_ = 0;
    firstKept_ = INT64_MIN;
    relatedStream_ = -1;
}
