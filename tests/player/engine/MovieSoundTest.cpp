// A movie's sounds: the sound tags read, event sounds played from their in
// to their out point as often as they loop, with their envelope and their
// stop and no-multiple flags, a stream sound that sets the frames' pace, and
// the Sound objects of scripts with their volume, pan and levels.
// A decoder of 16-bit little-endian PCM at 44,100 Hz stands in for the
// process's codecs.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "MoviePlayer.h"
#include "ScriptEvents.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmplayer;
using tvmtest::Bytes;
using tvmtest::SwfSoundInfo;
using tvmtest::SwfTags;

class PcmDecoder final : public SoundDecoder {
public:
    explicit PcmDecoder(bool stereo) : stereo_(stereo) {}
    void Decode(std::span<const uint8_t> data, std::vector<int16_t>& out) override
    {
        for (size_t i = 0; i + 1 < data.size(); i += 2) {
            auto sample = static_cast<int16_t>(data[i] | data[i + 1] << 8);
            out.push_back(sample);
            if (!stereo_)
                out.push_back(sample);
        }
    }
    void Finish(std::vector<int16_t>&) override {}

private:
    bool stereo_;
};

class PcmDecoders final : public SoundDecoders {
public:
    std::unique_ptr<SoundDecoder> Create(const SoundFormat& format) override
    {
        if (format.Codec != SoundCodec::PcmLittleEndian || format.Rate != 44100 || !format.SixteenBit)
            return nullptr;
        return std::make_unique<PcmDecoder>(format.Stereo);
    }
};

class ManualClock : public Clock {
public:
    uint32_t Now = 0;
    uint32_t Milliseconds() override { return Now; }
};

const uint8_t MonoPcm = tvmtest::SoundFormatByte(3, 3, true, false);

// frames samples of one value, mono.
Bytes Tone(size_t frames, int16_t value)
{
    Bytes data;
    for (size_t i = 0; i < frames; ++i) {
        data.push_back(static_cast<uint8_t>(value));
        data.push_back(static_cast<uint8_t>(value >> 8));
    }
    return data;
}

Bytes Movie(const Bytes& tags, uint16_t frames = 1)
{
    tvmtest::SwfMovie movie;
    movie.rateInteger = 10;
    movie.frameCount = frames;
    movie.tags = tags;
    return tvmtest::MakeSwf(movie);
}

class SoundTest : public testing::Test {
protected:
    void SetUp() override { player.Sound.SetMixing(true); }

    // The next frames sample frames that the movie's sound mixes.
    std::vector<int32_t> Mix(size_t frames)
    {
        std::vector<int32_t> mix(frames * MixChannels);
        player.Sound.Mix(mix, position, decoders);
        position += frames;
        return mix;
    }

    ManualClock clock;
    MoviePlayer player{clock};
    PcmDecoders decoders;
    uint64_t position = 0;
};

size_t Sounding(const std::vector<int32_t>& mix)
{
    return static_cast<size_t>(std::count_if(mix.begin(), mix.end(), [](int32_t s) { return s != 0; })) / MixChannels;
}

TEST_F(SoundTest, TagsAreRead)
{
    SwfSoundInfo info;
    info.noMultiple = true;
    info.inPoint = 5;
    info.outPoint = 9;
    info.loops = 3;
    info.envelope = {{0, 1, 2}, {7, 3, 4}};
    Bytes tags = SwfTags()
                     .DefineSound(4, tvmtest::SoundFormatByte(2, 2, true, true), 1152, {0x10, 0, 0xFF, 0xFB})
                     .SoundStreamHead(tvmtest::SoundFormatByte(6, 1, true, false), 256)
                     .ShowFrame()
                     .StartSound(4, info)
                     .SoundStreamBlock({1, 2, 3})
                     .ShowFrame()
                     .End()
                     .Take();
    std::optional<tvmplayer::Movie> movie = ParseMovie(Movie(tags, 2));
    ASSERT_TRUE(movie);
    const SoundDefinition& sound = *movie->Sounds.Definitions.at(4);
    EXPECT_EQ(sound.Format.Codec, SoundCodec::Mp3);
    EXPECT_EQ(sound.Format.Rate, 22050u);
    EXPECT_TRUE(sound.Format.Stereo);
    EXPECT_EQ(sound.SampleCount, 1152u);
    EXPECT_EQ(sound.Data, (Bytes{0x10, 0, 0xFF, 0xFB}));

    ASSERT_EQ(movie->Frames[1].Sounds.size(), 1u);
    const SoundInfo& read = movie->Frames[1].Sounds[0].Info;
    EXPECT_TRUE(read.SyncNoMultiple);
    EXPECT_FALSE(read.SyncStop);
    EXPECT_EQ(read.InPoint, 5u);
    EXPECT_EQ(read.OutPoint, 9u);
    EXPECT_EQ(read.Loops, 3u);
    ASSERT_EQ(read.Envelope.size(), 2u);
    EXPECT_EQ(read.Envelope[1].Position, 7u);
    EXPECT_EQ(read.Envelope[1].Right, 4u);

    ASSERT_TRUE(movie->Sounds.Stream);
    EXPECT_EQ(movie->Sounds.Stream->Format.Codec, SoundCodec::Nellymoser);
    EXPECT_EQ(movie->Sounds.Stream->Format.Rate, 11025u);
    EXPECT_EQ(movie->Sounds.Stream->SamplesPerBlock, 256u);
    ASSERT_EQ(movie->Sounds.Stream->Blocks.size(), 2u);
    EXPECT_TRUE(movie->Sounds.Stream->Blocks[0].empty());
    EXPECT_EQ(movie->Sounds.Stream->Blocks[1], (Bytes{1, 2, 3}));

    // A sound tag cut short makes the movie unreadable, never a wild read.
    EXPECT_FALSE(ParseMovie(Movie(SwfTags().StartSound(4, info).Tag(15, {4}).ShowFrame().End().Take())));
}

TEST_F(SoundTest, EventSoundsPlayFromTheirInToTheirOutPointAsOftenAsTheyLoop)
{
    const struct {
        uint32_t in, out;
        uint16_t loops;
        size_t heard;
    } cases[] = {
        {0, 0, 0, 1000},        // the whole sound once
        {100, 300, 2, 400},     // 200 samples twice
        {100, 0, 3, 2700},      // from the in point to the end, three times
        {0, 5000, 1, 1000},     // an out point past the end is the end
        {600, 400, 1, 0},       // nothing lies between
    };
    for (const auto& c : cases) {
        SwfSoundInfo info;
        info.inPoint = c.in;
        info.outPoint = c.out;
        info.loops = c.loops;
        ASSERT_TRUE(player.Load(Movie(SwfTags().DefineSound(1, MonoPcm, 1000, Tone(1000, 1000)).StartSound(1, info)
                                          .ShowFrame().End().Take())));
        std::vector<int32_t> mix = Mix(8192);
        EXPECT_EQ(Sounding(mix), c.heard) << c.in << ".." << c.out << " x" << c.loops;
        EXPECT_EQ(Sounding(Mix(8192)), 0u);
    }
    // A mixer that lets go leaves nothing playing behind.
    ASSERT_TRUE(player.Load(Movie(SwfTags().DefineSound(1, MonoPcm, 1000, Tone(1000, 1000)).StartSound(1)
                                      .ShowFrame().End().Take())));
    Mix(10);
    player.Sound.Detach();
    EXPECT_EQ(Sounding(Mix(8192)), 0u);
}

TEST_F(SoundTest, NoMultipleAndStopFlags)
{
    for (bool noMultiple : {false, true}) {
        SwfSoundInfo again, stop;
        again.noMultiple = noMultiple;
        stop.stop = true;
        Bytes tags = SwfTags()
                         .DefineSound(1, MonoPcm, 50000, Tone(50000, 1000))
                         .StartSound(1)
                         .ShowFrame()
                         .StartSound(1, again)
                         .ShowFrame()
                         .StartSound(1, stop)
                         .ShowFrame()
                         .End()
                         .Take();
        ASSERT_TRUE(player.Load(Movie(tags, 3)));
        EXPECT_EQ(Mix(100)[0], 1000);
        player.Step();
        EXPECT_EQ(Mix(100)[0], noMultiple ? 1000 : 2000);
        player.Step();
        EXPECT_EQ(Sounding(Mix(100)), 0u) << "every instance stops";
    }
}

TEST_F(SoundTest, AtMostThirtyTwoSoundsAreHeardAtOnce)
{
    SwfTags tags;
    tags.DefineSound(1, MonoPcm, 100, Tone(100, 1));
    for (int i = 0; i < 40; ++i) tags.StartSound(1);
    ASSERT_TRUE(player.Load(Movie(tags.ShowFrame().End().Take())));
    EXPECT_EQ(Mix(1)[0], 32);
}

TEST_F(SoundTest, EnvelopeLevelsAreInterpolatedPerChannel)
{
    SwfSoundInfo info;
    info.envelope = {{100, 0, 32768}, {300, 32768, 0}};
    ASSERT_TRUE(player.Load(
        Movie(SwfTags().DefineSound(1, MonoPcm, 1000, Tone(1000, 10000)).StartSound(1, info).ShowFrame().End().Take())));
    std::vector<int32_t> mix = Mix(1000);
    auto at = [&](size_t frame) { return std::pair(mix[frame * 2], mix[frame * 2 + 1]); };
    EXPECT_EQ(at(0), std::pair(0, 10000)) << "before the first point: its level";
    EXPECT_EQ(at(200), std::pair(5000, 5000));
    EXPECT_EQ(at(250), std::pair(7500, 2500));
    EXPECT_EQ(at(900), std::pair(10000, 0)) << "after the last point: its level";
}

// Ten frames a second: 4,410 samples a frame; each frame's block holds one
// frame of sound of the frame's number.
class StreamTest : public SoundTest {
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        SwfTags tags;
        tags.SoundStreamHead(MonoPcm, 4410);
        for (int frame = 0; frame < 20; ++frame) tags.SoundStreamBlock(Tone(4410, static_cast<int16_t>(frame + 1))).ShowFrame();
        player.Frames().SetLoop(false);
        ASSERT_TRUE(player.Load(Movie(tags.End().Take(), 20)));
    }
};

TEST_F(StreamTest, FramesFollowTheSoundThatHasBeenPlayed)
{
    EXPECT_FALSE(player.Tick());
    std::vector<int32_t> mix = Mix(4096);
    EXPECT_EQ(mix[0], 1);
    clock.Now += 5000;
    EXPECT_FALSE(player.Tick()) << "the clock has no say while the stream plays";
    EXPECT_EQ(player.Frames().Current(), 0u);

    for (uint64_t played : {4409u, 4410u, 30000u, 4410u * 19}) {
        while (position < played) Mix(4096);
        player.Sound.Played(played);
        player.Tick();
        EXPECT_EQ(player.Frames().Current(), played / 4410) << played;
    }
    // The sound mixed matches the frames: frame n's block at n * 4,410.
    EXPECT_EQ(Mix(1)[0], static_cast<int32_t>(position / 4410 + 1));
}

TEST_F(StreamTest, AStopSilencesTheStreamAndAGotoStartsItAtTheNewFrame)
{
    Mix(4096);
    player.Frames().Stop();
    player.Tick();
    EXPECT_EQ(Sounding(Mix(4096)), 0u);

    player.Frames().GotoAndPlay(7);
    clock.Now += 100;
    player.Tick();
    EXPECT_EQ(player.Frames().Current(), 7u) << "held until the mixer begins the stream";
    EXPECT_EQ(Mix(1)[0], 8) << "frame 7's block";

    // Without a mixer the frames keep to the clock.
    player.Sound.SetMixing(false);
    clock.Now += 100;
    player.Tick();
    EXPECT_EQ(player.Frames().Current(), 8u);
}

// ---- Sprites' own sounds ----

// Places sprite 2 of these tags at depth 1: as it is, or inside sprite 3.
SwfTags& PlaceSprite(SwfTags& tags, const Bytes& sprite, uint16_t frames, bool nested)
{
    auto place = [](uint16_t id) { return tvmtest::PlaceObject2({.depth = 1, .id = id}); };
    tags.Sprite(2, frames, sprite);
    if (nested)
        tags.Sprite(3, 1, SwfTags().Tag(tvmtest::TagPlaceObject2, place(2)).ShowFrame().End().Take());
    return tags.Tag(tvmtest::TagPlaceObject2, place(nested ? 3 : 2));
}

TEST_F(SoundTest, ASpritesFrameStartsItsSoundEachTimeTheSpriteReachesIt)
{
    for (bool nested : {false, true}) {
        SwfTags tags;
        tags.DefineSound(1, MonoPcm, 100, Tone(100, 1000));
        Bytes sprite = SwfTags().ShowFrame().StartSound(1).ShowFrame().ShowFrame().End().Take();
        ASSERT_TRUE(player.Load(Movie(PlaceSprite(tags, sprite, 3, nested).ShowFrame().End().Take())));
        std::vector<size_t> heard;
        for (int step = 0; step < 7; ++step) {
            heard.push_back(Sounding(Mix(1000)));
            player.Step();
        }
        // The second of the sprite's three frames, on its first pass and on each loop.
        EXPECT_EQ(heard, (std::vector<size_t>{0, 100, 0, 0, 100, 0, 0})) << (nested ? "nested" : "on the stage");
    }
}

TEST_F(SoundTest, ASpritesStreamPlaysWhileTheSpritePlaysOnTheStage)
{
    constexpr uint16_t TagRemoveObject2 = 28;
    constexpr uint8_t ActionStop = 0x07;
    const struct {
        const char* name;
        Bytes spriteFrame2, mainFrame2;
        int32_t heard;  // the stream's first sample once both are reached
    } cases[] = {
        {"plays on", {}, {}, 2},
        {"stopped", SwfTags().DoAction({ActionStop, 0}).Take(), {}, 0},
        {"removed", {}, SwfTags().Tag(TagRemoveObject2, {1, 0}).Take(), 0},
    };
    auto append = [](Bytes& to, const Bytes& tags) { to.insert(to.end(), tags.begin(), tags.end()); };
    for (const auto& c : cases) {
        for (bool nested : {false, true}) {
            // Each of its four frames' blocks holds 100 samples of the frame's number.
            Bytes sprite = SwfTags().SoundStreamHead(MonoPcm, 100).Take();
            for (int16_t frame = 1; frame <= 4; ++frame) {
                if (frame == 2)
                    append(sprite, c.spriteFrame2);
                append(sprite, SwfTags().SoundStreamBlock(Tone(100, frame)).ShowFrame().Take());
            }
            append(sprite, SwfTags().End().Take());
            SwfTags tags;
            Bytes movie = PlaceSprite(tags, sprite, 4, nested).ShowFrame().Take();
            append(movie, c.mainFrame2);
            append(movie, SwfTags().ShowFrame().End().Take());
            ASSERT_TRUE(player.Load(Movie(movie, 2)));
            std::vector<int32_t> first = Mix(100);
            EXPECT_EQ(first[0], 1) << c.name;
            EXPECT_EQ(Sounding(first), 100u) << c.name;
            player.Step();
            std::vector<int32_t> then = Mix(100);
            EXPECT_EQ(then[0], c.heard) << c.name << (nested ? ", nested" : "");
            EXPECT_EQ(Sounding(then), c.heard ? 100u : 0u) << c.name << (nested ? ", nested" : "");
        }
    }
}

// ---- Sound objects ----

// Action codes the scripts below use.
enum : uint8_t { Pop = 0x17, GetVariable = 0x1C, SetVariable = 0x1D, Trace = 0x26, NewObject = 0x40,
                 InitObject = 0x43, GetMember = 0x4E, SetMember = 0x4F, CallMethod = 0x52 };

class Traces : public ScriptEvents {
public:
    std::vector<std::string> Lines;
    void Trace(const std::string& line) override { Lines.push_back(line); }
};

// A script line by line, as the compiler writes it.
class Script {
public:
    // name = new Sound(target), or new Sound() without one.
    Script& Make(const char* name, const char* target = nullptr)
    {
        actions_.Push({name});
        if (target)
            actions_.Push({target}).Op(GetVariable).Push({1, "Sound"});
        else
            actions_.Push({0, "Sound"});
        actions_.Op(NewObject).Op(SetVariable);
        return *this;
    }
    // name.method(arguments...)
    Script& Call(const char* name, const char* method, std::initializer_list<tvmtest::SwfValue> arguments = {})
    {
        for (auto argument = std::rbegin(arguments); argument != std::rend(arguments); ++argument)
            actions_.Push({*argument});
        actions_.Push({static_cast<int>(arguments.size()), name}).Op(GetVariable).Push({method}).Op(CallMethod).Op(Pop);
        return *this;
    }
    // name.setTransform({ll, lr, rl, rr})
    Script& Transform(const char* name, int ll, int lr, int rl, int rr)
    {
        actions_.Push({"rr", rr, "rl", rl, "lr", lr, "ll", ll, 4}).Op(InitObject);
        actions_.Push({1, name}).Op(GetVariable).Push({"setTransform"}).Op(CallMethod).Op(Pop);
        return *this;
    }
    // name.onSoundComplete = function () { trace("complete"); }
    Script& OnComplete(const char* name)
    {
        actions_.Push({name}).Op(GetVariable).Push({"onSoundComplete"});
        actions_.DefineFunction("", {}, tvmtest::SwfActions().Push({"complete"}).Op(Trace).Take()).Op(SetMember);
        return *this;
    }
    Script& TraceMember(const char* name, const char* member)
    {
        actions_.Push({name}).Op(GetVariable).Push({member}).Op(GetMember).Op(Trace);
        return *this;
    }
    // trace(name.method()), or trace(name.method().member)
    Script& TraceCall(const char* name, const char* method, const char* member = nullptr)
    {
        actions_.Push({0, name}).Op(GetVariable).Push({method}).Op(CallMethod);
        if (member)
            actions_.Push({member}).Op(GetMember);
        actions_.Op(Trace);
        return *this;
    }
    Bytes Take() { return actions_.End().Take(); }

private:
    tvmtest::SwfActions actions_;
};

constexpr uint16_t TagExportAssets = 56;
constexpr size_t ToneFrames = 4410;  // 100 ms

class SoundObjectTest : public SoundTest {
protected:
    void SetUp() override
    {
        SoundTest::SetUp();
        player.SetScriptEvents(traces);
    }

    // A movie exporting a mono tone of 1000 as "tone", whose frames run
    // these scripts.
    void Load(std::vector<Bytes> frames)
    {
        Bytes exported = {1, 0, 1, 0, 't', 'o', 'n', 'e', 0};
        SwfTags tags;
        tags.DefineSound(1, MonoPcm, ToneFrames, Tone(ToneFrames, 1000)).Tag(TagExportAssets, exported);
        for (const Bytes& frame : frames) tags.DoAction(frame).ShowFrame();
        tvmtest::SwfMovie movie;
        movie.version = 8;
        movie.rateInteger = 10;
        movie.frameCount = static_cast<uint16_t>(frames.size());
        movie.tags = tags.End().Take();
        ASSERT_TRUE(player.Load(tvmtest::MakeSwf(movie)));
    }

    Traces traces;
};

struct Heard {
    int32_t left = 0, right = 0;  // the first sample frame
    size_t frames = 0;            // sample frames with any sound
};

Heard Measure(const std::vector<int32_t>& mix)
{
    Heard heard{mix[0], mix[1], 0};
    for (size_t i = 0; i < mix.size(); i += MixChannels) heard.frames += mix[i] != 0 || mix[i + 1] != 0;
    return heard;
}

TEST_F(SoundObjectTest, AttachedSoundsPlayAtTheirObjectsLevels)
{
    const struct {
        const char* name;
        Bytes script;
        Heard heard;
    } cases[] = {
        {"as exported", Script().Make("s").Call("s", "attachSound", {"tone"}).Call("s", "start").Take(),
         {1000, 1000, ToneFrames}},
        {"twice", Script().Make("s").Call("s", "attachSound", {"tone"}).Call("s", "start", {0, 2}).Take(),
         {1000, 1000, 2 * ToneFrames}},
        {"from 50 ms on", Script().Make("s").Call("s", "attachSound", {"tone"}).Call("s", "start", {0.05}).Take(),
         {1000, 1000, ToneFrames / 2}},
        {"half volume", Script().Make("s").Call("s", "attachSound", {"tone"}).Call("s", "setVolume", {50})
                            .Call("s", "start").Take(),
         {500, 500, ToneFrames}},
        {"panned left", Script().Make("s").Call("s", "attachSound", {"tone"}).Call("s", "setPan", {-100})
                            .Call("s", "start").Take(),
         {1000, 0, ToneFrames}},
        {"left to the right only", Script().Make("s").Call("s", "attachSound", {"tone"}).Transform("s", 0, 100, 0, 0)
                                       .Call("s", "start").Take(),
         {0, 1000, ToneFrames}},
        // The movie's volume scales the clip's sounds too.
        {"clip and movie volumes", Script().Make("all").Call("all", "setVolume", {50}).Make("s", "_root")
                                       .Call("s", "setVolume", {50}).Call("s", "attachSound", {"tone"})
                                       .Call("s", "start").Take(),
         {250, 250, ToneFrames}},
        {"another clip's volume", Script().Make("other", "_root").Call("other", "setVolume", {0}).Make("s")
                                      .Call("s", "attachSound", {"tone"}).Call("s", "start").Take(),
         {1000, 1000, ToneFrames}},
        {"an unknown name", Script().Make("s").Call("s", "attachSound", {"none"}).Call("s", "start").Take(), {}},
    };
    for (const auto& c : cases) {
        Load({c.script});
        Heard heard = Measure(Mix(4 * ToneFrames));
        EXPECT_EQ(heard.left, c.heard.left) << c.name;
        EXPECT_EQ(heard.right, c.heard.right) << c.name;
        EXPECT_EQ(heard.frames, c.heard.frames) << c.name;
        EXPECT_TRUE(traces.Lines.empty()) << c.name << ": " << traces.Lines.front();
        traces.Lines.clear();
    }
}

TEST_F(SoundObjectTest, TheMoviesAndTheRootsLevelsApplyToTheTimelinesOwnSounds)
{
    for (const char* target : {static_cast<const char*>(nullptr), "_root"}) {
        SwfTags tags;
        tags.DefineSound(1, MonoPcm, ToneFrames, Tone(ToneFrames, 1000))
            .StartSound(1)
            .DoAction(Script().Make("s", target).Call("s", "setVolume", {50}).Call("s", "setPan", {100}).Take())
            .ShowFrame();
        ASSERT_TRUE(player.Load(Movie(tags.End().Take())));
        Heard heard = Measure(Mix(ToneFrames));
        EXPECT_EQ(heard.left, 0) << (target ? target : "the movie");
        EXPECT_EQ(heard.right, 500) << (target ? target : "the movie");
    }
}

TEST_F(SoundObjectTest, SettingsReadBack)
{
    Load({Script()
              .Make("s").TraceMember("s", "duration").Call("s", "attachSound", {"tone"}).TraceMember("s", "duration")
              .TraceCall("s", "getVolume").TraceCall("s", "getPan")
              .Make("same", "_root").Call("same", "setVolume", {30}).Call("same", "setPan", {40})
              .TraceCall("same", "getPan")
              .Make("t", "_root").Transform("t", 10, 20, 30, 40)
              .Make("u", "_root").Call("u", "setTransform", {1}).TraceCall("u", "getVolume")
              .TraceCall("u", "getTransform", "ll").TraceCall("u", "getTransform", "lr")
              .TraceCall("u", "getTransform", "rl").TraceCall("u", "getTransform", "rr")
              .Take()});
    // Sound objects of one clip share its settings.
    EXPECT_EQ(traces.Lines, (std::vector<std::string>{"undefined", "100", "100", "0", "40", "30", "10", "20", "30", "40"}));
}

TEST_F(SoundObjectTest, StopEndsTheSoundAndOnlyAnEndCallsOnSoundComplete)
{
    Load({Script().Make("s").OnComplete("s").Call("s", "attachSound", {"tone"}).Call("s", "start").Take(),
          Script().TraceMember("s", "position").Call("s", "stop").Take(), Bytes{0}});
    EXPECT_EQ(Measure(Mix(ToneFrames / 2)).frames, ToneFrames / 2);
    player.Step();
    EXPECT_EQ(Measure(Mix(ToneFrames)).frames, 0u) << "stopped";
    player.Step();
    EXPECT_EQ(traces.Lines, (std::vector<std::string>{"50"})) << "a stop is no end";

    traces.Lines.clear();
    Load({Script().Make("s").OnComplete("s").Call("s", "attachSound", {"tone"}).Call("s", "start", {0, 2}).Take()});
    for (int i = 0; i < 4; ++i) {
        Mix(ToneFrames);
        player.Step();
    }
    EXPECT_EQ(traces.Lines, (std::vector<std::string>{"complete"})) << "once, after the last loop";
}

}
