#pragma once
// The transcoding engine: one object per encoding task, holding what the
// command-line transcoder kept in globals, so that several run side by side.
// Its inputs are the program-fed frame and wave inputs and files on disk; its
// outputs files written through FFmpeg's muxers with the engine's interrupt
// callback, each with a video and an audio stream as far as the inputs have
// them. In join mode the inputs are written one after another into one output.
#include "AVFormatStubs.h"
#include "Exceptions.h"
#include "FFHooks.h"
#include "FFLog.h"
#include "FFOptions.h"
#include "FFOutput.h"
#include "FFProgress.h"
#include "FFUtils.h"
#include "FileInput.h"
#include "ProgramInput.h"
#include "Threads.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomFFmpeg;

class TConvertThread : public TThread {
public:
    TConvertThread(TCustomFFmpeg* engine, TThreadPriority priority);
    std::string ClassName() const override { return "TConvertThread"; }

protected:
    void Execute() override;

private:
    TCustomFFmpeg* engine_;
};

using TEngineNotify = std::function<void(TCustomFFmpeg* engine)>;
using TEngineProgress = std::function<void(TCustomFFmpeg* engine, const TEngineProgressInfo& info)>;

class TCustomFFmpeg : public TObject {
public:
    // MaxFiles: 1..512 input and output files.
    explicit TCustomFFmpeg(int maxFiles);
    ~TCustomFFmpeg() override;

    std::string ClassName() const override { return "TCustomFFmpeg"; }

    // Sets every option back to its default and forgets the files; False
    // (and nothing done) when the encoder's libraries are not loaded.
    bool Reset();

    // ---- Options and files ----
    // Takes one option: the engine's own (the option table), else a codec's,
    // format's or scaler's. An unknown name or refused value raises
    // FFmpegException when StrictOptions, else it is logged.
    void SetOption(const std::string& name, const std::string& value);
    // A codec's, format's or scaler's option, by the same rules.
    void SetGenericOption(const std::string& name, const std::string& value);
    // Opens an input: a program-fed format named by Format, the option
    // string as FileName; else the file FileName, as Format when given.
    // False with ErrorText.
    bool OpenInputFile(const std::wstring& fileName, const std::string& format);
    // Adds an output; the file is created when the run starts. Join: the
    // inputs go one after another into this output. The number of outputs,
    // or a negative code with ErrorText.
    int OpenOutputFile(const std::wstring& fileName, bool join = false);
    int InputCount() const { return static_cast<int>(inputs_.size()); }
    int OutputCount() const { return static_cast<int>(outputs_.size()); }
    bool JoinMode() const { return joinMode_; }
    // Runs between the opening of an input file and the reading of its
    // streams' parameters.
    std::function<void(TCustomFFmpeg* engine, AVFormatContext* context)> OnBeforeFindStreamInfo;
    TEngineOptions& Options() { return options_; }
    // The program's hooks and the preview; set before the run starts.
    TEngineHooks& Hooks() { return hooks_; }
    TOptionContext& OptionContext() { return *optionContext_; }

    // ---- Run control ----
    // Synchronous (answers null) or on a suspended conversion thread that
    // the caller resumes; null too when the engine already ran or refused
    // to (then Failed, ErrorText and the finishing callback tell).
    TConvertThread* Start(bool threaded, TThreadPriority priority = tpNormal);
    // Asks the run to end; with Wait, waits for a thread while serving the
    // GUI thread's synchronised calls.
    void Stop(bool wait);
    void Execute();
    bool StopRequested(void* owner) const { return owner == this && stopRequested_; }
    // The interrupt check: cancelled, or a blocking call past IOTimeout.
    bool TimedOut(void* owner);

    bool Running() const { return running_; }
    bool Completed() const { return completed_; }
    bool Finished() const { return finished_; }
    bool Failed() const { return failed_; }
    const std::string& ErrorText() const { return errorText_; }
    HANDLE DoneEvent() const { return doneEvent_; }

    int IOTimeout = 10000;  // ms; 0 or less: none
    int64_t ProgressInterval = 500000;  // microseconds
    bool StrictOptions = true;
    int Verbose = 1;
    TEngineNotify OnFinish;
    TEngineProgress OnProgress;

protected:
    // Set-up, main loop and trailer.
    void Transcode();
    void Finish();
    void Fail(const std::string& message);
    void CloseAll();
    void Log(TLogLevel level, const std::string& message);

private:
    struct TInputFile {
        std::unique_ptr<TEngineInput> Reader;
        std::vector<TProgramStreamInfo> Streams;
        bool Ended = false;
        int64_t LastPts = AV_NOPTS_VALUE;  // microseconds
        // Join mode: where the input starts in the output, and the furthest
        // end of what was read from it, both in output time.
        int64_t Offset = 0;
        int64_t EndTime = 0;
        int FrameCount = 0;  // pictures read
    };
    struct TOutputFile {
        std::wstring Name;
        AVFormatContext* Context = nullptr;
        TEngineOptions Options;  // as the output was opened with them
        std::vector<std::unique_ptr<TOutputStream>> Streams;
        bool HeaderWritten = false;
    };

    void AddOutputStreams(TOutputFile& output);
    // The first stream of Type in input File; -1 when it has none.
    int FindSourceStream(int file, AVMediaType type) const;
    void OpenOutputIO(TOutputFile& output);
    // Reads the input whose stream is furthest behind (join mode: the
    // current input): 0 with a frame, 1 when every open input is waiting,
    // negative at the end of all.
    int ReadNextFrame(AVFrame* frame, int& inputIndex, int& streamIndex);
    void EndInput(int inputIndex);
    void Dispatch(AVFrame* frame, int inputIndex, int streamIndex);
    void ReportProgress(bool last, int64_t startTime);
    void CloseOutput(TOutputFile& output);

    int maxFiles_;
    TEngineHooks hooks_{this};
    TEngineOptions options_;
    std::unique_ptr<TOptionContext> optionContext_;
    std::vector<TInputFile> inputs_;
    std::vector<std::unique_ptr<TOutputFile>> outputs_;
    bool joinMode_ = false;
    int currentInput_ = 0;  // join mode
    int64_t joinDuration_ = -1;  // microseconds; -1 unknown

    std::atomic<bool> running_ = false, stopRequested_ = false, cancelled_ = false;
    bool completed_ = false, finished_ = false, failed_ = false;
    std::string errorText_;
    TConvertThread* thread_ = nullptr;
    HANDLE doneEvent_ = nullptr;
    std::atomic<int64_t> ioStart_;
};
