#include "FFDecode.h"

#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "FFLoad.h"
#include "FFUtils.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "Threads.h"
#include "UnicodeProtocol.h"

#include <algorithm>
#include <climits>

TCustomDecoder::TCustomDecoder(TComponent* owner) : TFFBaseComponent(owner) {}

TCustomDecoder::~TCustomDecoder()
{
    TCustomDecoder::CloseFile();
}

void TCustomDecoder::CheckLibraries() const
{
    const struct {
        TLibraryIndex index;
        const char* message;
    } Required[] = {{liAVCodec, "LibAVCodec not loaded."},
                    {liAVFormat, "LibAVFormat not loaded."},
                    {liAVUtil, "LibAVUtil not loaded."},
                    {liSwScale, "LibSwScale not loaded."}};
    for (const auto& library : Required)
        if (!FFLoader().Loaded(library.index)) throw Exception(library.message);
}

void TCustomDecoder::Fail(TLogLevel level, const std::string& message)
{
    FFLogger().Log(this, level, message);
    lastErrorMessage_ = message;
}

void TCustomDecoder::SetFormatContext(AVFormatContext* context)
{
    if (context == formatContext_) return;
    CheckLibraries();
    CloseFile();
    ownsContext_ = false;
    formatContext_ = context;
    ScanStreams();
}

void TCustomDecoder::CloseFile()
{
    fileFormat_.clear();
    if (formatContext_ && ownsContext_) ff::avformat_close_input(&formatContext_);
    formatContext_ = nullptr;
    ScanStreams();
}

void TCustomDecoder::ScanStreams()
{
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
    firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
    if (!formatContext_) return;

    fileSize_ = formatContext_->pb ? ff::avio_size(formatContext_->pb) : -1;
    if (fileSize_ <= 0 && formatContext_->url) {
        std::wstring fileName = UTF8ToWideName(formatContext_->url);
        if (WideFileExists(fileName)) fileSize_ = WideFileSize(fileName);
    }

    streamCount_ = static_cast<int>(formatContext_->nb_streams);
    programCount_ = static_cast<int>(formatContext_->nb_programs);
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
    for (int i = 0; i < streamCount_; ++i) {
        switch (formatContext_->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            if (videoStreamCount_++ == 0) firstVideoStream_ = i;
            break;
        case AVMEDIA_TYPE_AUDIO:
            if (audioStreamCount_++ == 0) firstAudioStream_ = i;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (subtitleStreamCount_++ == 0) firstSubtitleStream_ = i;
            break;
        default:
            break;
        }
    }
}

bool TFFDecoder::LoadLibraries(const std::wstring& folder)
{
    FFLoader().SetLibraryPath(folder);
    if (FFLoader().LoadLibraries(DecoderLibraries)) return true;
    lastErrorMessage_ = FFLoader().LastErrorMessage();
    return false;
}

bool TFFDecoder::LoadFile(const std::wstring& fileName, const std::string& format)
{
    CheckLibraries();
    CloseFile();
    const AVInputFormat* inputFormat = nullptr;
    if (!format.empty()) {
        inputFormat = ff::av_find_input_format(format.c_str());
        if (!inputFormat) {
            lastErrorMessage_ = Format("Unknown input format: %s", format);
            return false;
        }
    }

    formatContext_ = ff::avformat_alloc_context();
    if (!formatContext_) {
        Fail(llError, ErrorText(WideToAnsi(fileName), AVERROR(ENOMEM)));
        return false;
    }
    ownsContext_ = true;
    formatContext_->flags |= AVFMT_FLAG_NONBLOCK;
    // Lets an engine that registered this thread abort a blocking open.
    formatContext_->interrupt_callback.callback = InterruptCallback;
    std::string name = WideToUTF8Name(fileName);
    int result = ff::avformat_open_input(&formatContext_, name.c_str(), inputFormat, nullptr);
    if (result < 0) {
        Fail(llError, ErrorText(WideToAnsi(fileName), result));
        CloseFile();
        return false;
    }

    if (OnBeforeFindStreamInfo) {
        auto before = [this] { OnBeforeFindStreamInfo(this, formatContext_); };
        if (TriggerEventInMainThread)
            TThread::Synchronize(before);
        else
            before();
    }
    if (ff::avformat_find_stream_info(formatContext_, nullptr) < 0) {
        lastErrorMessage_ = Format("%s: could not find codec parameters", WideToAnsi(fileName));
        CloseFile();
        return false;
    }
    ScanStreams();
    fileFormat_ = format;
    return true;
}

void TFFDecoder::ScanStreams()
{
    TCustomDecoder::ScanStreams();
    defaultStream_ = FirstVideoStream() >= 0 ? FirstVideoStream() : FirstAudioStream();
    defaultStartTime_ = AV_NOPTS_VALUE;
    if (defaultStream_ >= 0)
        defaultStartTime_ = formatContext_->streams[defaultStream_]->start_time;
    else if (formatContext_)
        defaultStartTime_ = formatContext_->start_time;
    if (defaultStartTime_ == AV_NOPTS_VALUE) defaultStartTime_ = 0;
}

namespace {

int64_t ToMicroseconds(int64_t time, AVRational timeBase)
{
    return ff::av_rescale_q(time, timeBase, AV_TIME_BASE_Q);
}

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

}

TVideoStreamInfo TFFDecoder::GetVideoStreamInfo(int streamIndex)
{
    TVideoStreamInfo info;
    if (!formatContext_) {
        Fail(llWarning, "file not loaded.");
        return info;
    }
    if (streamIndex < 0) streamIndex = FirstVideoStream();
    if (streamIndex < 0) {
        Fail(llError, "no video stream.");
        return info;
    }
    if (streamIndex >= StreamCount()) {
        Fail(llError, Format("stream index #%d is invalid.", streamIndex));
        return info;
    }
    AVStream* stream = formatContext_->streams[streamIndex];
    const AVCodecParameters* codec = stream->codecpar;
    if (codec->codec_type != AVMEDIA_TYPE_VIDEO) {
        Fail(llError, Format("stream #%d is not video stream.", streamIndex));
        return info;
    }

    info.Language = MetadataValue(stream->metadata, "language");
    info.CodecName = CodecText(codec->codec_id, codec->codec_tag, false);
    if (stream->time_base.den == 0) stream->time_base.den = stream->time_base.num ? stream->time_base.num : 1;
    info.StartTime = stream->start_time;
    if (info.StartTime != AV_NOPTS_VALUE) info.StartTimeUs = ToMicroseconds(info.StartTime, stream->time_base);
    // FFmpeg 5.1 leaves an FLV stream's duration unknown: take the file's.
    if (stream->duration != AV_NOPTS_VALUE) {
        info.Duration = stream->duration;
        info.DurationUs = ToMicroseconds(info.Duration, stream->time_base);
    } else if (formatContext_->duration != AV_NOPTS_VALUE) {
        info.DurationUs = formatContext_->duration;
        info.Duration = ff::av_rescale_q(info.DurationUs, AV_TIME_BASE_Q, stream->time_base);
    } else {
        info.Duration = info.DurationUs = 0;
    }

    info.BitRate = ClampToInt(codec->bit_rate);
    info.Height = codec->height;
    info.Width = codec->width;
    AVRational aspect = codec->sample_aspect_ratio;
    info.DisplayAspectRatio =
        aspect.num && aspect.den && codec->height ? static_cast<float>(av_q2d(aspect) * codec->width / codec->height) : 0.0f;
    info.PixelFormat = codec->format;
    AVRational rate = stream->avg_frame_rate.num && stream->avg_frame_rate.den ? stream->avg_frame_rate : stream->r_frame_rate;
    info.FrameRateNum = rate.num;
    info.FrameRateDen = rate.den;
    return info;
}
