#include "FFOutput.h"

#include "FFLog.h"
#include "SysUtils.h"
#include "vf_rotate.h"

#include <climits>
#include <cmath>

namespace {

// libavcodec's lambda of one quantiser step.
constexpr double QP2Lambda = 118.0;

void Check(int code, const std::string& what)
{
    if (code < 0) throw FFmpegException(ErrorText(what, code));
}

void EngineLog(TLogLevel level, const std::string& message)
{
    FFLogger().Log(nullptr, level, message);
}

uint32_t FourCC(const std::string& tag)
{
    std::string padded = (tag + "    ").substr(0, 4);
    return MKTAG(padded[0], padded[1], padded[2], padded[3]);
}

// The codec FFmpeg's muxer writes by default for a kind of stream.
const AVCodec* DefaultEncoder(AVFormatContext* output, AVMediaType type)
{
    AVCodecID id = ff::av_guess_codec(output->oformat, nullptr, output->url, nullptr, type);
    return id == AV_CODEC_ID_NONE ? nullptr : ff::avcodec_find_encoder(id);
}

const AVCodec* ChooseEncoder(AVFormatContext* output, AVMediaType type, const std::string& name, std::string& tag)
{
    const AVCodec* codec = name.empty() ? DefaultEncoder(output, type) : FindEncoderByName(name, tag);
    if (!codec) throw FFmpegException(name.empty() ? "Could not find a default encoder" : "Unknown encoder '" + name + "'");
    if (codec->type != type) throw FFmpegException("Invalid encoder type '" + name + "'");
    return codec;
}

// The format an encoder gets pictures of format Input in. A lossy encoder
// takes the first it lists, the 4:2:0 one that every player decodes: the
// nearest to RGB would be 4:4:4, which H.264 writes only in a profile few
// players know and Theora players seldom show. A lossless one takes the
// format that loses least, so that its pictures stay exact.
AVPixelFormat ChoosePixelFormat(const AVCodec* codec, AVPixelFormat input)
{
    if (!codec->pix_fmts) return input;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == input) return input;
    const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get(codec->id);
    if (descriptor && !(descriptor->props & AV_CODEC_PROP_LOSSY))
        return ff::avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, input, 0, nullptr);
    return codec->pix_fmts[0];
}

uint16_t* CopyMatrix(const std::vector<uint16_t>& matrix)
{
    if (matrix.empty()) return nullptr;
    auto* copy = static_cast<uint16_t*>(ff::av_malloc(64 * sizeof(uint16_t)));
    if (!copy) throw FFmpegException("Could not alloc buffer.");
    std::copy(matrix.begin(), matrix.end(), copy);
    return copy;
}

}

const AVCodec* FindEncoderByName(const std::string& name, std::string& tag)
{
    std::string lookup = name;
    if (name == "libxvid" && !ff::avcodec_find_encoder_by_name("libxvid")) {
        lookup = "mpeg4";
        if (tag.empty()) tag = "XVID";
        EngineLog(llInfo, "Encoder libxvid not available, using mpeg4 with the XVID tag");
    } else if (name == "libfaac" && !ff::avcodec_find_encoder_by_name("libfaac")) {
        lookup = "aac";
        EngineLog(llInfo, "Encoder libfaac not available, using aac");
    }
    if (const AVCodec* codec = ff::avcodec_find_encoder_by_name(lookup.c_str())) return codec;
    // A codec's name ("h264") finds its first encoder, as ids never do here.
    const AVCodecDescriptor* descriptor = ff::avcodec_descriptor_get_by_name(lookup.c_str());
    return descriptor ? ff::avcodec_find_encoder(descriptor->id) : nullptr;
}

TOutputStream::TOutputStream(AVFormatContext* output, int sourceFile, int sourceStream, const TProgramStreamInfo& input)
    : output_(output), sourceFile_(sourceFile), sourceStream_(sourceStream), input_(input), type_(input.Type)
{
    work_ = ff::av_frame_alloc();
    packet_ = ff::av_packet_alloc();
    if (!work_ || !packet_) throw FFmpegException("Could not alloc output stream");
}

TOutputStream::~TOutputStream()
{
    ff::avfilter_graph_free(&graph_);
    ff::swr_free(&resampler_);
    if (fifo_) ff::av_audio_fifo_free(fifo_);
    ff::avcodec_free_context(&encoder_);
    ff::av_frame_free(&work_);
    ff::av_packet_free(&packet_);
}

void TOutputStream::ConfigureVideoFilters()
{
    const TEngineOptions& options = options_;
    graph_ = ff::avfilter_graph_alloc();
    if (!graph_) throw FFmpegException("Could not alloc filter graph");
    // One thread: the graph's own pool (a thread per processor) waited on
    // its threads for every picture, costing more than the conversion it
    // shared out and swinging with the machine's load; the encoder has threads.
    graph_->nb_threads = 1;
    std::string sourceArgs = Format("video_size=%dx%d:pix_fmt=%d:time_base=1/1000000:pixel_aspect=1/1", input_.Width,
                                    input_.Height, int(input_.PixelFormat));
    Check(ff::avfilter_graph_create_filter(&source_, ff::avfilter_get_by_name("buffer"), "src", sourceArgs.c_str(),
                                           nullptr, graph_),
          "Video source");
    Check(ff::avfilter_graph_create_filter(&sink_, ff::avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                           graph_),
          "Video sink");
    std::vector<std::string> chain;
    // A graph made again for another input keeps the encoder's size.
    bool again = encoder_->width > 0;
    int width = again ? encoder_->width : options.FrameWidth > 0 ? options.FrameWidth : input_.Width;
    int height = again ? encoder_->height : options.FrameHeight > 0 ? options.FrameHeight : input_.Height;
    if (!again && (width != input_.Width || height != input_.Height))
        chain.push_back(Format("scale=%d:%d:flags=bicubic", width, height));
    if (!options.VideoFilters.empty()) chain.push_back(TranslateRotateFilter(options.VideoFilters));
    if (again) chain.push_back(Format("scale=%d:%d:flags=bicubic", width, height));
    // Constant frame rate: frames are repeated or dropped to keep the rate.
    if (options.VideoSyncMethod != 0)
        chain.push_back(Format("fps=%d/%d", encoder_->time_base.den, encoder_->time_base.num));
    chain.push_back(std::string("format=pix_fmts=") + ff::av_get_pix_fmt_name(encoder_->pix_fmt));
    std::string description;
    for (const std::string& part : chain) description += (description.empty() ? "" : ",") + part;

    AVFilterInOut* outputs = ff::avfilter_inout_alloc();
    AVFilterInOut* inputs = ff::avfilter_inout_alloc();
    if (!outputs || !inputs) {
        ff::avfilter_inout_free(&outputs);
        ff::avfilter_inout_free(&inputs);
        throw FFmpegException("Could not alloc filter graph");
    }
    outputs->name = ff::av_strdup("in");
    outputs->filter_ctx = source_;
    inputs->name = ff::av_strdup("out");
    inputs->filter_ctx = sink_;
    int result = ff::avfilter_graph_parse_ptr(graph_, description.c_str(), &inputs, &outputs, nullptr);
    ff::avfilter_inout_free(&outputs);
    ff::avfilter_inout_free(&inputs);
    Check(result, "Video filters '" + description + "'");
    Check(ff::avfilter_graph_config(graph_, nullptr), "Video filters '" + description + "'");
    if (again) return;
    encoder_->width = ff::av_buffersink_get_w(sink_);
    encoder_->height = ff::av_buffersink_get_h(sink_);
    AVRational aspect = options.AspectRatio > 0
                            ? ff::av_d2q(options.AspectRatio * encoder_->height / encoder_->width, 255)
                            : ff::av_buffersink_get_sample_aspect_ratio(sink_);
    encoder_->sample_aspect_ratio = stream_->sample_aspect_ratio = aspect;
}

void TOutputStream::OpenEncoder(const AVCodec* codec, AVDictionary* options,
                                const std::vector<std::pair<std::string, std::string>>& extra)
{
    if (output_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* copy = nullptr;
    ff::av_dict_copy(&copy, options, 0);
    if (!ff::av_dict_get(copy, "threads", nullptr, 0)) ff::av_dict_set(&copy, "threads", "auto", 0);
    for (const auto& [key, value] : extra) ff::av_dict_set(&copy, key.c_str(), value.c_str(), 0);
    int result = ff::avcodec_open2(encoder_, codec, &copy);
    ff::av_dict_free(&copy);
    Check(result, Format("Error while opening encoder for output stream #0.%d - maybe incorrect parameters such as "
                         "bit_rate, rate, width or height",
                         stream_->index));
    Check(ff::avcodec_parameters_from_context(stream_->codecpar, encoder_), "Codec parameters");
    stream_->time_base = encoder_->time_base;
}

void TOutputStream::OpenVideo(const TEngineOptions& options, const TOptionContext& context)
{
    std::string tag = options.VideoTag;
    const AVCodec* codec = ChooseEncoder(output_, AVMEDIA_TYPE_VIDEO, options.VideoCodec, tag);
    stream_ = ff::avformat_new_stream(output_, nullptr);
    encoder_ = ff::avcodec_alloc_context3(codec);
    if (!stream_ || !encoder_) throw FFmpegException("Could not alloc output stream");
    context.ApplyOptions(encoder_, context.CodecContext(AVMEDIA_TYPE_VIDEO),
                         AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_VIDEO_PARAM, codec);
    AVRational rate = options.FrameRate.num > 0 ? options.FrameRate : input_.FrameRate;
    if (codec->supported_framerates) rate = codec->supported_framerates[ff::av_find_nearest_q_idx(rate, codec->supported_framerates)];
    encoder_->time_base = {rate.den, rate.num};
    encoder_->framerate = rate;
    stream_->avg_frame_rate = rate;
    encoder_->pix_fmt = ChoosePixelFormat(codec, input_.PixelFormat);
    if (encoder_->pix_fmt != input_.PixelFormat)
        EngineLog(llWarning, Format("Incompatible pixel format \"%s\" for codec \"%s\", auto-selecting format \"%s\"",
                                    ff::av_get_pix_fmt_name(input_.PixelFormat), codec->name,
                                    ff::av_get_pix_fmt_name(encoder_->pix_fmt)));
    if (options.VideoBitrate > 0) encoder_->bit_rate = options.VideoBitrate;
    if (options.MaxRate > 0) encoder_->rc_max_rate = options.MaxRate;
    if (options.MinRate > 0) encoder_->rc_min_rate = options.MinRate;
    if (options.BufferSize > 0) encoder_->rc_buffer_size = static_cast<int>(options.BufferSize);
    if (options.BitrateTolerance > 0) encoder_->bit_rate_tolerance = static_cast<int>(options.BitrateTolerance);
    if (options.GOPSize > 0) encoder_->gop_size = options.GOPSize;
    encoder_->intra_matrix = CopyMatrix(options.IntraMatrix);
    encoder_->inter_matrix = CopyMatrix(options.InterMatrix);
    if (!options.VideoLanguage.empty()) ff::av_dict_set(&stream_->metadata, "language", options.VideoLanguage.c_str(), 0);
    options_ = options;
    ConfigureVideoFilters();
    // The encoder knows its tag before it opens: an MPEG-4 stream tagged
    // XVID is written the way decoders expect of one.
    if (!tag.empty()) encoder_->codec_tag = FourCC(tag);
    OpenEncoder(codec, context.VideoOptions(), options.PrivateVideoOptions);
}

void TOutputStream::OpenAudio(const TEngineOptions& options, const TOptionContext& context)
{
    std::string tag = options.AudioTag;
    const AVCodec* codec = ChooseEncoder(output_, AVMEDIA_TYPE_AUDIO, options.AudioCodec, tag);
    stream_ = ff::avformat_new_stream(output_, nullptr);
    encoder_ = ff::avcodec_alloc_context3(codec);
    if (!stream_ || !encoder_) throw FFmpegException("Could not alloc output stream");
    context.ApplyOptions(encoder_, context.CodecContext(AVMEDIA_TYPE_AUDIO),
                         AV_OPT_FLAG_ENCODING_PARAM | AV_OPT_FLAG_AUDIO_PARAM, codec);
    encoder_->sample_fmt = input_.SampleFormat;
    if (codec->sample_fmts) {
        bool listed = false;
        for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) listed |= *f == input_.SampleFormat;
        if (!listed) {
            encoder_->sample_fmt = codec->sample_fmts[0];
            EngineLog(llWarning, Format("Incompatible sample format \"%s\" for codec \"%s\", auto-selecting format \"%s\"",
                                        ff::av_get_sample_fmt_name(input_.SampleFormat), codec->name,
                                        ff::av_get_sample_fmt_name(encoder_->sample_fmt)));
        }
    }
    int rate = options.AudioSampleRate > 0 ? options.AudioSampleRate : input_.SampleRate;
    if (codec->supported_samplerates) {
        int best = codec->supported_samplerates[0];
        for (const int* r = codec->supported_samplerates; *r; ++r)
            if (std::abs(*r - rate) < std::abs(best - rate)) best = *r;
        if (best != rate) EngineLog(llWarning, Format("Requested sampling rate unsupported using closest supported (%d)", best));
        rate = best;
    }
    encoder_->sample_rate = rate;
    encoder_->time_base = {1, rate};
    ff::av_channel_layout_default(&encoder_->ch_layout, options.AudioChannels > 0 ? options.AudioChannels : input_.Channels);
    if (options.AudioBitrate > 0) encoder_->bit_rate = options.AudioBitrate;
    if (options.AudioBitrateTolerance > 0) encoder_->bit_rate_tolerance = static_cast<int>(options.AudioBitrateTolerance);
    if (!options.AudioLanguage.empty()) ff::av_dict_set(&stream_->metadata, "language", options.AudioLanguage.c_str(), 0);
    if (!tag.empty()) encoder_->codec_tag = FourCC(tag);
    OpenEncoder(codec, context.AudioOptions(), {});
    audioSync_ = options.AudioSyncMethod;
    options_ = options;
    CreateResampler();
    fifo_ = ff::av_audio_fifo_alloc(encoder_->sample_fmt, encoder_->ch_layout.nb_channels, 1);
    if (!fifo_) throw FFmpegException("Could not alloc buffer.");
}

void TOutputStream::CreateResampler()
{
    AVChannelLayout inputLayout;
    ff::av_channel_layout_default(&inputLayout, input_.Channels);
    Check(ff::swr_alloc_set_opts2(&resampler_, &encoder_->ch_layout, encoder_->sample_fmt, encoder_->sample_rate, &inputLayout,
                                  input_.SampleFormat, input_.SampleRate, 0, nullptr),
          "Audio resampler");
    if (options_.AudioVolume != 256) {
        // The resampler's matrix carries the volume.
        ff::av_opt_set_double(resampler_, "rematrix_volume", options_.AudioVolume / 256.0, 0);
        ff::av_opt_set_int(resampler_, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0);
    }
    Check(ff::swr_init(resampler_), "Audio resampler");
}

void TOutputStream::ChangeSource(int sourceFile, int sourceStream, const TProgramStreamInfo& input)
{
    sourceFile_ = sourceFile;
    sourceStream_ = sourceStream;
    bool sameLayout = type_ == AVMEDIA_TYPE_VIDEO
                          ? input.Width == input_.Width && input.Height == input_.Height &&
                                input.PixelFormat == input_.PixelFormat
                          : input.SampleRate == input_.SampleRate && input.Channels == input_.Channels &&
                                input.SampleFormat == input_.SampleFormat;
    if (sameLayout || flushed_) return;
    if (type_ == AVMEDIA_TYPE_VIDEO) {
        DrainFilters(true, false);
        ff::avfilter_graph_free(&graph_);
        input_ = input;
        ConfigureVideoFilters();
    } else {
        // What the old resampler still holds goes out at the old rate first.
        int64_t reached = ff::av_rescale(inputSamples_, 1000000, input_.SampleRate);
        ResampleAudio(nullptr, false);
        ff::swr_free(&resampler_);
        input_ = input;
        inputSamples_ = ff::av_rescale(reached, input_.SampleRate, 1000000);
        CreateResampler();
    }
}

void TOutputStream::SendFrame(AVFrame* frame)
{
    if (flushed_) return;
    if (frame) ++framesIn_;
    if (type_ == AVMEDIA_TYPE_VIDEO)
        FilterVideo(frame);
    else
        ResampleAudio(frame, !frame);
    flushed_ = !frame;
}

void TOutputStream::FilterVideo(AVFrame* frame)
{
    if (frame) {
        lastInputPts_ = frame->pts;
        Check(ff::av_buffersrc_add_frame_flags(source_, frame, AV_BUFFERSRC_FLAG_KEEP_REF), "Video filters");
    }
    DrainFilters(!frame, true);
}

void TOutputStream::DrainFilters(bool close, bool endEncoder)
{
    if (close) {
        // The end lies one input frame after the last one, so that the
        // constant-rate step keeps that frame too.
        int64_t end = lastInputPts_ == AV_NOPTS_VALUE
                          ? 0
                          : lastInputPts_ + ff::av_rescale(1000000, input_.FrameRate.den, input_.FrameRate.num);
        Check(ff::av_buffersrc_close(source_, end, 0), "Video filters");
    }
    AVRational sinkBase = ff::av_buffersink_get_time_base(sink_);
    for (;;) {
        int result = ff::av_buffersink_get_frame(sink_, work_);
        if (result == AVERROR(EAGAIN)) return;
        if (result == AVERROR_EOF) {
            if (endEncoder) Encode(nullptr);
            return;
        }
        Check(result, "Video filters");
        work_->pts = ff::av_rescale_q(work_->pts, sinkBase, encoder_->time_base);
        work_->pict_type = AV_PICTURE_TYPE_NONE;
        if (OnEncodeFrame) {
            // A picture the graph repeats shares its buffer: the hooks get their own.
            Check(ff::av_frame_make_writable(work_), "Video hooks");
            OnEncodeFrame(work_, static_cast<int>(frameNumber_ + 1),
                          ff::av_rescale_q(work_->pts, encoder_->time_base, MicrosecondBase));
        }
        Encode(work_);
        ff::av_frame_unref(work_);
    }
}

void TOutputStream::PadAudioGap(const AVFrame* frame)
{
    if (audioSync_ <= 1 || frame->pts == AV_NOPTS_VALUE) return;
    // The gap in samples of the input, whose rate the frame's times count in.
    int64_t expected = ff::av_rescale(inputSamples_, 1000000, input_.SampleRate);
    int64_t gap = ff::av_rescale(frame->pts - expected, input_.SampleRate, 1000000);
    if (gap <= input_.SampleRate / 10) return;
    EngineLog(llVerbose, Format("Inserting %d samples of silence", int(gap)));
    AVFrame* silence = ff::av_frame_alloc();
    silence->format = input_.SampleFormat;
    silence->sample_rate = input_.SampleRate;
    silence->nb_samples = static_cast<int>(std::min<int64_t>(gap, INT_MAX / 64));
    ff::av_channel_layout_default(&silence->ch_layout, input_.Channels);
    int result = ff::av_frame_get_buffer(silence, 0);
    if (result >= 0) {
        // Unsigned 8-bit silence is the middle value, 128.
        ff::av_samples_set_silence(silence->extended_data, 0, silence->nb_samples, input_.Channels, input_.SampleFormat);
        silence->pts = AV_NOPTS_VALUE;
        audioSync_ = 0;
        ResampleAudio(silence, false);
        audioSync_ = 2;
    }
    ff::av_frame_free(&silence);
    Check(result, "Audio silence");
}

void TOutputStream::ResampleAudio(AVFrame* frame, bool flush)
{
    if (frame) PadAudioGap(frame);
    int inSamples = frame ? frame->nb_samples : 0;
    int room = static_cast<int>(ff::av_rescale(ff::swr_get_delay(resampler_, input_.SampleRate) + inSamples,
                                               encoder_->sample_rate, input_.SampleRate)) + 32;
    AVFrame* converted = ff::av_frame_alloc();
    converted->format = encoder_->sample_fmt;
    converted->nb_samples = room;
    ff::av_channel_layout_copy(&converted->ch_layout, &encoder_->ch_layout);
    int result = ff::av_frame_get_buffer(converted, 0);
    if (result >= 0) {
        result = ff::swr_convert(resampler_, converted->extended_data, room,
                                 frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
        if (result > 0) result = ff::av_audio_fifo_write(fifo_, reinterpret_cast<void**>(converted->extended_data), result);
    }
    ff::av_frame_free(&converted);
    Check(result, "Audio resampling");
    inputSamples_ += inSamples;
    EncodeFifo(flush);
    if (flush) Encode(nullptr);
}

void TOutputStream::EncodeFifo(bool flush)
{
    bool variable = encoder_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE;
    int frameSize = encoder_->frame_size > 0 && !variable ? encoder_->frame_size : 1024;
    bool smallLast = variable || (encoder_->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    while (ff::av_audio_fifo_size(fifo_) >= frameSize || (flush && ff::av_audio_fifo_size(fifo_) > 0)) {
        int samples = std::min(frameSize, ff::av_audio_fifo_size(fifo_));
        AVFrame* frame = ff::av_frame_alloc();
        frame->format = encoder_->sample_fmt;
        frame->sample_rate = encoder_->sample_rate;
        frame->nb_samples = samples < frameSize && !smallLast ? frameSize : samples;
        ff::av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
        int result = ff::av_frame_get_buffer(frame, 0);
        if (result >= 0) result = ff::av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame->extended_data), samples);
        if (result >= 0 && frame->nb_samples > samples)
            ff::av_samples_set_silence(frame->extended_data, samples, frame->nb_samples - samples,
                                       encoder_->ch_layout.nb_channels, encoder_->sample_fmt);
        frame->pts = nextAudioPts_;
        nextAudioPts_ += samples;
        if (result >= 0) Encode(frame);
        ff::av_frame_free(&frame);
        Check(result, "Audio FIFO");
    }
}

void TOutputStream::Encode(AVFrame* frame)
{
    int result = ff::avcodec_send_frame(encoder_, frame);
    if (result == AVERROR_EOF) return;
    Check(result, Format("Error while encoding stream #0.%d", stream_->index));
    if (frame) ++frameNumber_;
    for (;;) {
        result = ff::avcodec_receive_packet(encoder_, packet_);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
        Check(result, Format("Error while encoding stream #0.%d", stream_->index));
        size_t sideSize = 0;
        if (const uint8_t* stats = ff::av_packet_get_side_data(packet_, AV_PKT_DATA_QUALITY_STATS, &sideSize);
            stats && sideSize >= 4)
            quality_ = (stats[0] | stats[1] << 8 | stats[2] << 16 | uint32_t(stats[3]) << 24) / QP2Lambda;
        ff::av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        bytes_ += packet_->size;
        int64_t pts = packet_->pts != AV_NOPTS_VALUE ? packet_->pts : packet_->dts;
        if (pts != AV_NOPTS_VALUE) {
            int64_t end = ff::av_rescale_q(pts + packet_->duration, stream_->time_base, {1, 1000000});
            if (lastPts_ == AV_NOPTS_VALUE || end > lastPts_) lastPts_ = end;
        }
        result = ff::av_interleaved_write_frame(output_, packet_);
        Check(result, "av_interleaved_write_frame()");
    }
}
