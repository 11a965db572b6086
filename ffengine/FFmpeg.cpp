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
    TInputFile input;
    TFileInput::TChoice choice{format, options_.StartTime, options_.ProgramID};
    // Both belong to this input alone: a start time set after it is the outputs'.
    options_.StartTime = AV_NOPTS_VALUE;
    options_.ProgramID = -1;
    if (IsProgramFedFormat(format)) {
        std::unique_ptr<TProgramInput> reader(NewProgramInput(format));
        // The option string arrived in a 1024-byte name buffer.
        std::string optionString = WideToAnsi(fileName).substr(0, 1023);
        int result = reader->ReadHeader(optionString);
        if (result < 0) {
            errorText_ = ::ErrorText(optionString, result);
            return false;
        }
        input.Reader = std::move(reader);
    } else {
        auto reader = std::make_unique<TFileInput>();
        TInterruptScope scope(this, ioStart_);
        auto before = [this](AVFormatContext* context) {
            if (OnBeforeFindStreamInfo) OnBeforeFindStreamInfo(this, context);
        };
        if (reader->Open(fileName, choice, before) < 0) {
            errorText_ = reader->ErrorText();
            Log(llError, errorText_);
            return false;
        }
        input.Reader = std::move(reader);
    }
    input.Streams = input.Reader->Streams();
    inputs_.push_back(std::move(input));
    return true;
}

int TCustomFFmpeg::FindSourceStream(int file, AVMediaType type) const
{
    const auto& streams = inputs_[file].Streams;
    for (size_t i = 0; i < streams.size(); ++i)
        if (streams[i].Type == type) return static_cast<int>(i);
    return -1;
}

void TCustomFFmpeg::AddOutputStreams(TOutputFile& output)
{
    AVFormatContext* context = output.Context;
    for (AVMediaType type : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO}) {
        bool video = type == AVMEDIA_TYPE_VIDEO;
        if (video ? options_.VideoDisable : options_.AudioDisable) continue;
        if ((video ? context->oformat->video_codec : context->oformat->audio_codec) == AV_CODEC_ID_NONE &&
            (video ? options_.VideoCodec : options_.AudioCodec).empty())
            continue;
        // The first input that has a stream of the kind feeds it; in join
        // mode the inputs after it take their turns later.
        for (int file = 0; file < InputCount(); ++file) {
            int stream = FindSourceStream(file, type);
            if (stream < 0) continue;
            auto added = std::make_unique<TOutputStream>(context, file, stream, inputs_[file].Streams[stream]);
            if (video)
                added->OpenVideo(options_, *optionContext_);
            else
                added->OpenAudio(options_, *optionContext_);
            output.Streams.push_back(std::move(added));
            break;
        }
    }
}

int TCustomFFmpeg::OpenOutputFile(const std::wstring& fileName, bool join)
{
    auto output = std::make_unique<TOutputFile>();
    try {
        if (joinMode_) throw FFmpegException("Cannot join more than one output file.");
        if (OutputCount() >= maxFiles_) throw FFmpegException("Too many output files.");
        if (inputs_.empty()) throw FFmpegException("At least one input file must be specified");
        std::string url = WideToUTF8Name(fileName);
        const char* format = options_.FormatName.empty() ? nullptr : options_.FormatName.c_str();
        int result = ff::avformat_alloc_output_context2(&output->Context, nullptr, format, url.c_str());
        if (result < 0 || !output->Context)
            throw FFmpegException(Format("Unable to find a suitable output format for '%s'", WideToAnsi(fileName)));
        output->Name = fileName;
        AddOutputStreams(*output);
        if (output->Streams.empty())
            throw FFmpegException(Format("Output file #%d does not contain any stream", OutputCount()));
    } catch (const Exception& e) {
        errorText_ = e.Message();
        Log(llError, errorText_);
        output->Streams.clear();
        if (output->Context) ff::avformat_free_context(output->Context);
        return AVERROR(EINVAL);
    }
    output->Options = options_;
    outputs_.push_back(std::move(output));
    // What names one output's streams and format is not taken over by the next.
    TEngineOptions fresh;
    options_.FormatName.clear();
    options_.VideoCodec.clear();
    options_.AudioCodec.clear();
    options_.SubtitleCodec.clear();
    options_.DataCodec.clear();
    options_.FrameWidth = fresh.FrameWidth;
    options_.FrameHeight = fresh.FrameHeight;
    options_.FrameRate = fresh.FrameRate;
    options_.AudioSampleRate = fresh.AudioSampleRate;
    options_.AudioChannels = fresh.AudioChannels;
    options_.VideoDisable = options_.AudioDisable = options_.SubtitleDisable = false;
    if (join && InputCount() > 1) {
        joinMode_ = true;
        // The whole length is known only when every input's is.
        joinDuration_ = 0;
        for (const TInputFile& input : inputs_) {
            int64_t duration = input.Reader->Duration();
            joinDuration_ = duration > 0 && joinDuration_ >= 0 ? joinDuration_ + duration : -1;
        }
    }
    return OutputCount();
}

TConvertThread* TCustomFFmpeg::Start(bool threaded, TThreadPriority priority)
{
    if (running_ || finished_) return nullptr;
    try {
        if (outputs_.empty()) throw FFmpegException("At least one output file must be specified");
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

void TCustomFFmpeg::OpenOutputIO(TOutputFile& output)
{
    AVFormatContext* context = output.Context;
    const TEngineOptions& options = output.Options;
    context->interrupt_callback = {InterruptCallback, this};
    for (const auto& [key, value] : options.Metadata) ff::av_dict_set(&context->metadata, key.c_str(), value.c_str(), 0);
    context->max_delay = static_cast<int>(options.MuxDelay * AV_TIME_BASE);
    if (options.PacketSize > 0) context->packet_size = options.PacketSize;
    // AVI counts audio in samples, not times: an audio encoder's priming
    // before 0 needs no shift there, and shifting every stream by it moved
    // the video after its first picture by a frame.
    if (strcmp(context->oformat->name, "avi") == 0) context->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    if (!(context->oformat->flags & AVFMT_NOFILE)) {
        TInterruptScope scope(this, ioStart_);
        Check(ff::avio_open2(&context->pb, context->url, AVIO_FLAG_WRITE, &context->interrupt_callback, nullptr),
              WideToAnsi(output.Name));
    }
    AVDictionary* privateOptions = nullptr;
    for (const auto& [key, value] : options.PrivateFormatOptions)
        ff::av_dict_set(&privateOptions, key.c_str(), value.c_str(), 0);
    if (options.MuxRate > 0) ff::av_dict_set_int(&privateOptions, "muxrate", options.MuxRate, 0);
    if (options.MuxPreload > 0) ff::av_dict_set_int(&privateOptions, "preload", int64_t(options.MuxPreload * AV_TIME_BASE), 0);
    int result = ff::avformat_write_header(context, &privateOptions);
    ff::av_dict_free(&privateOptions);
    int index = 0;
    for (int i = 0; i < OutputCount(); ++i)
        if (outputs_[i].get() == &output) index = i;
    Check(result, Format("Could not write header for output file #%d (incorrect codec parameters ?)", index));
    output.HeaderWritten = true;
}

void TCustomFFmpeg::EndInput(int inputIndex)
{
    TInputFile& input = inputs_[inputIndex];
    input.Ended = true;
    if (joinMode_ && inputIndex + 1 < InputCount()) {
        // The next input goes on where this one ended.
        ++currentInput_;
        TInputFile& next = inputs_[currentInput_];
        next.Offset = input.EndTime;
        for (auto& stream : outputs_.front()->Streams) {
            int source = FindSourceStream(currentInput_, stream->Type());
            if (source >= 0) stream->ChangeSource(currentInput_, source, next.Streams[source]);
        }
        return;
    }
    for (auto& output : outputs_)
        for (auto& stream : output->Streams)
            if (stream->SourceFile() == inputIndex || joinMode_) stream->SendFrame(nullptr);
}

int TCustomFFmpeg::ReadNextFrame(AVFrame* frame, int& inputIndex, int& streamIndex)
{
    // The input furthest behind goes first; one that waits lets the others go.
    std::vector<int> order;
    for (int i = joinMode_ ? currentInput_ : 0; i < InputCount(); ++i) {
        if (!inputs_[i].Ended) order.push_back(i);
        if (joinMode_) break;
    }
    if (order.empty()) return AVERROR_EOF;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return inputs_[a].LastPts < inputs_[b].LastPts;
    });
    for (int i : order) {
        TInputFile& input = inputs_[i];
        int result = input.Reader->ReadNextFrame(frame, streamIndex);
        if (result == AVERROR(EAGAIN)) continue;
        if (result < 0) {
            EndInput(i);
            return ReadNextFrame(frame, inputIndex, streamIndex);
        }
        if (frame->pts != AV_NOPTS_VALUE) {
            frame->pts += input.Offset;
            input.LastPts = frame->pts;
            const TProgramStreamInfo& info = input.Streams[streamIndex];
            int64_t length = info.Type == AVMEDIA_TYPE_VIDEO
                                 ? ff::av_rescale(1000000, info.FrameRate.den, info.FrameRate.num)
                                 : ff::av_rescale(frame->nb_samples, 1000000, info.SampleRate);
            input.EndTime = std::max(input.EndTime, frame->pts + length);
        }
        inputIndex = i;
        return 0;
    }
    return 1;
}

void TCustomFFmpeg::Dispatch(AVFrame* frame, int inputIndex, int streamIndex)
{
    // The hooks may change what was read in place: a decoder's picture it
    // still refers to is copied first.
    if (inputs_[inputIndex].Streams[streamIndex].Type == AVMEDIA_TYPE_VIDEO) {
        int count = ++inputs_[inputIndex].FrameCount;
        if (hooks_.InputSideActive()) {
            Check(ff::av_frame_make_writable(frame), "Video hooks");
            hooks_.VideoIn(frame, count);
        }
    } else if (hooks_.OnAudioHook) {
        Check(ff::av_frame_make_writable(frame), "Audio hook");
        hooks_.AudioIn(frame);
    }
    bool fed = false, open = false;
    const int64_t readTime = frame->pts;
    for (auto& output : outputs_) {
        int64_t limit = output->Options.RecordingTime;
        // An output's start time skips what comes before it, and its times
        // count from there.
        int64_t start = output->Options.StartTime;
        bool shifted = start != AV_NOPTS_VALUE && readTime != AV_NOPTS_VALUE;
        bool skipped = shifted && readTime < start;
        if (shifted) frame->pts = readTime - start;
        for (auto& stream : output->Streams) {
            if (stream->SourceFile() != inputIndex || stream->SourceStream() != streamIndex) continue;
            fed = true;
            if (skipped) {
                open |= !stream->Finished();
                continue;
            }
            stream->SendFrame(frame);
            // A stream past the recording time ends; the input ends with the last one it feeds.
            if (limit != AV_NOPTS_VALUE && stream->LastPts() != AV_NOPTS_VALUE && stream->LastPts() >= limit)
                stream->SendFrame(nullptr);
            open |= !stream->Finished();
        }
        frame->pts = readTime;
    }
    if (fed && !open && !joinMode_) inputs_[inputIndex].Ended = true;
}

void TCustomFFmpeg::Transcode()
{
    for (auto& output : outputs_) {
        OpenOutputIO(*output);
        for (auto& stream : output->Streams)
            if (stream->Type() == AVMEDIA_TYPE_VIDEO && hooks_.OutputSideActive())
                stream->OnEncodeFrame = [this](AVFrame* picture, int number, int64_t pts) {
                    hooks_.VideoOut(picture, number, pts);
                };
    }
    int64_t startTime = ff::av_gettime();
    int64_t lastReport = startTime;
    AVFrame* frame = ff::av_frame_alloc();
    try {
        while (!stopRequested_) {
            int inputIndex = 0, streamIndex = 0;
            int result = ReadNextFrame(frame, inputIndex, streamIndex);
            if (result < 0) break;
            if (result == 1) {
                if (GetCurrentThreadId() == MainThreadID) ProcessMessages();
                Sleep(10);
                continue;
            }
            Dispatch(frame, inputIndex, streamIndex);
            ff::av_frame_unref(frame);
            int64_t now = ff::av_gettime();
            if (now - lastReport >= ProgressInterval) {
                lastReport = now;
                ReportProgress(false, startTime);
            }
        }
        completed_ = !stopRequested_;
        // A stopped run still ends its streams and files, so that what was written plays.
        cancelled_ = false;
        for (auto& output : outputs_)
            for (auto& stream : output->Streams) stream->SendFrame(nullptr);
        ff::av_frame_free(&frame);
    } catch (...) {
        ff::av_frame_free(&frame);
        throw;
    }
    for (auto& output : outputs_) {
        Check(ff::av_write_trailer(output->Context), "av_write_trailer()");
        output->HeaderWritten = false;
    }
    ReportProgress(true, startTime);
}

void TCustomFFmpeg::ReportProgress(bool last, int64_t startTime)
{
    TReportInput input;
    input.ElapsedSeconds = (ff::av_gettime() - startTime) / 1000000.0;
    input.Time = INT64_MAX;
    int64_t video = 0, audio = 0, extra = 0;
    // The figures are those of the first output, whose file they describe.
    TOutputFile& output = *outputs_.front();
    for (auto& stream : output.Streams) {
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
    if (output.Context->pb) {
        input.Size = ff::avio_size(output.Context->pb);
        if (input.Size < 0) input.Size = IOTell(output.Context->pb);
    }
    TEngineProgressInfo info;
    info.FileIndex = last ? -1 : currentInput_;
    info.TotalDuration = joinMode_ ? joinDuration_
                         : output.Options.RecordingTime != AV_NOPTS_VALUE ? output.Options.RecordingTime
                                                                          : -1;
    std::string line = BuildReport(input, last, info);
    if (OnProgress)
        OnProgress(this, info);
    else if (Verbose >= 0)
        Log(llVerbose, line);
    if (last && Verbose >= 0) Log(llVerbose, BuildStatistics(video, audio, extra, input.Size));
}

void TCustomFFmpeg::CloseOutput(TOutputFile& output)
{
    output.Streams.clear();
    AVFormatContext* context = output.Context;
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE)) {
        ff::avio_closep(&context->pb);
        // A run that failed before writing anything leaves no empty file behind.
        if (WideFileExists(output.Name) && WideFileSize(output.Name) == 0) DeleteFileW(output.Name.c_str());
    }
    ff::avformat_free_context(context);
}

void TCustomFFmpeg::CloseAll()
{
    for (auto& output : outputs_) CloseOutput(*output);
    outputs_.clear();
    for (TInputFile& input : inputs_) input.Reader->ReadClose();
    inputs_.clear();
    hooks_.Clear();
    joinMode_ = false;
    currentInput_ = 0;
    joinDuration_ = -1;
}
