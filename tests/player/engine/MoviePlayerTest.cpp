// One movie playing: time from the given clock, the stage drawn into the
// given pixels, root variables.
#include <gtest/gtest.h>

#include <vector>

#include "MoviePlayer.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmplayer;
using tvmtest::MakeSwf;
using tvmtest::SwfMovie;
using tvmtest::SwfTags;

class ManualClock : public Clock {
public:
    uint32_t Now = 0;
    uint32_t Milliseconds() override { return Now; }
};

// Ten frames at 10 per second on a dark blue stage.
tvmtest::Bytes TenFrames()
{
    SwfMovie movie;
    movie.rateInteger = 10;
    movie.frameCount = 10;
    movie.tags = SwfTags().Background(0x000080).ShowFrame().End().Take();
    return MakeSwf(movie);
}

class PlayerTest : public testing::Test {
protected:
    ManualClock clock;
    MoviePlayer player{clock};
};

TEST_F(PlayerTest, FramesMoveOnlyWhenTheirTimeHasCome)
{
    clock.Now = 0xFFFFFF00;  // the clock wraps around while the movie plays
    ASSERT_TRUE(player.Load(TenFrames()));
    clock.Now += 99;
    EXPECT_FALSE(player.Tick());
    clock.Now += 1;
    EXPECT_TRUE(player.Tick());
    EXPECT_FALSE(player.Tick());
    clock.Now += 100;
    EXPECT_TRUE(player.Tick());
    EXPECT_EQ(player.Frames().Current(), 2u);
    EXPECT_TRUE(player.Step());
    EXPECT_EQ(player.Frames().Current(), 3u);
    EXPECT_FALSE(player.Tick()) << "a step starts the next frame's time afresh";
}

TEST_F(PlayerTest, AnUnreadableMovieLeavesAnEmptyWorkingPlayer)
{
    ASSERT_TRUE(player.Load(TenFrames()));
    player.Frames().SetLoop(false);
    EXPECT_FALSE(player.Load(tvmtest::Bytes{'F', 'W', 'S'}));
    EXPECT_FALSE(player.HasMovie());
    EXPECT_EQ(player.Frames().FrameCount(), 0u);
    clock.Now += 1000;
    EXPECT_FALSE(player.Tick());
    EXPECT_FALSE(player.Step());
    EXPECT_FALSE(player.Frames().Loop()) << "the host's loop setting outlives the movie";
}

TEST_F(PlayerTest, DrawsTheBackgroundTheHostAsksFor)
{
    ASSERT_TRUE(player.Load(TenFrames()));
    std::vector<uint32_t> pixels(4 * 3, 0x12345678);
    // Three pixels wide inside rows of four: the fourth stays untouched.
    Surface surface{pixels.data(), 3, 3, 4};
    player.Render(surface);
    EXPECT_EQ(pixels[0], 0xFF000080u);
    EXPECT_EQ(pixels[10], 0xFF000080u);
    EXPECT_EQ(pixels[3], 0x12345678u);

    player.BackgroundOverride = 0xFF00FF00;
    player.Render(surface);
    EXPECT_EQ(pixels[5], 0xFF00FF00u);

    player.Transparent = true;
    player.Render(surface);
    EXPECT_EQ(pixels[5], 0u);
}

TEST(Surface, ColoursArePremultiplied)
{
    EXPECT_EQ(Premultiply(0xFFABCDEF), 0xFFABCDEFu);
    EXPECT_EQ(Premultiply(0x80FF8000), 0x80804000u);
    EXPECT_EQ(Premultiply(0x00FFFFFF), 0u);
}

TEST(Surface, StageFitsBothWays)
{
    const struct {
        ScaleMode mode;
        int width, height;
        StageTransform expected;
    } cases[] = {
        {ScaleMode::ExactFit, 200, 50, {2, 0.5, 0, 0}},
        {ScaleMode::ShowAll, 200, 50, {0.5, 0.5, 75, 0}},
        {ScaleMode::ShowAll, 50, 200, {0.5, 0.5, 0, 75}},
        {ScaleMode::ShowAll, 100, 100, {1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        StageTransform t = FitStage(100, 100, c.width, c.height, c.mode);
        EXPECT_DOUBLE_EQ(t.ScaleX, c.expected.ScaleX);
        EXPECT_DOUBLE_EQ(t.ScaleY, c.expected.ScaleY);
        EXPECT_DOUBLE_EQ(t.OffsetX, c.expected.OffsetX);
        EXPECT_DOUBLE_EQ(t.OffsetY, c.expected.OffsetY);
    }
    StageTransform none = FitStage(0, 100, 200, 50, ScaleMode::ExactFit);
    EXPECT_EQ(none.ScaleX, 1);
}

TEST(Variables, FlashVarsAreDecodedAndNamesIgnoreCase)
{
    Variables vars;
    vars.SetFromQuery("cmd=play&url=none&driver=C%3A&path=%5Cmy+films%5Ca.flv&&flag&bad=%zz%4");
    EXPECT_EQ(vars.Get("CMD"), "play");
    EXPECT_EQ(vars.Get("driver"), "C:");
    EXPECT_EQ(vars.Get("path"), "\\my films\\a.flv");
    EXPECT_EQ(vars.Get("flag"), "");
    EXPECT_EQ(vars.Get("bad"), "%zz%4");
    EXPECT_EQ(vars.Get("missing"), std::nullopt);
    vars.Set("Time", "12.5");
    EXPECT_EQ(vars.Get("time"), "12.5");
}

}
