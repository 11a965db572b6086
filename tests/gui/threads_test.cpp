#include "Exceptions.h"
#include "Threads.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// A thread whose body is given by the test.
class TTestThread : public TThread {
public:
    explicit TTestThread(std::function<int(TTestThread&)> body, bool* freed = nullptr) : body_(std::move(body)), freed_(freed) {}
    ~TTestThread() override
    {
        if (freed_) *freed_ = true;
    }

protected:
    void Execute() override { ReturnValue = body_(*this); }

private:
    std::function<int(TTestThread&)> body_;
    bool* freed_;
};

}

TEST(Thread, SynchronizedCallsRunOnTheGuiThreadWhileItWaits)
{
    std::vector<DWORD> callers;
    TTestThread thread([&](TTestThread&) {
        for (int i = 0; i < 3; ++i) TThread::Synchronize([&] { callers.push_back(GetCurrentThreadId()); });
        return 7;
    });
    std::vector<DWORD> terminatedOn;
    thread.OnTerminate = [&](TObject* sender) {
        EXPECT_EQ(sender, &thread);
        terminatedOn.push_back(GetCurrentThreadId());
    };
    EXPECT_TRUE(thread.Suspended());
    thread.Start();

    EXPECT_EQ(thread.WaitFor(), 7u);

    EXPECT_EQ(callers, std::vector<DWORD>(3, GetCurrentThreadId()));
    EXPECT_EQ(terminatedOn, std::vector<DWORD>{GetCurrentThreadId()});
    EXPECT_TRUE(thread.Finished());
    EXPECT_FALSE(thread.FatalException());
}

TEST(Thread, CheckSynchronizeServesAWaitingThread)
{
    int value = 0;
    TTestThread thread([&](TTestThread&) {
        TThread::Synchronize([&] { value = 42; });
        return 0;
    });
    thread.Start();
    while (!thread.Finished()) CheckSynchronize(10);
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(CheckSynchronize());
    thread.WaitFor();
}

TEST(Thread, QueuedCallsRunInOrderOnTheGuiThreadWithoutHoldingTheCaller)
{
    std::vector<int> order;
    std::vector<DWORD> ranOn;
    int dropped = 0;
    int owner = 0;
    int other = 0;
    TSimpleEvent queued;
    TTestThread thread([&](TTestThread&) {
        for (int i = 1; i <= 3; ++i) TThread::Queue(&owner, [&, i] {
            order.push_back(i);
            ranOn.push_back(GetCurrentThreadId());
        });
        TThread::Queue(&other, [&] { ++dropped; });
        queued.SetEvent();
        return 0;
    });
    thread.Start();

    // The GUI thread serves nothing meanwhile: the thread must not wait for it.
    ASSERT_EQ(queued.WaitFor(5000), wrSignaled);
    EXPECT_TRUE(order.empty());
    TThread::RemoveQueuedEvents(&other);
    EXPECT_TRUE(CheckSynchronize());

    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ranOn, std::vector<DWORD>(3, GetCurrentThreadId()));
    EXPECT_EQ(dropped, 0);
    thread.WaitFor();

    // On the GUI thread a queued call runs at once.
    TThread::Queue(&owner, [&] { order.push_back(4); });
    EXPECT_EQ(order.back(), 4);
}

TEST(Thread, ExceptionsAreKeptAsFatalException)
{
    TTestThread thread([](TTestThread&) -> int { throw EConvertError("'x' is not a valid integer value"); });
    thread.Start();
    thread.WaitFor();
    ASSERT_TRUE(thread.FatalException());
    try {
        std::rethrow_exception(thread.FatalException());
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
    }

    // One raised by a synchronised call comes back to the thread that asked for it.
    std::string caught;
    TTestThread syncing([&](TTestThread&) {
        try {
            TThread::Synchronize([] { throw EInvalidOperation("on the GUI thread"); });
        } catch (const EInvalidOperation& e) {
            caught = e.Message();
        }
        return 0;
    });
    syncing.Start();
    syncing.WaitFor();
    EXPECT_EQ(caught, "on the GUI thread");
    EXPECT_FALSE(syncing.FatalException());
}

TEST(Thread, TerminateEndsALoopingThread)
{
    TSimpleEvent running;
    TTestThread thread([&](TTestThread& self) {
        running.SetEvent();
        while (!self.Terminated()) Sleep(1);
        return 5;
    });
    thread.SetPriority(tpLower);
    EXPECT_EQ(thread.Priority(), tpLower);
    thread.Start();
    ASSERT_EQ(running.WaitFor(5000), wrSignaled);
    thread.Terminate();
    EXPECT_EQ(thread.WaitFor(), 5u);
}

TEST(Thread, FreeOnTerminateDeletesTheThreadAfterOnTerminate)
{
    bool freed = false;
    bool terminated = false;
    auto* thread = new TTestThread([](TTestThread&) { return 0; }, &freed);
    thread->FreeOnTerminate = true;
    thread->OnTerminate = [&](TObject*) {
        EXPECT_FALSE(freed);
        terminated = true;
    };
    thread->Start();
    for (int i = 0; i < 500 && !freed; ++i) CheckSynchronize(10);
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(freed);
}

TEST(Thread, MisuseIsRefused)
{
    bool ran = false;
    {
        TTestThread never([&](TTestThread&) {
            ran = true;
            return 0;
        });
        EXPECT_THROW(never.WaitFor(), EThread);
    }
    EXPECT_FALSE(ran);

    TTestThread twice([](TTestThread&) { return 0; });
    twice.Start();
    EXPECT_THROW(twice.Start(), EThread);
    twice.Resume();
    twice.WaitFor();
}

TEST(SyncObjects, EventWaitsTimeOutOrSeeTheSignal)
{
    TEvent manual(true, false);
    EXPECT_EQ(manual.WaitFor(20), wrTimeout);
    manual.SetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    EXPECT_EQ(manual.WaitFor(0), wrSignaled);
    manual.ResetEvent();
    EXPECT_EQ(manual.WaitFor(0), wrTimeout);

    TEvent automatic(false, true);
    EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
    EXPECT_EQ(automatic.WaitFor(0), wrTimeout);

    TSimpleEvent fromThread;
    TTestThread setter([&](TTestThread&) {
        Sleep(20);
        fromThread.SetEvent();
        return 0;
    });
    setter.Start();
    EXPECT_EQ(fromThread.WaitFor(5000), wrSignaled);
    setter.WaitFor();
}

TEST(SyncObjects, CriticalSectionExcludesOtherThreads)
{
    TCriticalSection section;
    long counter = 0;
    auto body = [&](TTestThread&) {
        for (int i = 0; i < 20000; ++i) {
            TCriticalSectionGuard guard(section);
            long seen = counter;
            counter = seen + 1;
        }
        return 0;
    };
    TTestThread a(body), b(body);
    a.Start();
    b.Start();
    a.WaitFor();
    b.WaitFor();
    EXPECT_EQ(counter, 40000);

    section.Acquire();
    bool entered = true;
    TTestThread other([&](TTestThread&) {
        entered = section.TryEnter();
        return 0;
    });
    other.Start();
    other.WaitFor();
    section.Release();
    EXPECT_FALSE(entered);
}
