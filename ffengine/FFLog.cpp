#include "FFLog.h"

#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "Threads.h"

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// The text a thread has logged since its last line feed.
struct TLogItem {
    DWORD ThreadID;
    std::string Pending;
};

struct TLogState {
    TCriticalSection lock;
    std::vector<TLogItem> items;
    // The last line formed and how often it came again, over all threads.
    std::string lastLine;
    int repeatCount = 0;
    std::atomic<int> ffmpegLevel = AV_LOG_INFO;
    TFFLogger* logger = nullptr;
    std::unique_ptr<TFFLogger> autoCreated;

    ~TLogState() { autoCreated.reset(); }

    TLogItem& ItemOf(DWORD threadId)
    {
        for (TLogItem& item : items)
            if (item.ThreadID == threadId) return item;
        return items.emplace_back(TLogItem{threadId, {}});
    }
};

TLogState& State()
{
    static TLogState state;
    return state;
}

const char* ItemName(void* context)
{
    const AVClass* cls = *static_cast<AVClass**>(context);
    return cls->item_name ? cls->item_name(context) : cls->class_name;
}

// "[parent @ address] [context @ address]", the parent's part only when the
// context's class names one.
std::string Prefix(void* context)
{
    const AVClass* cls = *static_cast<AVClass**>(context);
    if (!cls) return {};
    std::string prefix;
    if (cls->parent_log_context_offset) {
        void* parent = *reinterpret_cast<void**>(static_cast<char*>(context) + cls->parent_log_context_offset);
        if (parent && *static_cast<AVClass**>(parent)) prefix = Format("[%s @ %p] ", ItemName(parent), parent);
    }
    return prefix + Format("[%s @ %p]", ItemName(context), context);
}

std::string FormatText(const char* format, va_list args)
{
    char buffer[2048];
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof buffer) return std::string(buffer, n);
    std::string text(n + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.pop_back();
    return text;
}

// Under the lock: adds a fragment to its thread's pending text and answers
// the lines it completes, a repeat notice first when one is due.
std::vector<std::string> TakeLines(TLogState& state, void* context, const char* format, va_list args)
{
    TLogItem& item = state.ItemOf(GetCurrentThreadId());
    std::string line = context && item.Pending.empty() ? Prefix(context) : std::string();
    line += FormatText(format, args);
    std::vector<std::string> lines;
    if (!line.empty() && line.back() == '\n' && line == state.lastLine) {
        ++state.repeatCount;
        return lines;
    }
    // A single repetition passes without notice.
    if (state.repeatCount > 1) lines.push_back(Format("    Last message repeated %d times", state.repeatCount));
    state.repeatCount = 0;
    state.lastLine = line;
    item.Pending += line;
    for (size_t feed; (feed = item.Pending.find('\n')) != std::string::npos;) {
        lines.push_back(item.Pending.substr(0, feed));
        item.Pending.erase(0, feed + 1);
    }
    return lines;
}

void LogCallback(void* context, int level, const char* format, va_list args)
{
    // FFmpeg 5.1 keeps colour hints above the level's low byte.
    if (level >= 0) level &= 0xFF;
    TLogState& state = State();
    if (state.ffmpegLevel < level) return;
    std::vector<std::string> lines;
    {
        TCriticalSectionGuard guard(state.lock);
        lines = TakeLines(state, context, format, args);
    }
    // Delivered outside the lock: a thread that waits for the GUI thread
    // must never hold what the GUI thread may need.
    for (const std::string& line : lines) FFLogger().DeliverLine(GetCurrentThreadId(), level, line);
}

}

int FFmpegLogLevel(TLogLevel level)
{
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LogLevelOf(int ffmpegLevel)
{
    return static_cast<TLogLevel>(std::clamp(ffmpegLevel / 8 + 1, static_cast<int>(llQuiet), static_cast<int>(llDebug)));
}

TFFLogger::TFFLogger(TComponent* owner) : TFFBaseComponent(owner), logLevel_(LogLevelOf(State().ffmpegLevel))
{
    TLogState& state = State();
    if (state.logger && state.logger == state.autoCreated.get()) state.autoCreated.reset();
    if (state.logger) throw EAssertionFailed("Allow creating only one instance of TFFLogger.");
    state.logger = this;
}

TFFLogger::~TFFLogger()
{
    TThread::RemoveQueuedEvents(this);
    TLogState& state = State();
    TCriticalSectionGuard guard(state.lock);
    if (state.logger == this) state.logger = nullptr;
}

TFFLogger& FFLogger()
{
    TLogState& state = State();
    TCriticalSectionGuard guard(state.lock);
    if (!state.logger) state.autoCreated = std::make_unique<TFFLogger>(nullptr);
    return *state.logger;
}

void DropQueuedLogLines(const TObject* sender)
{
    TLogState& state = State();
    TCriticalSectionGuard guard(state.lock);
    if (state.logger) state.logger->DropQueuedLines(sender);
}

void TFFLogger::SetLogLevel(TLogLevel level)
{
    if (level == logLevel_) return;
    logLevel_ = level;
    ApplyLogLevel();
}

void TFFLogger::ApplyLogLevel()
{
    if (!ff::av_log_set_level) return;
    State().ffmpegLevel = FFmpegLogLevel(logLevel_);
    ff::av_log_set_level(FFmpegLogLevel(logLevel_));
}

void TFFLogger::SetLogLevelByName(const std::string& name)
{
    static const struct {
        const char* name;
        int level;
    } Levels[] = {{"quiet", AV_LOG_QUIET}, {"panic", AV_LOG_PANIC},     {"fatal", AV_LOG_FATAL},
                  {"error", AV_LOG_ERROR}, {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO},
                  {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG}};
    for (const auto& entry : Levels) {
        if (AnsiSameText(name, entry.name)) {
            SetLogLevel(LogLevelOf(entry.level));
            return;
        }
    }
    SetLogLevel(LogLevelOf(StrToInt(name)));
}

void TFFLogger::InstallFFmpegCallback()
{
    if (!ff::av_log_set_callback || !ff::av_log_set_level)
        throw EAssertionFailed("libavutil is not bound: no log callback to install");
    ff::av_log_set_callback(LogCallback);
    ApplyLogLevel();
}

bool TFFLogger::Accepts(TLogLevel level) const
{
    return OnLog && (level <= logLevel_ || (level == llVerbose && logLevel_ != llQuiet));
}

void TFFLogger::Log(TObject* sender, TLogLevel level, const std::string& message)
{
    if (Accepts(level)) Deliver({sender, GetCurrentThreadId(), level, message});
}

void TFFLogger::DeliverLine(DWORD threadId, int ffmpegLevel, const std::string& line)
{
    if (OnLog) Deliver({this, threadId, LogLevelOf(ffmpegLevel), line});
}

void TFFLogger::Deliver(TLogInfo info)
{
    if (!TriggerEventInMainThread || GetCurrentThreadId() == MainThreadID) {
        DeliverNow(info);
        return;
    }
    {
        TCriticalSectionGuard guard(queueLock_);
        queued_.push_back(std::move(info));
    }
    // The line waits in the logger's own list, not inside the queued call,
    // so that DropQueuedLines can reach it; a call whose line was dropped
    // takes a later one or finds none.
    TThread::Queue(this, [this] { DeliverQueuedLine(); });
}

void TFFLogger::DeliverQueuedLine()
{
    TLogInfo info;
    {
        TCriticalSectionGuard guard(queueLock_);
        if (queued_.empty()) return;
        info = std::move(queued_.front());
        queued_.pop_front();
    }
    DeliverNow(info);
}

void TFFLogger::DeliverNow(const TLogInfo& info)
{
    TCriticalSectionGuard guard(deliveryLock_);
    if (OnLog) OnLog(info.Sender, info.ThreadID, info.LogLevel, info.Message);
}

void TFFLogger::DropQueuedLines(const TObject* sender)
{
    TCriticalSectionGuard guard(queueLock_);
    std::erase_if(queued_, [sender](const TLogInfo& info) { return info.Sender == sender; });
}
