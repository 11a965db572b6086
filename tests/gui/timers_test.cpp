#include "Exceptions.h"
#include "Forms.h"
#include "Timers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// Handles messages until Done holds; a timer that never fires leaves the
// test to the runner's time limit rather than to a clock of its own.
void PumpUntil(const std::function<bool()>& done)
{
    while (!done()) Application->HandleMessage();
}

// A timer that counts its own ticks, started by the test when it wants it.
struct TWitness {
    TTimer timer{nullptr};
    int ticks = 0;
    TWitness()
    {
        timer.SetEnabled(false);
        timer.SetInterval(4);
        timer.SetOnTimer([this](TObject*) { ++ticks; });
    }
    // Lets the witness tick N times more: any other 4 ms timer still running
    // meanwhile has had its chances too.
    void Watch(int n)
    {
        int until = ticks + n;
        timer.SetEnabled(true);
        PumpUntil([&] { return ticks >= until; });
        timer.SetEnabled(false);
    }
};

}

TEST(Timer, FiresUnderTheMessageLoopUntilDisabledAndResumesWhenEnabled)
{
    TTimer timer(nullptr);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000u);
    timer.SetInterval(4);
    std::vector<TObject*> senders;
    timer.SetOnTimer([&](TObject* sender) {
        senders.push_back(sender);
        if (senders.size() == 3) timer.SetEnabled(false);
    });
    PumpUntil([&] { return senders.size() == 3; });
    EXPECT_EQ(senders, std::vector<TObject*>(3, &timer));

    TWitness witness;
    witness.Watch(5);
    EXPECT_EQ(senders.size(), 3u);

    timer.SetEnabled(true);
    PumpUntil([&] { return senders.size() == 5; });
}

TEST(Timer, DoesNotRunWithoutIntervalOrAfterItsHandlerIsCleared)
{
    TTimer zero(nullptr);
    int zeroTicks = 0;
    zero.SetInterval(0);
    zero.SetOnTimer([&](TObject*) { ++zeroTicks; });

    TTimer cleared(nullptr);
    int clearedTicks = 0;
    cleared.SetInterval(4);
    cleared.SetOnTimer([&](TObject*) { ++clearedTicks; });
    cleared.SetOnTimer(nullptr);

    TWitness witness;
    witness.Watch(5);
    EXPECT_EQ(zeroTicks, 0);
    EXPECT_EQ(clearedTicks, 0);
}

TEST(Timer, AHandlerMayReplaceItselfWhileItRuns)
{
    TTimer timer(nullptr);
    timer.SetInterval(4);
    std::vector<std::string> log;
    std::string captured = "kept alive by the first handler";
    timer.SetOnTimer([&, captured](TObject*) {
        timer.SetOnTimer([&](TObject*) {
            log.push_back("second");
            if (log.size() == 3) timer.SetEnabled(false);
        });
        // Still whole although the timer no longer holds this handler.
        log.push_back("first: " + captured);
    });
    PumpUntil([&] { return log.size() == 3; });
    EXPECT_EQ(log, (std::vector<std::string>{"first: kept alive by the first handler", "second", "second"}));
}

TEST(Timer, AHandlerMayFreeItsTimer)
{
    TComponent owner(nullptr);
    auto* timer = new TTimer(&owner);
    timer->SetInterval(4);
    int ticks = 0;
    timer->SetOnTimer([&](TObject* sender) {
        ++ticks;
        static_cast<TTimer*>(sender)->Free();
    });
    PumpUntil([&] { return ticks == 1; });
    EXPECT_EQ(owner.ComponentCount(), 0);

    TWitness witness;
    witness.Watch(3);
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, AnExceptionOfTheHandlerGoesToTheApplicationAndTheTimerRunsOn)
{
    std::vector<std::string> reported;
    Application->OnException = [&](TObject* sender, const Exception& e) {
        reported.push_back((sender ? sender->ClassName() : "none") + ": " + e.Message());
    };
    TTimer timer(nullptr);
    timer.SetInterval(4);
    int ticks = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++ticks == 1) throw EConvertError("bad tick");
    });
    PumpUntil([&] { return ticks == 2; });
    Application->OnException = nullptr;
    EXPECT_EQ(reported, std::vector<std::string>{"TTimer: bad tick"});
}
