// The program's FLV-player movie played by the engine over a video file of
// the test's own: pictures of one colour each, ten a second, and sound that
// tells the time it was read at. What the movie tells its host, where a seek
// lands, and what time a stream keeps with and without the mixer.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ActionTestSupport.h"
#include "MoviePlayer.h"

namespace {

using namespace tvmplayer;
using actiontest::Recorder;
using actiontest::TestClock;
using tvmtest::SwfActions;

const uint8_t FlvPlayerMovie[] = {
#include "FlvPlayerMovie.inc"
};

constexpr double PictureSpacing = 0.1;

uint32_t ColourAt(size_t index) { return 0xFF000000u | static_cast<uint32_t>(index * 2 + 1) << 8; }

struct SourceLog {
    std::vector<std::string> Opened;
    std::vector<double> Seeks;
};

// Pictures at 0, 0.1, ... before seconds; each a key frame. With sound, a
// tenth of a second of it after each picture.
class FakeSource : public MediaSource {
public:
    FakeSource(SourceLog& log, double seconds, bool sound)
        : log_(log), count_(static_cast<size_t>(std::lround(seconds / PictureSpacing))), sound_(sound)
    {
    }
    double Duration() const override { return static_cast<double>(count_) * PictureSpacing; }
    uint64_t Size() const override { return 12345; }
    bool HasSound() const override { return sound_; }
    std::optional<MediaPiece> Next() override
    {
        if (next_ >= count_)
            return std::nullopt;
        MediaPiece piece;
        piece.Time = static_cast<double>(next_) * PictureSpacing;
        if (sound_ && soundNext_) {
            piece.Samples.assign(MixRate / 10 * MixChannels, static_cast<int16_t>(next_ + 1));
            ++next_;
        } else {
            piece.Picture = Bitmap{4, 4, std::vector<uint32_t>(16, ColourAt(next_))};
            if (!sound_)
                ++next_;
        }
        soundNext_ = !soundNext_;
        return piece;
    }
    bool Seek(double seconds) override
    {
        log_.Seeks.push_back(seconds);
        next_ = static_cast<size_t>(std::floor(seconds / PictureSpacing + 1e-9));
        soundNext_ = false;
        return true;
    }

private:
    SourceLog& log_;
    size_t count_, next_ = 0;
    bool sound_, soundNext_ = false;
};

class FakeSources : public MediaSources {
public:
    std::unique_ptr<MediaSource> Open(const std::string& name) override
    {
        log.Opened.push_back(name);
        if (name.ends_with("missing.flv"))
            return nullptr;
        return std::make_unique<FakeSource>(log, Seconds, Sound);
    }
    SourceLog log;
    double Seconds = 10;
    bool Sound = false;
};

struct Played {
    TestClock clock;
    Recorder events;
    FakeSources sources;
    MoviePlayer player{clock};

    explicit Played(const std::string& variables, bool sound = false, bool mixing = false)
    {
        sources.Sound = sound;
        player.Sound.SetMixing(mixing);
        player.SetScriptEvents(events);
        player.SetMediaSources(sources);
        EXPECT_TRUE(player.Load({FlvPlayerMovie, sizeof FlvPlayerMovie}, variables));
    }
    // Moves the clock on and lets the movie play a frame.
    void Frame(uint32_t milliseconds = 100)
    {
        clock.Now += milliseconds;
        player.Step();
    }
    uint32_t CentrePixel()
    {
        std::vector<uint32_t> pixels(64 * 48);
        player.Render({pixels.data(), 64, 48, 64});
        return pixels[24 * 64 + 32];
    }
    // The commands (without arguments) since the last call.
    std::vector<std::string> Commands()
    {
        std::vector<std::string> commands;
        for (const std::string& line : events.Lines) commands.push_back(line.substr(0, line.find('(')));
        events.Lines.clear();
        return commands;
    }
    // The last playhead reported, in seconds; NaN when none was.
    double Playhead() const
    {
        for (auto line = events.Lines.rbegin(); line != events.Lines.rend(); ++line)
            if (line->starts_with("fs:kvn_flvmsg_playheadupdate("))
                return std::stod(line->substr(29));
        return NAN;
    }
};

TEST(FlvPlayerMovie, PlaysTheNamedFileAndTellsTheHostReadyProgressPlayheadAndComplete)
{
    Played played("cmd=play&url=none&driver=c&path=\\clips\\a.flv");
    EXPECT_EQ(played.sources.log.Opened, std::vector<std::string>{"c:\\clips\\a.flv"});
    played.Frame();
    ASSERT_GE(played.events.Lines.size(), 3u);
    EXPECT_EQ(played.events.Lines[0], "fs:kvn_flvmsg_ready()");
    EXPECT_EQ(played.events.Lines[1], "fs:kvn_flvmsg_progress(100)");
    EXPECT_NEAR(played.Playhead(), 0.1, 1e-9);
    EXPECT_EQ(played.CentrePixel(), ColourAt(1));

    played.Frame(250);
    EXPECT_NEAR(played.Playhead(), 0.35, 1e-9);
    EXPECT_EQ(played.CentrePixel(), ColourAt(3)) << "the last picture due";

    for (int i = 0; i < 120; ++i) played.Frame();
    std::vector<std::string> commands = played.Commands();
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands.back(), "fs:kvn_flvmsg_complete") << "and nothing after it";
    EXPECT_EQ(std::count(commands.begin() + 2, commands.end() - 1, "fs:kvn_flvmsg_playheadupdate"),
              static_cast<std::ptrdiff_t>(commands.size()) - 3)
        << "between ready and complete, only the playhead";
    EXPECT_EQ(played.CentrePixel(), ColourAt(99)) << "the last picture stays";
}

// A file's stamps, taken out of its time base, come a rounding error off
// the moment they name: 3 x 0.1 is a little over 0.3, and shows at 0.3 s.
TEST(FlvPlayerMovie, APictureShowsAtTheMomentItIsStampedWith)
{
    Played played("url=c:\\a.flv");
    played.Frame(300);
    EXPECT_EQ(played.CentrePixel(), ColourAt(3));
}

// A capture that stops at the complete message ends with the file: not
// while its last picture is still due its time, nor later.
TEST(FlvPlayerMovie, CompletesOnceTheLastPictureHasShownItsTime)
{
    Played played("url=c:\\end.flv");
    played.Frame(9950);
    played.Frame(0);
    EXPECT_EQ(played.CentrePixel(), ColourAt(99));
    std::vector<std::string> commands = played.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "fs:kvn_flvmsg_complete"), 0) << "shown at 9.9 s, until 10 s";
    played.Frame(50);
    played.Frame(0);
    commands = played.Commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "fs:kvn_flvmsg_complete");
}

TEST(FlvPlayerMovie, SeeksWhenTheHostSetsTimeAndThenTheSeekCommand)
{
    Played played("url=d:\\v\\b.flv");
    EXPECT_EQ(played.sources.log.Opened, std::vector<std::string>{"d:\\v\\b.flv"});
    played.Frame();
    played.player.SetVariable("time", "5.05");
    played.Frame(0);
    EXPECT_TRUE(played.sources.log.Seeks.empty()) << "time alone seeks nothing";
    played.player.SetVariable("cmdw", "kvn_cmd_seektime");
    played.Frame(0);
    ASSERT_FALSE(played.sources.log.Seeks.empty());
    EXPECT_DOUBLE_EQ(played.sources.log.Seeks.back(), 5.05);
    EXPECT_NEAR(played.Playhead(), 5.05, 1e-9);
    EXPECT_EQ(played.player.GetVariable("cmdw"), "") << "a seek is done once";
    // The picture at or before the time: the one read on the way from the
    // key frame before it.
    EXPECT_EQ(played.CentrePixel(), ColourAt(50));
    played.Frame();
    EXPECT_NEAR(played.Playhead(), 5.15, 1e-9);
    EXPECT_EQ(played.CentrePixel(), ColourAt(51));

    // A seek past the end answers the end; a seek after the end plays again.
    for (int i = 0; i < 60; ++i) played.Frame();
    ASSERT_EQ(played.Commands().back(), "fs:kvn_flvmsg_complete");
    played.player.SetVariable("time", "2");
    played.player.SetVariable("cmdw", "kvn_cmd_seektime");
    played.Frame(0);
    played.Frame();
    EXPECT_NEAR(played.Playhead(), 2.1, 1e-9);
}

TEST(FlvPlayerMovie, AFileThatCannotBeOpenedIsNeverReady)
{
    Played played("url=c:\\missing.flv");
    for (int i = 0; i < 5; ++i) played.Frame();
    EXPECT_TRUE(played.events.Lines.empty()) << played.events.Joined();
}

struct NoDecoders : SoundDecoders {
    std::unique_ptr<SoundDecoder> Create(const SoundFormat&) override { return nullptr; }
};

// Every stream that plays is heard, each keeping its own time by its own
// sound played, and the movie's volume applies to them all.
TEST(NetStreams, PlayTogetherInTheMixer)
{
    using namespace actiontest;
    auto play = [](SwfActions& actions, const char* name, const char* file) {
        actions.Push({name, "nc"}).Op(GetVariable).Push({1, "NetStream"}).Op(NewObject).Op(SetVariable);
        actions.Push({file, 1, name}).Op(GetVariable).Push({"play"}).Op(CallMethod).Op(Pop);
    };
    auto trace = [](SwfActions& actions, const char* name) {
        actions.Push({name}).Op(GetVariable).Push({"time"}).Op(GetMember).Op(Trace);
    };
    for (int volume : {100, 50}) {
        SwfActions start;
        start.Push({"nc", 0, "NetConnection"}).Op(NewObject).Op(SetVariable);
        start.Push({"s", 0, "Sound"}).Op(NewObject).Op(SetVariable);
        start.Push({volume, 1, "s"}).Op(GetVariable).Push({"setVolume"}).Op(CallMethod).Op(Pop);
        play(start, "a", "a.flv");
        play(start, "b", "b.flv");
        SwfActions traces;
        trace(traces, "a");
        trace(traces, "b");
        traces.Op(Stop);

        TestClock clock;
        Recorder events;
        FakeSources sources;
        sources.Sound = true;
        MoviePlayer player{clock};
        player.Sound.SetMixing(true);
        player.SetScriptEvents(events);
        player.SetMediaSources(sources);
        ASSERT_TRUE(player.Load(MovieOf(8, {start.End().Take(), {}, {}, traces.End().Take()})));
        player.Step();
        NoDecoders decoders;
        std::vector<int32_t> mix(MixRate * MixChannels);
        player.Sound.Mix(mix, 0, decoders);
        EXPECT_EQ(mix[0], 2 * volume / 100) << "both streams' first samples at " << volume;
        player.Sound.Played(MixRate / 2);
        player.Step();
        player.Step();
        EXPECT_EQ(events.Joined(), "0.5|0.5");
    }
}

// With the mixer playing the stream's sound, the time is the sound the
// device has played, whatever the clock says: a capture paced by the sound
// sees the pictures that go with it.
TEST(FlvPlayerMovie, WithTheMixerTheTimeFollowsTheSoundPlayed)
{
    Played played("url=c:\\s.flv", true, true);
    played.Frame(5000);
    EXPECT_NEAR(played.Playhead(), 0, 1e-9) << "no sound played yet";

    // The mixer takes a second's worth and the device plays half of it.
    NoDecoders decoders;
    std::vector<int32_t> mix(MixRate * MixChannels);
    played.player.Sound.Mix(mix, 1000, decoders);
    EXPECT_EQ(mix[0], 1) << "the first tenth's samples";
    EXPECT_EQ(mix[MixRate / 10 * MixChannels + 1], 2) << "then the second's";
    played.player.Sound.Played(1000 + MixRate / 2);
    played.Frame(0);
    EXPECT_NEAR(played.Playhead(), 0.5, 1e-9);
    EXPECT_EQ(played.CentrePixel(), ColourAt(5));

    // Without the mixer the same file keeps to the clock.
    Played clocked("url=c:\\s.flv", true, false);
    clocked.Frame(250);
    EXPECT_NEAR(clocked.Playhead(), 0.25, 1e-9);

    // A mixer whose device opens after the stream started: from then on the
    // sound is heard from the first not yet read, and leads the time.
    clocked.player.Sound.SetMixing(true);
    clocked.Frame(0);
    clocked.Frame(5000);
    EXPECT_NEAR(clocked.Playhead(), 0.3, 1e-9) << "no sound played yet";
    std::fill(mix.begin(), mix.end(), 0);
    clocked.player.Sound.Mix(mix, 0, decoders);
    EXPECT_EQ(mix[0], 4) << "the fourth tenth's samples first";
    clocked.player.Sound.Played(MixRate / 2);
    clocked.Frame(0);
    EXPECT_NEAR(clocked.Playhead(), 0.8, 1e-9);
}

// A host that steps the movie itself, taking the sound as it goes, keeps the
// stream to its steps: each is one frame of the movie's time, whatever the
// clock or the sound played says, and the sound is handed over ahead from
// the moment the steps took over.
TEST(FlvPlayerMovie, WhileTheHostStepsTheTimeIsTheSteps)
{
    Played played("url=c:\\s.flv", true, true);
    played.Frame(5000);
    NoDecoders decoders;
    std::vector<int32_t> mix(MixRate * MixChannels);
    played.player.Sound.Mix(mix, 0, decoders);
    played.player.Sound.Played(MixRate / 2);
    played.Frame(0);
    ASSERT_NEAR(played.Playhead(), 0.5, 1e-9) << "the sound played";

    // The FLV-player movie has 30 frames a second.
    for (int step = 0; step < 16; ++step) {
        played.clock.Now += 5000;
        played.player.StepPaced();
    }
    EXPECT_NEAR(played.Playhead(), 1.0, 1e-9);
    EXPECT_EQ(played.CentrePixel(), ColourAt(10));
    EXPECT_EQ(played.sources.log.Seeks, std::vector<double>{0.5}) << "read again from where the steps took over";
    std::fill(mix.begin(), mix.end(), 0);
    played.player.Sound.Mix(mix, MixRate, decoders);
    EXPECT_EQ(mix[0], 6) << "the sound from 0.5 s on";
    EXPECT_EQ(mix[(MixRate / 2 - 1) * MixChannels], 10) << "ahead of the steps";

    // Playing on by itself, the stream follows its sound again from there.
    played.clock.Now += 100;
    played.player.Tick();
    EXPECT_EQ(played.sources.log.Seeks, (std::vector<double>{0.5, 1.0}));
    played.player.Sound.Mix(mix, 2 * MixRate, decoders);
    played.player.Sound.Played(2 * MixRate + MixRate / 5);
    played.clock.Now += 100;
    played.player.Tick();
    EXPECT_NEAR(played.Playhead(), 1.2, 1e-9);
}

}
