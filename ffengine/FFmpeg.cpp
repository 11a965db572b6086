#include "FFmpeg.h"

#include "FFLoad.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "UnicodeProtocol.h"

#include <climits>
#include <cstring>

namespace {

constexpr int64_t NoBlockingCall = INT64_MAX;

bool EngineTimedOut(void* owner)
{
    return static_cast<TCustomFFmpeg*>(owner)->TimedOut(owner);
}

// Registers the engine's interrupt check for the calling thread while a
// blocking FFmpeg call runs.
class TInterruptScope {
public:
    TInterruptScope(TCustomFFmpeg* engine, std::atomic<int64_t>& start) : engine_(engine), start_(start)
    {
        InterruptCB().Add(GetCurrentThreadId(), engine_, EngineTimedOut);
        start_ = ff::av_gettime();
    }
    ~TInterruptScope()
    {
        start_ = NoBlockingCall;
        InterruptCB().Remove(GetCurrentThreadId(), engine_, EngineTimedOut);
    }

private:
    TCustomFFmpeg* engine_;
    std::atomic<int64_t>& start_;
};

void Check(int code, const std::string& what)
{
    if (code < 0) throw FFmpegException(ErrorText(what, code));
}

}

TConvertThread::TConvertThread(TCustomFFmpeg* engine, TThreadPriority priority) : engine_(engine)
{
    FreeOnTerminate = true;
    SetPriority(priority);
}

void TConvertThread::Execute()
{
    if (!engine_) return;
    ResetEvent(engine_->DoneEvent());
    try {
        engine_->Execute();
    } catch (...) {
        SetEvent(engine_->DoneEvent());
        throw;
    }
    SetEvent(engine_->DoneEvent());
}

TCustomFFmpeg::TCustomFFmpeg(int maxFiles) : maxFiles_(maxFiles), ioStart_(NoBlockingCall)
{
    if (maxFiles < 1 || maxFiles > 512) throw EAssertionFailed("MaxFiles out of range 1..512");
    doneEvent_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    Reset();
}

TCustomFFmpeg::~TCustomFFmpeg()
{
    Stop(true);
    CloseAll();
    CloseHandle(doneEvent_);
}

bool TCustomFFmpeg::Reset()
{
    if (!FFLoader().AllLoaded(EncoderLibraries)) return false;
    CloseAll();
    options_ = TEngineOptions();
    optionContext_ = std::make_unique<TOptionContext>(SWS_BICUBIC);
    return true;
}

void TCustomFFmpeg::Log(TLogLevel level, const std::string& message)
{
    FFLogger().Log(this, level, message);
}

void TCustomFFmpeg::SetOption(const std::string& name, const std::string& value)
{
    std::string key = name.starts_with("-") ? name.substr(1) : name;
    if (const TOptionDef* def = FindOption(key))
        def->Handler(*this, key, value);
    else
        SetGenericOption(key, value);
}

void TCustomFFmpeg::SetGenericOption(const std::string& name, const std::string& value)
{
    if (!optionContext_) throw FFmpegException("FFmpeg libraries not loaded");
    if (optionContext_->SetDefaultOption(name, value)) return;
    std::string message = LastOptionError().empty() ? Format("Unrecognized option '%s'", name) : LastOptionError();
    if (StrictOptions) throw FFmpegException(message);
    Log(llWarning, message);
}

bool TCustomFFmpeg::OpenInputFile(const std::wstring& fileName, const std::string& format)
{
    if (static_cast<int>(inputs_.size()) >= maxFiles_) {
        errorText_ = Format("max input files %d reached", maxFiles_);
        return false;
    }
    std::unique_ptr<TProgramInput> reader(NewProgramInput(format));
    if (!reader) {
        errorText_ = Format("%s: only the program-fed formats \"frameinput\" and \"waveinput\" can be read",
                            WideToAnsi(fileName));
        return false;
    }
    // The option string arrived in a 1024-byte name buffer.
    std::string optionString = WideToAnsi(fileName).substr(0, 1023);
    int result = reader->ReadHeader(optionString);
    if (result < 0) {
        errorText_ = ::ErrorText(optionString, result);
        return false;
    }
    inputs_.push_back({std::move(reader)});
    return true;
}

int TCustomFFmpeg::OpenOutputFile(const std::wstring& fileName)
{
    try {
        if (output_) throw FFmpegException(Format("max output files %d reached", 1));
        if (inputs_.empty()) throw FFmpegException("At least one input file must be specified");
        std::string url = WideToUTF8Name(fileName);
        const char* format = options_.FormatName.empty() ? nullptr : options_.FormatName.c_str();
        int result = ff::avformat_alloc_output_context2(&output_, nullptr, format, url.c_str());
        if (result < 0 || !output_)
            throw FFmpegException(Format("Unable to find a suitable output format for '%s'", WideToAnsi(fileName)));
        outputName_ = fileName;
        for (size_t i = 0; i < inputs_.size(); ++i) {
            TProgramStreamInfo info = inputs_[i].Reader->StreamInfo();
            bool video = inputs_[i].Reader->MediaType() == AVMEDIA_TYPE_VIDEO;
            if ((video && options_.VideoDisable) || (!video && options_.AudioDisable)) continue;
            if (video && output_->oformat->video_codec == AV_CODEC_ID_NONE && options_.VideoCodec.empty()) continue;
            if (!video && output_->oformat->audio_codec == AV_CODEC_ID_NONE && options_.AudioCodec.empty()) continue;
            auto stream = std::make_unique<TOutputStream>(output_, static_cast<int>(i), info);
            if (video)
                stream->OpenVideo(options_, *optionContext_);
            else
                stream->OpenAudio(options_, *optionContext_);
            streams_.push_back(std::move(stream));
        }
        if (streams_.empty()) throw FFmpegException("Output file #0 does not contain any stream");
        return 0;
    } catch (const Exception& e) {
        errorText_ = e.Message();
        Log(llError, errorText_);
        streams_.clear();
        if (output_) ff::avformat_free_context(output_);
        output_ = nullptr;
        return AVERROR(EINVAL);
    }
}

TConvertThread* TCustomFFmpeg::Start(bool threaded, TThreadPriority priority)
{
    if (running_ || finished_) return nullptr;
    try {
        if (!output_) throw FFmpegException("At least one output file must be specified");
        if (inputs_.empty()) throw FFmpegException("At least one input file must be specified");
    } catch (const FFmpegException& e) {
        CloseAll();
        FFLogger().Log(this, llQuiet, e.Message());
        failed_ = true;
        errorText_ = e.Message();
        Finish();
        return nullptr;
    }
    running_ = true;
    stopRequested_ = false;
    cancelled_ = false;
    completed_ = false;
    finished_ = false;
    if (!threaded) {
        ResetEvent(doneEvent_);
        Execute();
        SetEvent(doneEvent_);
        return nullptr;
    }
    thread_ = new TConvertThread(this, priority);
    return thread_;
}

void TCustomFFmpeg::Stop(bool wait)
{
    stopRequested_ = true;
    // A blocking call waiting on I/O gives up; the run then still closes its file.
    if (running_) cancelled_ = true;
    TConvertThread* thread = thread_;
    if (!thread) return;
    thread->Resume();
    while (wait && WaitForSingleObject(doneEvent_, 20) == WAIT_TIMEOUT)
        if (GetCurrentThreadId() == MainThreadID) ProcessMessages();
}

bool TCustomFFmpeg::TimedOut(void* owner)
{
    if (owner != this) return false;
    if (cancelled_) {
        Log(llInfo, "connecting/reading/writing canceled");
        return true;
    }
    int64_t start = ioStart_;
    if (IOTimeout <= 0 || start == NoBlockingCall || ff::av_gettime() - start <= int64_t(IOTimeout) * 1000) return false;
    Log(llInfo, "connecting/reading/writing timeout");
    return true;
}

void TCustomFFmpeg::Fail(const std::string& message)
{
    failed_ = true;
    errorText_ = message;
    Log(llError, message);
}

void TCustomFFmpeg::Execute()
{
    completed_ = false;
    try {
        Transcode();
    } catch (const Exception& e) {
        Fail(e.Message());
    }
    try {
        CloseAll();
    } catch (const Exception& e) {
        Fail(e.Message());
    }
    Finish();
    // Lets the logger deliver a pending "Last message repeated" notice.
    ff::av_log(nullptr, AV_LOG_QUIET, "%s", "");
}

void TCustomFFmpeg::Finish()
{
    running_ = false;
    finished_ = true;
    thread_ = nullptr;
    if (OnFinish) OnFinish(this);
}

void TCustomFFmpeg::OpenOutputIO()
{
    output_->interrupt_callback = {InterruptCallback, this};
    for (const auto& [key, value] : options_.Metadata) ff::av_dict_set(&output_->metadata, key.c_str(), value.c_str(), 0);
    output_->max_delay = static_cast<int>(options_.MuxDelay * AV_TIME_BASE);
    if (options_.PacketSize > 0) output_->packet_size = options_.PacketSize;
    // AVI counts audio in samples, not times: an audio encoder's priming
    // before 0 needs no shift there, and shifting every stream by it moved
    // the video after its first picture by a frame.
    if (strcmp(output_->oformat->name, "avi") == 0) output_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    if (!(output_->oformat->flags & AVFMT_NOFILE)) {
        TInterruptScope scope(this, ioStart_);
        Check(ff::avio_open2(&output_->pb, output_->url, AVIO_FLAG_WRITE, &output_->interrupt_callback, nullptr),
              WideToAnsi(outputName_));
    }
    AVDictionary* privateOptions = nullptr;
    for (const auto& [key, value] : options_.PrivateFormatOptions)
        ff::av_dict_set(&privateOptions, key.c_str(), value.c_str(), 0);
    if (options_.MuxRate > 0) ff::av_dict_set_int(&privateOptions, "muxrate", options_.MuxRate, 0);
    if (options_.MuxPreload > 0) ff::av_dict_set_int(&privateOptions, "preload", int64_t(options_.MuxPreload * AV_TIME_BASE), 0);
    int result = ff::avformat_write_header(output_, &privateOptions);
    ff::av_dict_free(&privateOptions);
    Check(result, "Could not write header for output file #0 (incorrect codec parameters ?)");
    headerWritten_ = true;
}

int TCustomFFmpeg::ReadNextFrame(AVFrame* frame, int& inputIndex)
{
    // The input furthest behind goes first; one that waits lets the others go.
    std::vector<int> order;
    for (int i = 0; i < InputCount(); ++i)
        if (!inputs_[i].Ended) order.push_back(i);
    if (order.empty()) return AVERROR_EOF;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return inputs_[a].LastPts < inputs_[b].LastPts;
    });
    for (int i : order) {
        TInputFile& input = inputs_[i];
        int result = input.Reader->ReadFrame(frame);
        if (result == AVERROR(EAGAIN)) continue;
        if (result < 0) {
            input.Ended = true;
            for (auto& stream : streams_)
                if (stream->InputIndex() == i) stream->SendFrame(nullptr);
            return ReadNextFrame(frame, inputIndex);
        }
        input.LastPts = frame->pts;
        inputIndex = i;
        return 0;
    }
    return 1;
}

void TCustomFFmpeg::Transcode()
{
    OpenOutputIO();
    int64_t startTime = ff::av_gettime();
    int64_t lastReport = startTime;
    AVFrame* frame = ff::av_frame_alloc();
    try {
        while (!stopRequested_) {
            int inputIndex = 0;
            int result = ReadNextFrame(frame, inputIndex);
            if (result < 0) break;
            if (result == 1) {
                if (GetCurrentThreadId() == MainThreadID) ProcessMessages();
                Sleep(10);
                continue;
            }
            for (auto& stream : streams_) {
                if (stream->InputIndex() != inputIndex) continue;
                stream->SendFrame(frame);
                if (options_.RecordingTime != AV_NOPTS_VALUE && stream->LastPts() != AV_NOPTS_VALUE &&
                    stream->LastPts() >= options_.RecordingTime) {
                    inputs_[inputIndex].Ended = true;
                    stream->SendFrame(nullptr);
                }
            }
            ff::av_frame_unref(frame);
            int64_t now = ff::av_gettime();
            if (now - lastReport >= ProgressInterval) {
                lastReport = now;
                ReportProgress(false, startTime);
            }
        }
        completed_ = !stopRequested_;
        // A stopped run still ends its streams and file, so that what was written plays.
        cancelled_ = false;
        for (auto& stream : streams_) stream->SendFrame(nullptr);
        ff::av_frame_free(&frame);
    } catch (...) {
        ff::av_frame_free(&frame);
        throw;
    }
    Check(ff::av_write_trailer(output_), "av_write_trailer()");
    headerWritten_ = false;
    ReportProgress(true, startTime);
}

void TCustomFFmpeg::ReportProgress(bool last, int64_t startTime)
{
    TReportInput input;
    input.ElapsedSeconds = (ff::av_gettime() - startTime) / 1000000.0;
    input.Time = INT64_MAX;
    int64_t video = 0, audio = 0, extra = 0;
    for (auto& stream : streams_) {
        if (stream->Type() == AVMEDIA_TYPE_VIDEO && !input.HasVideo) {
            input.HasVideo = true;
            input.FrameNumber = stream->FrameNumber();
            input.Quality = stream->Quality();
            input.Duplicated = static_cast<int>(std::max<int64_t>(0, stream->FrameNumber() - stream->FramesIn()));
            input.Dropped = static_cast<int>(std::max<int64_t>(0, stream->FramesIn() - stream->FrameNumber()));
        }
        if (stream->LastPts() != AV_NOPTS_VALUE) input.Time = std::min(input.Time, stream->LastPts());
        (stream->Type() == AVMEDIA_TYPE_VIDEO ? video : audio) += stream->Bytes();
        extra += stream->Encoder()->extradata_size;
    }
    if (input.Time == INT64_MAX) input.Time = 0;
    if (input.HasVideo && input.FrameNumber < 1 && !last) return;
    if (output_->pb) {
        input.Size = ff::avio_size(output_->pb);
        if (input.Size < 0) input.Size = IOTell(output_->pb);
    }
    TEngineProgressInfo info;
    info.FileIndex = last ? -1 : 0;
    info.TotalDuration = options_.RecordingTime != AV_NOPTS_VALUE ? options_.RecordingTime : -1;
    std::string line = BuildReport(input, last, info);
    if (OnProgress)
        OnProgress(this, info);
    else if (Verbose >= 0)
        Log(llVerbose, line);
    if (last && Verbose >= 0) Log(llVerbose, BuildStatistics(video, audio, extra, input.Size));
}

void TCustomFFmpeg::CloseAll()
{
    streams_.clear();
    if (output_) {
        if (output_->pb && !(output_->oformat->flags & AVFMT_NOFILE)) {
            ff::avio_closep(&output_->pb);
            if (WideFileExists(outputName_) && WideFileSize(outputName_) == 0) DeleteFileW(outputName_.c_str());
        }
        ff::avformat_free_context(output_);
        output_ = nullptr;
    }
    headerWritten_ = false;
    for (TInputFile& input : inputs_) input.Reader->ReadClose();
    inputs_.clear();
}
