#include "FFEncode.h"

#include "FFLoad.h"
#include "SysUtils.h"

#include <cmath>
#include <ctime>

namespace {

// Keys of ExtOptions that name streams to add or filters: never applied as plain options.
bool IsStreamKey(const std::string& key)
{
    for (const char* name : {"newvideo", "newaudio", "newsubtitle", "newdata", "vfilters", "vf"})
        if (key == name) return true;
    return false;
}

bool IsCodecKey(const std::string& key)
{
    for (const char* name : {"acodec", "vcodec", "scodec", "dcodec", "s"})
        if (key == name) return true;
    return false;
}

void SetNumber(TFFmpeg& task, const char* name, int64_t value, bool when)
{
    if (when) task.SetOption(name, std::to_string(value));
}

void SetText(TFFmpeg& task, const char* name, const std::string& value)
{
    if (!value.empty()) task.SetOption(name, value);
}

}

void InitInputOptions(TInputOptions& options)
{
    options = TInputOptions();
}

void InitOutputOptions(TOutputOptions& options)
{
    options = TOutputOptions();
}

std::vector<std::pair<std::string, std::string>> ParseExtOptions(const std::string& text)
{
    std::string unified = Trim(text);
    for (const char* from : {"<CRLF>", "\r\n", "\r"}) {
        size_t at = 0;
        while ((at = unified.find(from, at)) != std::string::npos) {
            unified.replace(at, strlen(from), "\n");
            ++at;
        }
    }
    std::vector<std::pair<std::string, std::string>> lines;
    while (!unified.empty()) {
        std::string line = SplitAt(unified, '\n');
        if (Trim(line).empty()) continue;
        size_t equals = line.find('=');
        lines.emplace_back(LowerCase(Trim(line.substr(0, equals))),
                           equals == std::string::npos ? "" : line.substr(equals + 1));
    }
    return lines;
}

std::string UtcTimestamp(double localDateTime)
{
    FILETIME utc;
    if (localDateTime == 0) {
        GetSystemTimeAsFileTime(&utc);
    } else {
        // Days since 1899-12-30 to a local calendar time, then to UTC with the
        // bias (daylight saving included) in force at that date.
        double days = std::floor(localDateTime);
        int64_t ms = std::llround((localDateTime - days) * 86400000.0);
        ULARGE_INTEGER ticks;
        ticks.QuadPart = (static_cast<uint64_t>(days - 109205) * 86400000ull + static_cast<uint64_t>(ms)) * 10000ull +
                         116444736000000000ull;
        FILETIME local = {ticks.LowPart, ticks.HighPart};
        SYSTEMTIME localTime, utcTime;
        FileTimeToSystemTime(&local, &localTime);
        TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utcTime);
        SystemTimeToFileTime(&utcTime, &utc);
    }
    SYSTEMTIME t;
    FileTimeToSystemTime(&utc, &t);
    return Format("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.000000Z", int(t.wYear), int(t.wMonth), int(t.wDay), int(t.wHour),
                  int(t.wMinute), int(t.wSecond));
}

TFFEncoder::TFFEncoder(TComponent* owner) : TFFBaseComponent(owner) {}

TFFEncoder::~TFFEncoder()
{
    OnProgress = nullptr;
    OnTerminate = nullptr;
    OnAudioHook = nullptr;
    OnBeforeFindStreamInfo = nullptr;
    OnPreviewBitmap = nullptr;
    OnVideoInputHook = OnVideoOutputHook = nullptr;
    OnFrameInputHook = OnFrameOutputHook = nullptr;
    Stop(true);
    tasks_.clear();
}

void TFFEncoder::CheckWorking(const char* operation) const
{
    if (working_) throw Exception(Format("Cannot %s while working.", operation));
}

bool TFFEncoder::LoadLibraries(const std::wstring& folder)
{
    FFLoader().SetLibraryPath(folder);
    if (FFLoader().LoadLibraries(EncoderLibraries)) return true;
    lastErrorText_ = FFLoader().LastErrorMessage();
    return false;
}

TFFmpeg* TFFEncoder::Task(int index) const
{
    if (index < 0 || index >= TaskCount()) throw EListError(Format("List index out of bounds (%d)", index));
    return tasks_[index].get();
}

bool TFFEncoder::OpenInput(TFFmpeg& task, const std::wstring& fileName, const TInputOptions* options)
{
    std::string format;
    std::wstring name = fileName;
    if (options) {
        if (!options->FileName.empty()) name = options->FileName;
        for (const auto& [key, value] : ParseExtOptions(options->ExtOptions))
            if (!IsStreamKey(key)) task.SetOption(key, value);
        format = options->FileFormat;
        if (options->StartTime != AV_NOPTS_VALUE) task.Options().StartTime = options->StartTime;
        if (options->ProgramID >= 0) task.Options().ProgramID = options->ProgramID;
    }
    task.IOTimeout = IOTimeout;
    if (task.OpenInputFile(name, format)) return true;
    lastErrorText_ = task.ErrorText();
    return false;
}

int TFFEncoder::TaskIndexOf(const TCustomFFmpeg* engine) const
{
    for (int i = 0; i < TaskCount(); ++i)
        if (tasks_[i].get() == engine) return i;
    return -1;
}

void TFFEncoder::RunEvent(TCriticalSection& lock, const std::function<void()>& call)
{
    TCriticalSectionGuard guard(lock);
    if (TriggerEventInMainThread)
        RunInMainThread(call);
    else
        call();
}

void TFFEncoder::ApplyPreview(TFFmpeg& task) const
{
    task.Hooks().Preview = (preview_ ? pvWindow : 0) | (previewBitmap_ ? pvBitmap : 0);
}

void TFFEncoder::SetPreview(bool preview)
{
    preview_ = preview;
    for (auto& task : tasks_) ApplyPreview(*task);
}

void TFFEncoder::SetPreviewBitmap(bool preview)
{
    previewBitmap_ = preview;
    for (auto& task : tasks_) ApplyPreview(*task);
}

void TFFEncoder::DoVideoHook(TVideoHookEvent& event, TCustomFFmpeg* engine, TBitmap* bitmap, int frameNumber,
                             int64_t pts, bool& update, bool& disable)
{
    if (!event) return;
    TCriticalSectionGuard guard(videoHookLock_);
    THookInfo info;
    info.TaskIndex = TaskIndexOf(engine);
    info.Bitmap = bitmap;
    info.FrameNumber = frameNumber;
    info.PTS = pts;
    info.Update = update;
    info.StopHook = disable;
    {
        TCanvasLock lock(bitmap->Canvas());
        event(this, &info);
    }
    update = info.Update;
    disable = info.StopHook;
}

void TFFEncoder::DoFrameHook(TFrameHookEvent& event, TCustomFFmpeg* engine, AVFrame* picture, int frameNumber,
                             int64_t pts)
{
    if (!event) return;
    TCriticalSectionGuard guard(frameHookLock_);
    TFrameHookInfo info{TaskIndexOf(engine), frameNumber, picture, picture->format, picture->width, picture->height, pts};
    event(this, &info);
}

void TFFEncoder::ConnectHooks(TFFmpeg& task, const TOutputOptions& options)
{
    TEngineHooks& hooks = task.Hooks();
    if (options.AudioHook)
        hooks.OnAudioHook = [this](TCustomFFmpeg* engine, uint8_t* samples, int64_t pts, int size, int rate,
                                   int channels, int format) {
            if (!OnAudioHook) return;
            TCriticalSectionGuard guard(audioHookLock_);
            OnAudioHook(this, TaskIndexOf(engine), pts, samples, size, rate, channels, format);
        };
    auto videoHook = [this](TVideoHookEvent& event) {
        return [this, &event](TCustomFFmpeg* engine, TBitmap* bitmap, int number, int64_t pts, bool& update,
                              bool& disable) { DoVideoHook(event, engine, bitmap, number, pts, update, disable); };
    };
    auto frameHook = [this](TFrameHookEvent& event) {
        return [this, &event](TCustomFFmpeg* engine, AVFrame* picture, int number, int64_t pts) {
            DoFrameHook(event, engine, picture, number, pts);
        };
    };
    if (options.VideoInputHook) hooks.OnVideoInputHook = videoHook(OnVideoInputHook);
    if (options.VideoOutputHook) hooks.OnVideoOutputHook = videoHook(OnVideoOutputHook);
    hooks.SetHookBitsPerPixel(options.HookBitsPerPixel);
    if (options.FrameInputHook) hooks.OnFrameInputHook = frameHook(OnFrameInputHook);
    if (options.FrameOutputHook) hooks.OnFrameOutputHook = frameHook(OnFrameOutputHook);
}

int TFFEncoder::AddTask(const std::wstring& fileName, const TInputOptions* options)
{
    CheckWorking("AddTask");
    auto task = std::make_unique<TFFmpeg>(MaxFiles);
    try {
        task->StrictOptions = StrictOptions;
        task->Verbose = 1;
        ApplyPreview(*task);
        task->OnBeforeFindStreamInfo = [this](TCustomFFmpeg* engine, AVFormatContext* context) {
            if (OnBeforeFindStreamInfo) RunEvent(findStreamInfoLock_, [&] { OnBeforeFindStreamInfo(engine, context); });
        };
        task->Hooks().OnPreviewBitmap = [this](TCustomFFmpeg* engine, TBitmap* bitmap, int number, int64_t pts) {
            if (OnPreviewBitmap)
                RunEvent(previewLock_, [&] { OnPreviewBitmap(this, {TaskIndexOf(engine), bitmap, number, pts}); });
        };
        if (!OpenInput(*task, fileName, options)) return -1;
    } catch (const Exception& e) {
        lastErrorText_ = e.Message();
        return -1;
    }
    task->OnProgress = [this](TCustomFFmpeg* engine, const TEngineProgressInfo& info) { DoProgress(engine, info); };
    task->OnFinish = [this](TCustomFFmpeg* engine) { DoTaskTerminate(engine); };
    tasks_.push_back(std::move(task));
    return TaskCount() - 1;
}

bool TFFEncoder::AddInputFile(int taskIndex, const std::wstring& fileName, const TInputOptions* options)
{
    CheckWorking("AddInputFile");
    TFFmpeg* task = Task(taskIndex);
    if (task->InputCount() >= MaxFiles) {
        lastErrorText_ = Format("max input files %d reached", MaxFiles);
        return false;
    }
    try {
        return OpenInput(*task, fileName, options);
    } catch (const Exception& e) {
        lastErrorText_ = e.Message();
        return false;
    }
}

void TFFEncoder::ApplyOutputOptions(TFFmpeg& task, const TOutputOptions& o)
{
    auto ext = ParseExtOptions(o.ExtOptions);
    std::string defaults[] = {o.AudioCodec, o.VideoCodec, o.SubtitleCodec, o.DataCodec, o.FrameSize, o.VideoFilters};
    const char* defaultKeys[] = {"acodec", "vcodec", "scodec", "dcodec", "s", "vf"};
    for (const auto& [key, value] : ext)
        for (int i = 0; i < 6; ++i)
            if ((key == defaultKeys[i] || (i == 5 && key == "vfilters")) && !value.empty() && defaults[i].empty())
                defaults[i] = value;
    if (o.Target >= 1 && o.Target <= 3) {
        const char* norm = o.TVNorm == 1 ? "pal-" : o.TVNorm == 2 ? "ntsc-" : o.FallbackTVNorm == 1 ? "pal-" : "ntsc-";
        const char* kinds[] = {"vcd", "svcd", "dvd"};
        task.SetOption("target", std::string(norm) + kinds[o.Target - 1]);
    }
    for (int i = 0; i < 4; ++i) SetText(task, defaultKeys[i], defaults[i]);
    if (!o.PresetFile.empty())
        FFLogger().Log(&task, llWarning, "Preset files are not supported by this FFmpeg and are ignored");
    for (const auto& [key, value] : ext)
        if (!IsStreamKey(key) && !IsCodecKey(key)) task.SetOption(key, value);
    SetText(task, "f", o.FileFormat);
    SetNumber(task, "packetsize", o.PacketSize, o.PacketSize > 0);
    SetNumber(task, "muxrate", o.MuxRate, o.MuxRate > 0);
    if (o.MuxDelay > 0) task.SetOption("muxdelay", FloatToStr(o.MuxDelay));
    if (o.MuxPreload > 0) task.SetOption("muxpreload", FloatToStr(o.MuxPreload));
    if (o.AudioDisable) task.SetOption("an", "");
    SetNumber(task, "vol", o.AudioVolume, o.AudioVolume >= 0);
    SetNumber(task, "ac", o.AudioChannels, o.AudioChannels > 0);
    SetNumber(task, "ar", o.AudioSampleRate, o.AudioSampleRate > 0);
    SetNumber(task, "ab", o.AudioBitrate, o.AudioBitrate > 0 && o.Target == 0);
    SetNumber(task, "abt", o.AudioBitrateTolerance, o.AudioBitrateTolerance > 0);
    SetText(task, "alang", o.AudioLanguage);
    SetNumber(task, "async", o.AudioSyncMethod, true);
    SetText(task, "atag", o.AudioTag);
    if (o.VideoDisable) task.SetOption("vn", "");
    SetText(task, "r", o.FrameRate);
    SetText(task, "aspect", o.AspectRatio);
    SetNumber(task, "g", o.GOPSize, o.GOPSize > 0);
    SetNumber(task, "vb", o.VideoBitrate, o.VideoBitrate > 0 && o.Target == 0);
    SetNumber(task, "maxrate", o.VideoMaxRate, o.VideoMaxRate > 0);
    SetNumber(task, "minrate", o.VideoMinRate, o.VideoMinRate > 0);
    SetNumber(task, "bt", o.VideoBitrateTolerance, o.VideoBitrateTolerance > 0);
    SetNumber(task, "bufsize", o.VideoBufferSize, o.VideoBufferSize > 0);
    SetNumber(task, "vsync", o.VideoSyncMethod, true);
    SetText(task, "vtag", o.VideoTag);
    SetText(task, "vlang", o.VideoLanguage);
    if (o.SubtitleDisable) task.SetOption("sn", "");
    SetText(task, "slang", o.SubtitleLanguage);
    task.SetOption("isync", o.InputSync ? "1" : "0");
    if (o.CopyTimestamps) task.SetOption("copyts", "");
    if (o.StartTime != AV_NOPTS_VALUE) task.Options().StartTime = o.StartTime;
    if (o.RecordingTime != AV_NOPTS_VALUE) task.Options().RecordingTime = o.RecordingTime;
    if (o.Info.Timestamp >= 0) task.Options().Metadata.emplace_back("creation_time", UtcTimestamp(o.Info.Timestamp));
    if (o.Info.Year > 0) task.Options().Metadata.emplace_back("year", std::to_string(o.Info.Year));
    if (o.Info.Track > 0) task.Options().Metadata.emplace_back("track", std::to_string(o.Info.Track));
    const std::pair<const char*, const std::string*> texts[] = {{"title", &o.Info.Title},         {"author", &o.Info.Author},
                                                                {"copyright", &o.Info.Copyright}, {"comment", &o.Info.Comment},
                                                                {"album", &o.Info.Album},         {"genre", &o.Info.Genre}};
    for (const auto& [key, value] : texts)
        if (!value->empty()) task.Options().Metadata.emplace_back(key, *value);
    SetText(task, "s", defaults[4]);
    SetText(task, "vf", defaults[5]);
}

bool TFFEncoder::SetOutputFile(int taskIndex, const std::wstring& fileName, const TOutputOptions* options)
{
    CheckWorking("SetOutputFile");
    TFFmpeg* task = Task(taskIndex);
    if (task->OutputCount() >= MaxFiles) {
        lastErrorText_ = Format("max output files %d reached", MaxFiles);
        return false;
    }
    task->StrictOptions = StrictOptions;
    try {
        std::wstring name = fileName;
        if (options) {
            if (!options->FileName.empty()) name = options->FileName;
            ApplyOutputOptions(*task, *options);
            ConnectHooks(*task, *options);
        }
        task->IOTimeout = IOTimeout;
        if (task->OpenOutputFile(name, options && options->Join) < 0) {
            lastErrorText_ = task->ErrorText();
            return false;
        }
        return true;
    } catch (const Exception& e) {
        lastErrorText_ = e.Message();
        return false;
    }
}

void TFFEncoder::RemoveTask(int taskIndex)
{
    CheckWorking("RemoveTask");
    Task(taskIndex);
    tasks_.erase(tasks_.begin() + taskIndex);
}

void TFFEncoder::StartTask(int count)
{
    CheckWorking("StartTask");
    finishedCount_ = 0;
    nextTask_ = 0;
    leftToStart_ = TaskCount();
    threaded_ = count > 0;
    working_ = true;
    if (leftToStart_ == 0) {
        DoTaskTerminate(nullptr);
        return;
    }
    while (leftToStart_ > 0 && working_) {
        StartNext();
        if (threaded_ && count-- < 2) break;
    }
}

void TFFEncoder::StartNext()
{
    TFFmpeg* task = tasks_[nextTask_++].get();
    --leftToStart_;
    task->ProgressInterval = int64_t(progressInterval_) * 1000;
    if (TConvertThread* thread = task->Start(threaded_, ThreadPriority)) thread->Resume();
}

void TFFEncoder::Stop(bool wait)
{
    for (auto& task : tasks_) task->Stop(wait);
}

void TFFEncoder::DoProgress(TCustomFFmpeg* engine, const TEngineProgressInfo& info)
{
    if (!OnProgress) return;
    TProgressInfo progress;
    static_cast<TEngineProgressInfo&>(progress) = info;
    progress.TaskIndex = std::max(0, TaskIndexOf(engine));
    RunEvent(progressLock_, [&] { OnProgress(this, progress); });
}

void TFFEncoder::Deliver(const TTerminateInfo& info)
{
    if (!OnTerminate) return;
    if (threaded_ && TriggerEventInMainThread)
        RunInMainThread([&] { OnTerminate(this, info); });
    else
        OnTerminate(this, info);
}

void TFFEncoder::DoTaskTerminate(TCustomFFmpeg* engine)
{
    // Wholly under the lock: a second task ending meanwhile waits, so the
    // count, the next start and the final notice cannot interleave.
    TCriticalSectionGuard guard(terminateLock_);
    if (engine) {
        TTerminateInfo info;
        info.TaskIndex = TaskIndexOf(engine);
        info.Finished = engine->Completed() && !engine->Failed();
        info.Failed = engine->Failed();
        info.ErrorText = engine->ErrorText();
        Deliver(info);
        ++finishedCount_;
    }
    if (leftToStart_ == 0 && finishedCount_ >= TaskCount()) {
        working_ = false;
        Deliver({-1, true, false, ""});
    } else if (threaded_ && leftToStart_ > 0) {
        StartNext();
    }
}
