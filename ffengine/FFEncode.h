#pragma once
// The encoder component: a list of tasks, each one transcoding engine with
// its inputs and output, described by option records that become engine
// options; StartTask runs them inside the call or on conversion threads.
#include "FFBaseComponent.h"
#include "FFDecode.h"
#include "FFmpeg.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct TInputOptions {
    std::wstring FileName;  // empty: the call's name
    std::string FileFormat;  // "frameinput", "waveinput"
    int64_t StartTime = AV_NOPTS_VALUE;
    int ProgramID = -1;
    std::string ExtOptions;  // lines "key=value"
};

struct TStreamInfo {
    double Timestamp = -1;  // a local date-time: -1 none, 0 now
    int Year = -1;
    int Track = -1;
    std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TOutputOptions {
    std::wstring FileName;
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec;
    bool AudioDisable = false;
    int AudioVolume = -1;
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSyncMethod = 0;
    std::string AudioTag;
    std::string VideoCodec;
    bool VideoDisable = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string AspectRatio;
    int GOPSize = -1;
    int VideoBitrate = -1;
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitrateTolerance = -1;
    int VideoBufferSize = -1;
    int VideoSyncMethod = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    bool SubtitleDisable = false;
    std::string SubtitleLanguage;
    std::string DataCodec;
    std::string PresetFile;
    bool InputSync = false;
    bool CopyTimestamps = false;
    int64_t StartTime = AV_NOPTS_VALUE;
    int64_t RecordingTime = AV_NOPTS_VALUE;
    TStreamInfo Info;
    int Target = 0;  // 1 vcd, 2 svcd, 3 dvd
    int TVNorm = 0;  // 0 auto, 1 pal, 2 ntsc
    int FallbackTVNorm = 1;  // 1 pal, else ntsc
    // The task's sound and pictures go to the encoder's hook events.
    bool AudioHook = false;
    bool VideoInputHook = false;
    bool VideoOutputHook = false;
    int HookBitsPerPixel = 24;  // of the video hooks' bitmaps
    bool FrameInputHook = false;
    bool FrameOutputHook = false;
    bool Join = false;
    std::string ExtOptions;
};

void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);
// The lines of an ExtOptions text: trimmed, "<CRLF>" and CR LF as line
// breaks, keys lower-cased, a line without "=" a key with an empty value.
std::vector<std::pair<std::string, std::string>> ParseExtOptions(const std::string& text);
// "YYYY-MM-DDTHH:MM:SS.000000Z" of a local date-time (days since
// 1899-12-30), converted with the daylight saving in force at that date.
std::string UtcTimestamp(double localDateTime);

struct TTerminateInfo {
    int TaskIndex = -1;  // -1: after the last task
    bool Finished = false;  // ran to its end
    bool Failed = false;
    std::string ErrorText;
};

struct TProgressInfo : TEngineProgressInfo {
    int TaskIndex = 0;
};

struct TPreviewInfo {
    int TaskIndex = 0;
    TBitmap* Bitmap = nullptr;
    int FrameNumber = 0;
    int64_t PTS = 0;  // microseconds
};

struct THookInfo {
    int TaskIndex = 0;
    TBitmap* Bitmap = nullptr;  // the picture, of HookBitsPerPixel bits
    int FrameNumber = 0;
    int64_t PTS = 0;
    bool Update = true;  // the bitmap goes back into the picture
    bool StopHook = false;  // the hook is not called again in this run
};

struct TFrameHookInfo {
    int TaskIndex = 0;
    int FrameNumber = 0;
    AVFrame* Picture = nullptr;  // its planes may be changed in place
    int PixelFormat = AV_PIX_FMT_NONE;
    int Width = 0, Height = 0;
    int64_t PTS = 0;
};

using TProgressEvent = std::function<void(TObject* sender, const TProgressInfo& info)>;
using TTerminateEvent = std::function<void(TObject* sender, const TTerminateInfo& info)>;
using TAudioHookEvent = std::function<void(TObject* sender, int taskIndex, int64_t pts, uint8_t* sample, int size,
                                           int sampleRate, int channels, int sampleFormat)>;
using TPreviewBitmapEvent = std::function<void(TObject* sender, const TPreviewInfo& info)>;
using TVideoHookEvent = std::function<void(TObject* sender, THookInfo* info)>;
using TFrameHookEvent = std::function<void(TObject* sender, TFrameHookInfo* info)>;

// One task: an engine with the options its files were opened with.
class TFFmpeg : public TCustomFFmpeg {
public:
    explicit TFFmpeg(int maxFiles) : TCustomFFmpeg(maxFiles) {}
    std::string ClassName() const override { return "TFFmpeg"; }
};

class TFFEncoder : public TFFBaseComponent {
public:
    explicit TFFEncoder(TComponent* owner);
    ~TFFEncoder() override;

    std::string ClassName() const override { return "TFFEncoder"; }

    // Loads the engine's libraries from Folder; False with LastErrorText.
    bool LoadLibraries(const std::wstring& folder);
    // A new task reading FileName; its index, or -1 with LastErrorText.
    int AddTask(const std::wstring& fileName, const TInputOptions* options = nullptr);
    bool AddInputFile(int taskIndex, const std::wstring& fileName, const TInputOptions* options = nullptr);
    bool SetOutputFile(int taskIndex, const std::wstring& fileName, const TOutputOptions* options = nullptr);
    void RemoveTask(int taskIndex);
    // Count <= 0: every task, one after another, inside the call; else up
    // to Count at once on conversion threads.
    void StartTask(int count);
    // Asks every running task to stop; Wait: until each has ended.
    void Stop(bool wait);

    int TaskCount() const { return static_cast<int>(tasks_.size()); }
    TFFmpeg* Task(int index) const;
    bool Working() const { return working_; }
    const std::string& LastErrorText() const { return lastErrorText_; }

    int MaxFiles = 20;
    bool StrictOptions = true;
    int IOTimeout = 10000;
    int ProgressInterval() const { return progressInterval_; }
    // Milliseconds; 100 or less is 100.
    void SetProgressInterval(int interval) { progressInterval_ = interval <= 100 ? 100 : interval; }
    TThreadPriority ThreadPriority = tpNormal;
    bool TriggerEventInMainThread = true;
    // Every task shows its pictures in a preview window; hands them to
    // OnPreviewBitmap.
    bool Preview() const { return preview_; }
    void SetPreview(bool preview);
    bool PreviewBitmap() const { return previewBitmap_; }
    void SetPreviewBitmap(bool preview);

    TAudioHookEvent OnAudioHook;
    // Sender: the task's engine.
    TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;
    TPreviewBitmapEvent OnPreviewBitmap;
    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;
    TVideoHookEvent OnVideoInputHook;
    TVideoHookEvent OnVideoOutputHook;
    TFrameHookEvent OnFrameInputHook;
    TFrameHookEvent OnFrameOutputHook;

private:
    int TaskIndexOf(const TCustomFFmpeg* engine) const;
    void ApplyPreview(TFFmpeg& task) const;
    void ConnectHooks(TFFmpeg& task, const TOutputOptions& options);
    // Runs Call under Lock, on the GUI thread when TriggerEventInMainThread.
    void RunEvent(TCriticalSection& lock, const std::function<void()>& call);
    void DoVideoHook(TVideoHookEvent& event, TCustomFFmpeg* engine, TBitmap* bitmap, int frameNumber, int64_t pts,
                     bool& update, bool& disable);
    void DoFrameHook(TFrameHookEvent& event, TCustomFFmpeg* engine, AVFrame* picture, int frameNumber, int64_t pts);

    void CheckWorking(const char* operation) const;
    void ApplyOutputOptions(TFFmpeg& task, const TOutputOptions& options);
    bool OpenInput(TFFmpeg& task, const std::wstring& fileName, const TInputOptions* options);
    void StartNext();
    void DoProgress(TCustomFFmpeg* engine, const TEngineProgressInfo& info);
    // Called by each task as it ends, on the task's thread.
    void DoTaskTerminate(TCustomFFmpeg* engine);
    void Deliver(const TTerminateInfo& info);

    std::vector<std::unique_ptr<TFFmpeg>> tasks_;
    std::string lastErrorText_;
    int progressInterval_ = 500;
    bool working_ = false;
    bool threaded_ = false;
    int finishedCount_ = 0;
    int nextTask_ = 0;
    int leftToStart_ = 0;
    bool preview_ = false, previewBitmap_ = false;
    TCriticalSection audioHookLock_;
    TCriticalSection previewLock_;
    TCriticalSection progressLock_;
    TCriticalSection terminateLock_;
    TCriticalSection videoHookLock_;
    TCriticalSection frameHookLock_;
    TCriticalSection findStreamInfoLock_;
};
