// Actions on the timeline: frames' actions as frames are reached, gotos,
// the host's access to the action model, and hostile scripts that must not
// hang or exhaust the player.
#include <gtest/gtest.h>

#include "ActionMachine.h"
#include "ActionTestSupport.h"

namespace {

using namespace actiontest;
using tvmplayer::MoviePlayer;

Bytes Say(const char* text)
{
    return SwfActions().Push({text}).Op(Trace).Take();
}

Bytes Join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Frames : public testing::Test {
protected:
    TestClock clock;
    Recorder recorder;
    MoviePlayer player{clock};

    void SetUp() override { player.SetScriptEvents(recorder); }
};

TEST_F(Frames, ActionsRunAsFramesAreReachedAndGotosLeadOn)
{
    // 1: trace, 2: trace and stop, 3: never reached.
    ASSERT_TRUE(player.Load(MovieOf(6, {Say("1"), Join(Say("2"), SwfActions().Op(Stop).Take()), Say("3")})));
    EXPECT_EQ(recorder.Joined(), "1");
    EXPECT_TRUE(player.Step());
    EXPECT_FALSE(player.Step());
    EXPECT_EQ(recorder.Joined(), "1|2");
    EXPECT_FALSE(player.Frames().Playing());

    // 1: go to "end" and say so; 3 ("end"): stop there.
    recorder.Lines.clear();
    Bytes first = Join(SwfActions().GotoLabel("END").Take(), Say("went"));
    ASSERT_TRUE(player.Load(MovieOf(6, {first, Say("skipped"), Join(Say("end"), SwfActions().Op(Stop).Take())},
                                    {"", "", "end"})));
    EXPECT_EQ(recorder.Joined(), "went|end");
    EXPECT_EQ(player.Frames().Current(), 2u);

    // GotoFrame2 by a number text and play; Call runs a frame's actions in place.
    recorder.Lines.clear();
    Bytes caller = SwfActions().Push({"sub"}).Op(Call).Push({"3"}).Op(GotoFrame2, Bytes{1}).Take();
    ASSERT_TRUE(player.Load(MovieOf(6, {caller, Say("two"), Say("in sub")}, {"", "", "sub"})));
    EXPECT_EQ(recorder.Joined(), "in sub|in sub");
    EXPECT_EQ(player.Frames().Current(), 2u);
    EXPECT_TRUE(player.Frames().Playing());
}

TEST_F(Frames, Version3ActionsAndInitActions)
{
    Bytes waits = SwfActions()
                      .WaitForFrame(7, 2).Push({"not loaded"}).Op(Trace)
                      .WaitForFrame(0, 2).Push({"loaded"}).Op(Trace)
                      .SetTarget("/nowhere").Op(Stop).SetTarget("")
                      .Take();
    ASSERT_TRUE(player.Load(MovieOf(4, {waits, {}})));
    EXPECT_EQ(recorder.Joined(), "loaded");
    EXPECT_TRUE(player.Frames().Playing()) << "a stop aimed at a missing clip stops nothing";

    recorder.Lines.clear();
    tvmtest::SwfMovie movie;
    movie.version = 6;
    movie.frameCount = 2;
    movie.tags = tvmtest::SwfTags().DoInitAction(1, Say("init")).DoAction(Say("frame")).ShowFrame().ShowFrame().End().Take();
    ASSERT_TRUE(player.Load(tvmtest::MakeSwf(movie)));
    player.Step();
    player.Step();
    EXPECT_EQ(recorder.Joined(), "init|frame|frame");
}

TEST_F(Frames, TheHostReachesVariablesClipsAndFrames)
{
    // trace(who); createEmptyMovieClip("kid", 3); onEnterFrame = function () { trace("tick") }
    Bytes first = SwfActions()
                      .Push({"who"}).Op(GetVariable).Op(Trace)
                      .Push({3, "kid", 2, "_root"}).Op(GetVariable).Push({"createEmptyMovieClip"}).Op(CallMethod).Op(Pop)
                      .Push({"_root"}).Op(GetVariable).Push({"onEnterFrame"})
                      .DefineFunction("", {}, Say("tick")).Op(SetMember)
                      .Take();
    ASSERT_TRUE(player.Load(MovieOf(6, {first, Join(Say("second"), SwfActions().Op(Stop).Take())}), "who=host%21"));
    EXPECT_EQ(recorder.Joined(), "host!");

    EXPECT_TRUE(player.SetVariable("/kid:score", "12"));
    EXPECT_EQ(player.GetVariable("_root.kid.score"), "12");
    EXPECT_EQ(player.GetVariable("missing"), std::nullopt);
    EXPECT_TRUE(player.SetProperty("/kid", 0, "40"));
    EXPECT_EQ(player.GetProperty("_level0.kid", 0), "40");
    EXPECT_EQ(player.GetProperty("/", 5), "2");
    EXPECT_NE(player.FindTimeline("/kid"), nullptr);
    EXPECT_EQ(player.FindTimeline("/nobody"), nullptr);
    EXPECT_EQ(player.FindTimeline(""), &player.Frames());

    recorder.Lines.clear();
    EXPECT_TRUE(player.CallFrame("/", "2"));
    EXPECT_EQ(player.Frames().Current(), 0u) << "a called frame runs in place";
    EXPECT_FALSE(player.CallFrame("/nobody", "1"));
    player.Step();
    EXPECT_EQ(recorder.Joined(), "second|tick") << "the called frame's stop holds";
}

TEST_F(Frames, IntervalsAndTimeoutsFollowTheMoviesClock)
{
    // id = setInterval(function () { trace("every") }, 100); setTimeout(function () { trace("once") }, 150)
    // and in frame 5: clearInterval(id)
    Bytes first = SwfActions()
                      .Push({"id", 100})
                      .DefineFunction("", {}, Say("every"))
                      .Push({2, "setInterval"}).Op(CallFunction).Op(SetVariable)
                      .Push({150})
                      .DefineFunction("", {}, Say("once"))
                      .Push({2, "setTimeout"}).Op(CallFunction).Op(Pop)
                      .Take();
    Bytes clear = SwfActions().Push({"id"}).Op(GetVariable).Push({1, "clearInterval"}).Op(CallFunction).Take();
    ASSERT_TRUE(player.Load(MovieOf(6, {first, {}, {}, {}, clear})));
    for (uint32_t now : {50u, 120u, 210u}) {
        clock.Now = now;
        player.Step();
    }
    EXPECT_EQ(recorder.Joined(), "every|every|once");
    clock.Now = 1000;
    player.Step();  // frame 5 clears the interval before timers run
    EXPECT_EQ(recorder.Joined(), "every|every|once");
}

// The host may load another movie from inside an event of the running
// script; the script ends safely on the movie it came from.
TEST(FramesReplaced, AMovieLoadedFromInsideItsOwnScript)
{
    class Reloader : public Recorder {
    public:
        MoviePlayer* Player = nullptr;
        Bytes Next;
        void FsCommand(const std::string& command, const std::string& args) override
        {
            Recorder::FsCommand(command, args);
            if (Player && command == "reload")
                Player->Load(Next);
        }
    } reloader;
    TestClock clock;
    MoviePlayer player(clock);
    player.SetScriptEvents(reloader);
    reloader.Player = &player;
    reloader.Next = MovieOf(6, {Say("new movie"), {}});
    Bytes first = Join(SwfActions().GetUrl("FSCommand:reload", "").Take(), Say("old script goes on"));
    ASSERT_TRUE(player.Load(MovieOf(6, {first, Say("old frame 2"), {}})));
    player.Step();
    EXPECT_EQ(reloader.Joined(), "fs:reload()|new movie|old script goes on");
    EXPECT_EQ(player.Frames().FrameCount(), 2u);
}

TEST_F(Frames, CodeOfTheNewerMachineIsNotRun)
{
    tvmtest::SwfMovie movie;
    movie.version = 9;
    movie.frameCount = 2;
    movie.tags = tvmtest::SwfTags().Tag(69, {0x08, 0, 0, 0}).DoAction(Say("old code")).ShowFrame().ShowFrame().End().Take();
    ASSERT_TRUE(player.Load(tvmtest::MakeSwf(movie)));
    EXPECT_TRUE(player.Step());
    EXPECT_EQ(recorder.Joined(), "");
    EXPECT_EQ(player.Scripts(), nullptr);
    EXPECT_TRUE(player.SetVariable("a", "1"));
    EXPECT_EQ(player.GetVariable("a"), "1");
}

// A hostile block in frame 2, then a harmless one: the player answers,
// reports what it stopped, and goes on where the player would.
TEST_F(Frames, HostileScriptsAreStopped)
{
    Bytes loop = SwfActions().Jump(-5).Take();
    Bytes recursion = SwfActions()
                          .DefineFunction("f", {}, SwfActions().Push({0, "f"}).Op(CallFunction).Take())
                          .Push({0, "f"}).Op(CallFunction)
                          .Take();
    Bytes twice = SwfActions().Push({"s", "s"}).Op(GetVariable).Push({"s"}).Op(GetVariable).Op(Add2).Op(SetVariable).Take();
    Bytes doubling = SwfActions()
                         .Push({"s", "x"}).Op(SetVariable)
                         .Append(twice).Jump(static_cast<int16_t>(-static_cast<int>(twice.size()) - 5))
                         .Take();
    Bytes hugeArray = SwfActions().Push({1e9, 1, "Array"}).Op(NewObject).Take();
    Bytes make = SwfActions().Push({1000000, 1, "Array"}).Op(NewObject).Op(Pop).Take();
    Bytes manyArrays = SwfActions().Append(make).Jump(static_cast<int16_t>(-static_cast<int>(make.size()) - 5)).Take();
    Bytes longArray = SwfActions()
                          .Push({0, "Array"}).Op(NewObject).Push({"length", 1e12}).Op(SetMember).Take();
    Bytes outOfBlock = SwfActions().Jump(30000).Push({"after jump"}).Op(Trace).Take();
    Bytes cutRecord = SwfActions().Op(0x96, Bytes{0}).Take();
    cutRecord.resize(cutRecord.size() - 1);
    cutRecord[1] = 40;
    Bytes flood = SwfActions().Push({1}).Jump(-13).Take();
    auto endless = [](const Bytes& body) {
        return SwfActions().Append(body).Jump(static_cast<int16_t>(-static_cast<int>(body.size()) - 5)).Take();
    };
    // A text field at each next depth, and lines from corner to corner.
    Bytes fields = endless(SwfActions()
                               .Push({1, 1, 0, 0, "n"}).Op(GetVariable).Push({"t", 6, "_root"}).Op(GetVariable)
                               .Push({"createTextField"}).Op(CallMethod).Op(Pop)
                               .Push({"n", "n"}).Op(GetVariable).Op(Increment).Op(SetVariable)
                               .Take());
    Bytes lines = endless(SwfActions()
                              .Push({0, 1, "_root"}).Op(GetVariable).Push({"lineStyle"}).Op(CallMethod).Op(Pop)
                              .Push({100, 100, 2, "_root"}).Op(GetVariable).Push({"lineTo"}).Op(CallMethod).Op(Pop)
                              .Take());
    const struct {
        const char* name;
        Bytes actions;
        const char* message;
        bool goesOn;
    } cases[] = {
        {"endless loop", loop, "run slowly", false},
        {"recursion", recursion, "256 levels of recursion", true},
        {"doubling text", doubling, "text longer than the player allows", true},
        {"huge array", hugeArray, "array longer than the player allows", true},
        {"many arrays", manyArrays, "more memory than the player allows", true},
        {"array length", longArray, "array longer than the player allows", true},
        {"jump out of the block", outOfBlock, "", true},
        {"record cut short", cutRecord, "", true},
        {"stack flood", flood, "stack", true},
        {"text fields without end", fields, "run slowly", false},
        {"drawing without end", lines, "run slowly", false},
    };
    // Above what allocating up to the memory limit is charged (a 64th of an
    // instruction a byte), so that the memory limit speaks first whatever a
    // value's size on the platform.
    player.InstructionsPerFrame = 5'000'000;
    for (const auto& c : cases) {
        recorder.Lines.clear();
        tvmtest::SwfMovie movie;
        movie.version = 7;
        movie.frameCount = 3;
        movie.tags = tvmtest::SwfTags().ShowFrame().DoAction(c.actions).DoAction(Say("next")).ShowFrame()
                         .DoAction(Say("third")).ShowFrame().End().Take();
        ASSERT_TRUE(player.Load(tvmtest::MakeSwf(movie))) << c.name;
        player.Step();
        player.Step();
        std::string lines = recorder.Joined();
        EXPECT_NE(lines.find(c.message), std::string::npos) << c.name << ": " << lines;
        EXPECT_EQ(lines.ends_with("next|third"), c.goesOn) << c.name << ": " << lines;
        EXPECT_EQ(player.Frames().Current(), 2u) << c.name << ": the timeline plays on";
    }
}

}
