// Movies, pictures and variables that scripts load, read through a loader
// the test serves from memory: what arrives shows or is set a frame later,
// what cannot be read fails and is reported, and a movie that loads without
// end stays bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ActionTestSupport.h"
#include "DisplayList.h"
#include "StageDrawing.h"
#include "SwfDrawing.h"

namespace {

using namespace actiontest;
using namespace tvmtest;
using tvmplayer::MoviePlayer;

constexpr uint32_t Red = 0xFFFF0000, Blue = 0xFF0000FF, Green = 0xFF00FF00, White = 0xFFFFFFFF;
constexpr uint8_t IntoClip = 0x40, VariablesIntoClip = 0xC0, VariablesIntoLevel = 0x80;

class MemoryLoader : public tvmplayer::MovieLoader {
public:
    std::map<std::string, Bytes> Files;
    std::vector<std::string> Asked;

    std::optional<std::vector<uint8_t>> Read(const std::string& location, size_t limit) override
    {
        Asked.push_back(location);
        auto found = Files.find(location);
        if (found == Files.end() || found->second.size() > limit)
            return std::nullopt;
        return found->second;
    }
};

Bytes Movie(const Bytes& tags, uint16_t frames = 1, int pixels = 100)
{
    SwfMovie movie;
    movie.version = 8;
    movie.widthTwips = movie.heightTwips = pixels * Px;
    movie.frameCount = frames;
    movie.tags = tags;
    return MakeSwf(movie);
}

// A rectangle of colour (id 1) placed at depth 1, then actions, in one frame.
Bytes Painted(SwfRect rect, uint32_t colour, const Bytes& actions, int pixels = 100)
{
    return Movie(SwfTags()
                     .Tag(TagDefineShape3, RectangleShape(1, rect, SolidFill(colour)))
                     .Tag(TagPlaceObject2, PlaceObject2({.depth = 1, .id = 1}))
                     .DoAction(actions)
                     .ShowFrame()
                     .End()
                     .Take(),
                 1, pixels);
}

constexpr SwfRect LeftHalf{0, 0, 50 * Px, 100 * Px};

// receiver.method(arguments), its result dropped.
SwfActions& Invoke(SwfActions& actions, const char* receiver, const char* method, std::vector<SwfValue> arguments)
{
    for (auto at = arguments.rbegin(); at != arguments.rend(); ++at) actions.Push({*at});
    return actions.Push({static_cast<int>(arguments.size()), receiver})
        .Op(GetVariable)
        .Push({method})
        .Op(CallMethod)
        .Op(Pop);
}

SwfActions& MakeHolder(SwfActions& actions)
{
    return Invoke(actions, "this", "createEmptyMovieClip", {"holder", 1});
}

// trace(first + this.name + ...) for each name.
Bytes TraceMembers(const char* first, std::vector<const char*> names)
{
    SwfActions body;
    body.Push({first});
    for (const char* name : names) body.Push({" ", "this"}).Op(GetVariable).Push({name}).Op(GetMember).Op(Add2).Op(Add2);
    return body.Op(Trace).Take();
}

Bytes Say(const char* text)
{
    return SwfActions().Push({text}).Op(Trace).Take();
}

Bytes TraceThis()
{
    return SwfActions().Push({"this"}).Op(GetVariable).Op(Trace).Push({"_root"}).Op(GetVariable).Op(Trace).Take();
}

class LoadMovie : public testing::Test {
protected:
    TestClock clock;
    Recorder recorder;
    MemoryLoader loader;
    MoviePlayer player{clock};

    void SetUp() override
    {
        player.SetScriptEvents(recorder);
        player.SetMovieLoader(loader);
        player.SetLocation("C:/movies/host.swf");
    }

    void Serve(const std::string& name, const Bytes& bytes) { loader.Files["C:/movies/" + name] = bytes; }

    uint32_t PixelAt(int x, int y)
    {
        std::vector<uint32_t> pixels(100 * 100);
        player.Render({pixels.data(), 100, 100, 100});
        return pixels[y * 100 + x];
    }

    bool Said(const std::string& line) const
    {
        return std::find(recorder.Lines.begin(), recorder.Lines.end(), line) != recorder.Lines.end();
    }
};

TEST_F(LoadMovie, AClipShowsTheLoadedMovieAndRunsItsActionsAFrameLater)
{
    Serve("child.swf", Painted(LeftHalf, Red, TraceThis()));
    // The host's own character 1 is blue: the loaded movie draws from its own dictionary.
    SwfActions actions;
    MakeHolder(actions).Push({"holder"}).Op(GetVariable).Push({"_x", 50}).Op(SetMember);
    actions.Push({"child.swf", "holder"}).Op(GetUrl2, Bytes{IntoClip});
    ASSERT_TRUE(player.Load(Movie(SwfTags()
                                      .Tag(TagDefineShape3, RectangleShape(1, LeftHalf, SolidFill(Blue)))
                                      .DoAction(actions.Take())
                                      .ShowFrame()
                                      .End()
                                      .Take())));
    EXPECT_TRUE(loader.Asked.empty()) << "loads complete on a later frame";
    EXPECT_EQ(PixelAt(75, 50), White);

    player.Step();
    EXPECT_EQ(loader.Asked, std::vector<std::string>{"C:/movies/child.swf"});
    // A movie loaded into a clip has the main movie as its root.
    EXPECT_EQ(recorder.Joined(), "_level0.holder|_level0");
    EXPECT_EQ(PixelAt(75, 50), Red) << "at the clip's place";
    EXPECT_EQ(PixelAt(25, 50), White);
}

TEST_F(LoadMovie, APictureLoadsAsABitmapIntoTheClip)
{
    Serve("photo.jpg", Jpeg(10, 10, 0, 255, 0));
    SwfActions actions;
    MakeHolder(actions).Push({"photo.jpg", "holder"}).Op(GetUrl2, Bytes{IntoClip});
    ASSERT_TRUE(player.Load(Movie(SwfTags().DoAction(actions.Take()).ShowFrame().End().Take())));
    player.Step();
    EXPECT_TRUE(Near(PixelAt(5, 5), Green, 8)) << std::hex << PixelAt(5, 5);
    EXPECT_EQ(PixelAt(15, 15), White);
}

TEST_F(LoadMovie, LevelsShowAboveTheMainMovieAndLevelZeroReplacesIt)
{
    Serve("over.swf", Painted(LeftHalf, Red, TraceThis(), 300));
    ASSERT_TRUE(player.Load(Painted({0, 0, 100 * Px, 100 * Px}, Blue, SwfActions().GetUrl("over.swf", "_level1").Take())));
    player.Step();
    EXPECT_EQ(recorder.Joined(), "_level1|_level1");
    EXPECT_EQ(PixelAt(25, 50), Red);
    EXPECT_EQ(PixelAt(75, 50), Blue);

    // Loading into the root replaces the movie, which keeps its stage and rate.
    Serve("next.swf", Painted(LeftHalf, Green, Say("next"), 300));
    player.Load(Painted({0, 0, 100 * Px, 100 * Px}, Blue,
                        SwfActions().Push({"next.swf", "_root"}).Op(GetUrl2, Bytes{IntoClip}).Take()));
    uint16_t rate = player.CurrentMovie()->Rate;
    player.Step();
    EXPECT_TRUE(Said("next"));
    EXPECT_EQ(player.CurrentMovie()->StageWidth(), 100);
    EXPECT_EQ(player.CurrentMovie()->Rate, rate);
    EXPECT_EQ(PixelAt(25, 50), Green);
    EXPECT_EQ(PixelAt(75, 50), White);
}

TEST_F(LoadMovie, UnloadingEmptiesTheClipAndTheLevel)
{
    Serve("child.swf", Painted(LeftHalf, Red, {}));
    SwfActions first;
    MakeHolder(first).Push({"holder"}).Op(GetVariable).Push({"_x", 50}).Op(SetMember);
    first.Push({"child.swf", "holder"}).Op(GetUrl2, Bytes{IntoClip}).GetUrl("child.swf", "_level1");
    SwfActions second;
    second.Push({"", "holder"}).Op(GetUrl2, Bytes{IntoClip}).GetUrl("", "_level1").Op(Stop);
    ASSERT_TRUE(player.Load(
        Movie(SwfTags().DoAction(first.Take()).ShowFrame().DoAction(second.Take()).ShowFrame().End().Take(), 2)));
    player.Step();
    EXPECT_EQ(PixelAt(25, 50), Red);
    EXPECT_EQ(PixelAt(75, 50), Red);
    player.Step();
    EXPECT_EQ(PixelAt(25, 50), White);
    EXPECT_EQ(PixelAt(75, 50), White);
    EXPECT_TRUE(player.GetVariable("holder._name")) << "the clip stays, empty";
}

// The loaded movie goes with the clip it was loaded into, but not while its
// code runs nor while a function it defined lives.
TEST_F(LoadMovie, ALoadedMoviesCodeOutlivesItsClipWhileItIsInUse)
{
    SwfActions child;
    child.Push({"_root"}).Op(GetVariable).Push({"f"}).DefineFunction("", {}, Say("its function runs")).Op(SetMember);
    Invoke(child, "_root", "createEmptyMovieClip", {"holder", 1});
    child.Push({"its block goes on"}).Op(Trace);
    Serve("child.swf", Movie(SwfTags().DoAction(child.Take()).ShowFrame().End().Take()));
    SwfActions load;
    MakeHolder(load).Push({"child.swf", "holder"}).Op(GetUrl2, Bytes{IntoClip});
    SwfActions call;
    call.Push({0, "f"}).Op(CallFunction).Op(Pop).Op(Stop);
    ASSERT_TRUE(player.Load(
        Movie(SwfTags().DoAction(load.Take()).ShowFrame().ShowFrame().DoAction(call.Take()).ShowFrame().End().Take(), 3)));
    player.Step();
    player.Step();
    EXPECT_EQ(recorder.Joined(), "its block goes on|its function runs");
}

TEST_F(LoadMovie, VariablesAreSetOnTheirTargetAndRaiseData)
{
    Serve("vars.txt", Bytes{'a', '=', '1', '&', 'b', '=', 't', 'w', 'o', '%', '2', '0', 'w', 'o', 'r', 'd', 's'});
    SwfActions actions;
    MakeHolder(actions).Push({"holder"}).Op(GetVariable).Push({"onData"});
    actions.DefineFunction("", {}, TraceMembers("data", {"a", "b"})).Op(SetMember);
    actions.Push({"vars.txt", "holder"}).Op(GetUrl2, Bytes{VariablesIntoClip});
    actions.Push({"vars.txt", "_level0"}).Op(GetUrl2, Bytes{VariablesIntoLevel});
    ASSERT_TRUE(player.Load(Movie(SwfTags().DoAction(actions.Take()).ShowFrame().End().Take())));
    EXPECT_FALSE(player.GetVariable("a"));
    player.Step();
    EXPECT_TRUE(Said("data 1 two words"));
    EXPECT_EQ(player.GetVariable("a"), "1");
    EXPECT_EQ(player.GetVariable("holder.b"), "two words");
}

TEST_F(LoadMovie, LoadVarsHearsOnLoadWhetherItArrivedOrNot)
{
    Serve("vars.txt", Bytes{'a', '=', '1'});
    struct Case {
        const char* url;
        const char* expected;
    };
    for (const Case& c : {Case{"vars.txt", "true 1"}, Case{"none.txt", "false undefined"}}) {
        recorder.Lines.clear();
        SwfActions actions;
        actions.Push({"lv", 0, "LoadVars"}).Op(NewObject).Op(SetVariable);
        actions.Push({"lv"}).Op(GetVariable).Push({"onLoad"});
        actions
            .DefineFunction("", {"ok"},
                            SwfActions()
                                .Push({"ok"})
                                .Op(GetVariable)
                                .Push({" ", "this"})
                                .Op(GetVariable)
                                .Push({"a"})
                                .Op(GetMember)
                                .Op(Add2)
                                .Op(Add2)
                                .Op(Trace)
                                .Take())
            .Op(SetMember);
        Invoke(actions, "lv", "load", {c.url});
        ASSERT_TRUE(player.Load(Movie(SwfTags().DoAction(actions.Take()).ShowFrame().End().Take())));
        EXPECT_FALSE(Said(c.expected));
        player.Step();
        EXPECT_TRUE(Said(c.expected)) << c.url << ": " << recorder.Joined();
    }
    EXPECT_TRUE(Said("Error opening URL \"C:/movies/none.txt\""));
}

TEST_F(LoadMovie, LoadVarsDecodesAndEncodesQueries)
{
    SwfActions actions;
    actions.Push({"lv", 0, "LoadVars"}).Op(NewObject).Op(SetVariable);
    Invoke(actions, "lv", "decode", {"x=1&y=a+b%26c"});
    actions.Push({0, "lv"}).Op(GetVariable).Push({"toString"}).Op(CallMethod).Op(Trace);
    EXPECT_EQ(RunActions(8, actions.Take()), "x=1&y=a%20b%26c");
}

// function(target, second) { trace(word + " " + target + " " + second) }, set as owner.name.
SwfActions& Handler(SwfActions& actions, const char* owner, const char* name, const char* word)
{
    Bytes body = SwfActions()
                     .Push({word, " ", "target"})
                     .Op(GetVariable)
                     .Op(Add2)
                     .Op(Add2)
                     .Push({" ", "second"})
                     .Op(GetVariable)
                     .Op(Add2)
                     .Op(Add2)
                     .Op(Trace)
                     .Take();
    return actions.Push({owner}).Op(GetVariable).Push({name}).DefineFunction("", {"target", "second"}, body).Op(SetMember);
}

TEST_F(LoadMovie, MovieClipLoaderTellsItsListeners)
{
    Serve("child.swf", Painted(LeftHalf, Red, SwfActions().Push({"ready", "yes"}).Op(SetVariable).Take()));
    SwfActions actions;
    actions.Push({"mcl", 0, "MovieClipLoader"}).Op(NewObject).Op(SetVariable);
    actions.Push({"listener", 0}).Op(InitObject).Op(SetVariable);
    Handler(actions, "mcl", "onLoadInit", "init");
    Handler(actions, "mcl", "onLoadError", "error");
    Handler(actions, "listener", "onLoadComplete", "complete");
    Handler(actions, "listener", "onLoadProgress", "progress");
    actions.Push({"listener"}).Op(GetVariable).Push({1, "mcl"}).Op(GetVariable).Push({"addListener"}).Op(CallMethod).Op(Pop);
    MakeHolder(actions);
    Invoke(actions, "mcl", "loadClip", {"child.swf", "holder"});
    Invoke(actions, "mcl", "loadClip", {"gone.swf", "holder"});
    ASSERT_TRUE(player.Load(Movie(SwfTags().DoAction(actions.Take()).ShowFrame().End().Take())));
    player.Step();
    size_t bytes = loader.Files["C:/movies/child.swf"].size();
    EXPECT_EQ(recorder.Joined(), "progress _level0.holder " + std::to_string(bytes)
                                     + "|complete _level0.holder undefined|init _level0.holder undefined"
                                       "|Error opening URL \"C:/movies/gone.swf\"|error _level0.holder URLNotFound");
    EXPECT_EQ(player.GetVariable("holder.ready"), "yes") << "the first frame ran before onLoadInit";
    EXPECT_EQ(PixelAt(25, 50), Red);
}

TEST_F(LoadMovie, WhatCannotBeReadFailsAndIsReported)
{
    Serve("junk.swf", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'm', 'o', 'v', 'i', 'e'});
    struct Case {
        const char* name;
        Bytes actions;
        const char* expected;
    };
    const Case cases[] = {
        {"missing movie into a clip", SwfActions().Push({"gone.swf", "holder"}).Op(GetUrl2, Bytes{IntoClip}).Take(),
         "Error opening URL \"C:/movies/gone.swf\""},
        {"missing movie into a level", SwfActions().GetUrl("gone.swf", "_level2").Take(),
         "Error opening URL \"C:/movies/gone.swf\""},
        {"missing variables", SwfActions().Push({"gone.txt", "holder"}).Op(GetUrl2, Bytes{VariablesIntoClip}).Take(),
         "Error opening URL \"C:/movies/gone.txt\""},
        {"neither movie nor picture", SwfActions().GetUrl("junk.swf", "_level1").Take(),
         "\"junk.swf\" is neither a movie nor a picture the player shows."},
    };
    for (const Case& c : cases) {
        recorder.Lines.clear();
        SwfActions actions;
        MakeHolder(actions).Append(c.actions);
        ASSERT_TRUE(player.Load(Painted(LeftHalf, Red, actions.Take())));
        player.Step();
        player.Step();
        EXPECT_TRUE(Said(c.expected)) << c.name << ": " << recorder.Joined();
        EXPECT_EQ(PixelAt(25, 50), Red) << c.name;
        EXPECT_EQ(PixelAt(75, 50), White) << c.name;
    }
}

TEST_F(LoadMovie, MoviesThatLoadWithoutEndStayBounded)
{
    // Each copy loads itself into a clip of its own: the nesting limit ends it.
    SwfActions nested;
    Invoke(nested, "this", "createEmptyMovieClip", {"c", 1}).Push({"self.swf", "c"}).Op(GetUrl2, Bytes{IntoClip});
    Serve("self.swf", Movie(SwfTags().DoAction(nested.Take()).ShowFrame().End().Take()));
    ASSERT_TRUE(player.Load(loader.Files["C:/movies/self.swf"]));
    for (int i = 0; i < 100; ++i) player.Step();
    EXPECT_LE(loader.Asked.size(), static_cast<size_t>(tvmplayer::MaxNesting + 1));

    // Each copy replaces the whole movie with itself: one a frame.
    loader.Asked.clear();
    Serve("again.swf", Movie(SwfTags().DoAction(SwfActions().GetUrl("again.swf", "_level0").Take()).ShowFrame().End().Take()));
    ASSERT_TRUE(player.Load(loader.Files["C:/movies/again.swf"]));
    for (int i = 0; i < 10; ++i) player.Step();
    EXPECT_EQ(loader.Asked.size(), 10u);

    // A frame that asks for many loads has only so many done.
    loader.Asked.clear();
    SwfActions flood;
    for (int level = 1; level <= 200; ++level) flood.GetUrl("flood.swf", "_level" + std::to_string(level));
    Serve("flood.swf", Painted(LeftHalf, Red, {}));
    ASSERT_TRUE(player.Load(Movie(SwfTags().DoAction(flood.Take()).ShowFrame().End().Take())));
    player.Step();
    EXPECT_EQ(loader.Asked.size(), tvmplayer::MaxPendingLoads);
    EXPECT_TRUE(Said("Too many loads at once; \"flood.swf\" was not loaded."));
    EXPECT_EQ(PixelAt(25, 50), Red);
}

}
