#pragma once
// The engine's one logger: FFmpeg's own log output and the engine's messages
// become whole lines per thread, repeats are collapsed, and each line reaches
// OnLog with its thread and level, by default on the GUI thread.
#include "FFBaseComponent.h"
#include "SysUtils.h"
#include "Threads.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <string_view>

enum TLogLevel { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// FFmpeg's level of a value: (ordinal - 1) x 8, so -8 for llQuiet to 48 for llDebug.
int FFmpegLogLevel(TLogLevel level);
// The value of an FFmpeg level: level / 8 + 1, limited to llQuiet..llDebug.
TLogLevel LogLevelOf(int ffmpegLevel);

using TLogEvent = std::function<void(TObject* sender, DWORD threadId, TLogLevel level, const std::string& message)>;

class TFFLogger : public TFFBaseComponent {
public:
    // Replaces a logger that FFLogger() made by itself; a second logger of
    // the program's own raises EAssertionFailed
    // "Allow creating only one instance of TFFLogger.".
    explicit TFFLogger(TComponent* owner);
    // Lines still on their way to the GUI thread are dropped.
    ~TFFLogger() override;

    std::string ClassName() const override { return "TFFLogger"; }

    TLogLevel LogLevel() const { return logLevel_; }
    // Also sets FFmpeg's level once libavutil is bound.
    void SetLogLevel(TLogLevel level);
    // "quiet", "panic", "fatal", "error", "warning", "info", "verbose" or
    // "debug" in any case, else FFmpeg's level as a decimal number (a text
    // that is none raises EConvertError).
    void SetLogLevelByName(const std::string& name);

    // OnLog runs on the GUI thread: other threads queue their lines there
    // and go on. Off, it runs on the thread that logs. Either way it runs for
    // one line at a time, so it must not wait for another thread that logs.
    bool TriggerEventInMainThread = true;
    TLogEvent OnLog;

    // Routes FFmpeg's log output here and applies LogLevel; needs libavutil bound.
    void InstallFFmpegCallback();

    // The engine's own messages, at LogLevel or more important; llVerbose
    // passes at every level but llQuiet.
    void Log(TObject* sender, TLogLevel level, const std::string& message);
    template <typename... Args>
    void LogFmt(TObject* sender, TLogLevel level, std::string_view format, const Args&... args)
    {
        if (Accepts(level)) Log(sender, level, Format(format, args...));
    }
    // One whole line of FFmpeg's, already filtered by FFmpeg's level.
    void DeliverLine(DWORD threadId, int ffmpegLevel, const std::string& line);
    // Drops Sender's lines still on their way to the GUI thread.
    void DropQueuedLines(const TObject* sender);

private:
    struct TLogInfo {
        TObject* Sender = nullptr;
        DWORD ThreadID = 0;
        TLogLevel LogLevel = llInfo;
        std::string Message;
    };

    bool Accepts(TLogLevel level) const;
    void Deliver(TLogInfo info);
    void DeliverNow(const TLogInfo& info);
    void DeliverQueuedLine();
    void ApplyLogLevel();

    TLogLevel logLevel_;
    // Held while OnLog runs; a handler that logs again passes.
    TCriticalSection deliveryLock_;
    // The lines handed to the GUI thread, oldest first.
    TCriticalSection queueLock_;
    std::deque<TLogInfo> queued_;

    friend TFFLogger& FFLogger();
};

// The program's logger; made on first use when the program has placed none.
TFFLogger& FFLogger();
// Drops Sender's queued lines at the program's logger, if there is one: a
// component going away calls it so that no line outlives its sender.
void DropQueuedLogLines(const TObject* sender);
