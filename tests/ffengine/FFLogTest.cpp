// FFmpeg's log output and the engine's messages become whole lines per
// thread, repeats collapse, and lines reach OnLog, on the GUI thread by
// default without ever holding up the thread that logs.
#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "FFLoad.h"
#include "FFLog.h"
#include "FFTestSupport.h"
#include "GuiTestSupport.h"
#include "SysUtils.h"
#include "Threads.h"

#include <atomic>
#include <cinttypes>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct TLine {
    TObject* sender;
    DWORD threadId;
    TLogLevel level;
    std::string message;

    bool operator==(const TLine&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TLine& line)
{
    return out << "{" << line.threadId << ", " << line.level << ", \"" << line.message << "\"}";
}

// A context FFmpeg can log for: its class comes first, the parent at Parent.
struct TFakeContext {
    const AVClass* cls;
    void* parent;
};

AVClass FakeClass(const char* name, int parentOffset)
{
    AVClass cls{};
    cls.class_name = name;
    cls.item_name = [](void* context) { return (*static_cast<AVClass**>(context))->class_name; };
    cls.version = LIBAVUTIL_VERSION_INT;
    cls.parent_log_context_offset = parentOffset;
    return cls;
}

class TWorker : public TThread {
public:
    explicit TWorker(std::function<void()> body) : body_(std::move(body)) { Start(); }

protected:
    void Execute() override { body_(); }

private:
    std::function<void()> body_;
};

class FFLogTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        LoadFromLibav(LibraryBit(liAVUtil));
        logger.TriggerEventInMainThread = false;
        logger.OnLog = [this](TObject* sender, DWORD threadId, TLogLevel level, const std::string& message) {
            std::lock_guard<std::mutex> guard(linesLock);
            lines.push_back({sender, threadId, level, message});
        };
        logger.SetLogLevel(llInfo);
        // The last line is shared by every test: start from a line of our own.
        ff::av_log(nullptr, AV_LOG_INFO, "%s\n", testing::UnitTest::GetInstance()->current_test_info()->name());
        lines.clear();
    }

    TLine Info(const std::string& message) { return {&logger, GetCurrentThreadId(), llInfo, message}; }

    TFFLogger logger{nullptr};
    std::mutex linesLock;
    std::vector<TLine> lines;
};

}

TEST_F(FFLogTest, FragmentsJoinIntoOneLineWithTheFirstFragmentsPrefix)
{
    AVClass cls = FakeClass("fake", 0);
    TFakeContext context{&cls, nullptr};

    ff::av_log(&context, AV_LOG_INFO, "first %d ", 1);
    ff::av_log(&context, AV_LOG_INFO, "second %s\n", "half");
    ff::av_log(&context, AV_LOG_INFO, "a\nb");
    ff::av_log(nullptr, AV_LOG_INFO, "c\n");
    // The forms FFmpeg's own messages use for 64-bit and size values.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wformat-extra-args"
    ff::av_log(nullptr, AV_LOG_INFO, "%lld %I64d %Iu %zu %5.2f\n", int64_t{1} << 40, int64_t{-3}, size_t{7}, size_t{8}, 2.5);
#pragma GCC diagnostic pop

    std::string prefix = Format("[fake @ %p]", static_cast<void*>(&context));
    EXPECT_EQ(lines, (std::vector<TLine>{Info(prefix + "first 1 second half"), Info(prefix + "a"), Info("bc"),
                                         Info("1099511627776 -3 7 8  2.50")}));
}

TEST_F(FFLogTest, ParentContextLeadsThePrefix)
{
    AVClass parentClass = FakeClass("muxer", 0);
    AVClass childClass = FakeClass("encoder", offsetof(TFakeContext, parent));
    TFakeContext parent{&parentClass, nullptr};
    TFakeContext child{&childClass, &parent};

    ff::av_log(&child, AV_LOG_INFO, "text\n");

    EXPECT_EQ(lines, std::vector<TLine>{Info(Format("[muxer @ %p] [encoder @ %p]text", static_cast<void*>(&parent),
                                                    static_cast<void*>(&child)))});
}

TEST_F(FFLogTest, RepeatedLinesCollapse)
{
    for (const char* text : {"x\n", "x\n", "x\n", "y\n", "z\n", "z\n", "w\n", "p", "p", "\n"})
        ff::av_log(nullptr, AV_LOG_INFO, "%s", text);

    // A single repetition goes without notice; text without a line feed never repeats.
    EXPECT_EQ(lines, (std::vector<TLine>{Info("x"), Info("    Last message repeated 2 times"), Info("y"), Info("z"),
                                         Info("w"), Info("pp")}));
}

TEST_F(FFLogTest, LevelsMapAsOrdinalMinusOneTimesEight)
{
    const struct {
        TLogLevel level;
        int ffmpeg;
    } Levels[] = {{llQuiet, -8}, {llPanic, 0},  {llFatal, 8},    {llError, 16},
                  {llWarning, 24}, {llInfo, 32}, {llVerbose, 40}, {llDebug, 48}};
    for (const auto& entry : Levels) {
        EXPECT_EQ(FFmpegLogLevel(entry.level), entry.ffmpeg);
        EXPECT_EQ(LogLevelOf(entry.ffmpeg), entry.level);
        logger.SetLogLevel(entry.level);
        EXPECT_EQ(ff::av_log_get_level(), entry.ffmpeg);
    }
    EXPECT_EQ(LogLevelOf(AV_LOG_TRACE), llDebug);
    EXPECT_EQ(LogLevelOf(-16), llQuiet);

    logger.SetLogLevelByName("Warning");
    EXPECT_EQ(logger.LogLevel(), llWarning);
    logger.SetLogLevelByName("40");
    EXPECT_EQ(logger.LogLevel(), llVerbose);
    EXPECT_THROW(logger.SetLogLevelByName("loud"), EConvertError);

    logger.SetLogLevel(llError);
    ff::av_log(nullptr, AV_LOG_WARNING, "dropped\n");
    ff::av_log(nullptr, AV_LOG_ERROR, "kept\n");
    EXPECT_EQ(lines, (std::vector<TLine>{{&logger, GetCurrentThreadId(), llError, "kept"}}));
}

TEST_F(FFLogTest, EngineMessagesPassByLevel)
{
    logger.SetLogLevel(llError);
    logger.Log(&logger, llWarning, "too detailed");
    logger.Log(&logger, llVerbose, "verbose passes");
    logger.LogFmt(&logger, llError, "%s #%d", "error", 2);
    logger.SetLogLevel(llQuiet);
    logger.Log(&logger, llVerbose, "not when quiet");

    DWORD self = GetCurrentThreadId();
    EXPECT_EQ(lines, (std::vector<TLine>{{&logger, self, llVerbose, "verbose passes"}, {&logger, self, llError, "error #2"}}));

    // Nothing is formatted without a handler: a bad format goes unnoticed.
    logger.OnLog = nullptr;
    logger.SetLogLevel(llDebug);
    EXPECT_NO_THROW(logger.LogFmt(&logger, llError, "%d", "not a number"));
}

TEST_F(FFLogTest, ThreadsKeepTheirOwnPendingText)
{
    auto body = [](const char* name) {
        return [name] {
            for (int i = 0; i < 200; ++i) {
                ff::av_log(nullptr, AV_LOG_INFO, "%s-", name);
                ff::av_log(nullptr, AV_LOG_INFO, "%d\n", i);
            }
        };
    };
    DWORD ids[2];
    {
        TWorker first(body("a"));
        TWorker second(body("b"));
        ids[0] = first.ThreadID();
        ids[1] = second.ThreadID();
        first.WaitFor();
        second.WaitFor();
    }

    int next[2] = {0, 0};
    for (const TLine& line : lines) {
        int which = line.threadId == ids[0] ? 0 : 1;
        ASSERT_TRUE(line.threadId == ids[which]) << line;
        EXPECT_EQ(line.message, Format("%s-%d", which ? "b" : "a", next[which]++));
    }
    EXPECT_EQ(next[0], 200);
    EXPECT_EQ(next[1], 200);
}

TEST_F(FFLogTest, LinesReachTheGuiThreadWhileItIsBusy)
{
    logger.TriggerEventInMainThread = true;
    TSimpleEvent logged;
    TWorker worker([&] {
        for (int i = 0; i < 50; ++i) ff::av_log(nullptr, AV_LOG_INFO, "line %d\n", i);
        logged.SetEvent();
    });

    // The GUI thread serves nothing while it waits: the worker must not wait for it.
    ASSERT_EQ(logged.WaitFor(10000), wrSignaled);
    EXPECT_TRUE(lines.empty());
    CheckSynchronize();
    worker.WaitFor();

    ASSERT_EQ(lines.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(lines[i], (TLine{&logger, worker.ThreadID(), llInfo, Format("line %d", i)}));
}

TEST_F(FFLogTest, QueuedLinesGoWithTheirSender)
{
    logger.TriggerEventInMainThread = true;
    auto leaving = std::make_unique<TFFBaseComponent>(nullptr);
    TFFBaseComponent staying(nullptr);
    TObject* gone = leaving.get();
    TSimpleEvent logged;
    TWorker worker([&] {
        logger.Log(gone, llError, "first");
        logger.Log(&staying, llError, "second");
        logger.Log(gone, llError, "third");
        logged.SetEvent();
    });
    ASSERT_EQ(logged.WaitFor(10000), wrSignaled);

    leaving.reset();
    CheckSynchronize();
    worker.WaitFor();
    EXPECT_EQ(lines, (std::vector<TLine>{{&staying, worker.ThreadID(), llError, "second"}}));
}

TEST_F(FFLogTest, DirectDeliveryRunsOneLineAtATime)
{
    std::atomic<int> inside = 0;
    std::atomic<bool> overlapped = false;
    logger.OnLog = [&](TObject*, DWORD, TLogLevel, const std::string&) {
        if (++inside > 1) overlapped = true;
        Sleep(1);
        --inside;
    };
    auto body = [this] {
        for (int i = 0; i < 50; ++i) logger.Log(&logger, llError, "line");
    };
    {
        TWorker first(body);
        TWorker second(body);
        first.WaitFor();
        second.WaitFor();
    }
    EXPECT_FALSE(overlapped);
}

TEST(FFLogger, LinesQueuedForAFreedLoggerAreDropped)
{
    std::vector<std::string> received;
    auto logger = std::make_unique<TFFLogger>(nullptr);
    logger->OnLog = [&](TObject*, DWORD, TLogLevel, const std::string& message) { received.push_back(message); };
    TSimpleEvent logged;
    TWorker worker([&] {
        logger->Log(logger.get(), llError, "late");
        logged.SetEvent();
    });
    ASSERT_EQ(logged.WaitFor(10000), wrSignaled);

    logger.reset();
    CheckSynchronize();
    worker.WaitFor();
    EXPECT_TRUE(received.empty());
}

TEST(FFLogger, PlacedLoggerReplacesTheOneMadeOnDemand)
{
    TFFLogger& made = FFLogger();
    EXPECT_EQ(&FFLogger(), &made);
    {
        TFFLogger placed(nullptr);
        EXPECT_EQ(&FFLogger(), &placed);
        EXPECT_EQ(tvmtest::MessageOf<EAssertionFailed>([] { TFFLogger second(nullptr); }),
                  "Allow creating only one instance of TFFLogger.");
        EXPECT_EQ(&FFLogger(), &placed);
    }
    EXPECT_NE(&FFLogger(), nullptr);
}
