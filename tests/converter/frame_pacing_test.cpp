// Which captured frames the GIF and image-sequence writers keep, and the
// delays the GIF frames get.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kvnFramePacing.h"

namespace {

struct Written {
    std::vector<int> frames;  // 1-based numbers of the captured frames written
    std::vector<int> delays;
};

Written Thin(double rate, uint8_t mode, int captured, bool gif)
{
    TkvnFrameThinner thinner(rate, mode);
    Written written;
    for (int frame = 1; frame <= captured; ++frame) {
        if (!thinner.Next()) continue;
        written.frames.push_back(frame);
        if (gif)
            written.delays.push_back(thinner.SettleGifFrame());
        else
            thinner.SettleImage();
    }
    return written;
}

}

TEST(FramePacing, CapturedRatesFollowTheCaptureMode)
{
    EXPECT_EQ(CapturedFrameRate(cmSafe), 43.06640625);
    EXPECT_EQ(CapturedFrameRate(cm2X), 86.1328125);
    EXPECT_EQ(CapturedFrameRate(cm4X), 172.265625);
    EXPECT_EQ(SamplesPerCapturedFrame(7), 1024);
}

// The remainder below a hundredth carries over from one GIF delay to the next.
TEST(FramePacing, GifAt12FpsKeepsEveryFourthFrameWithCarriedDelays)
{
    Written gif = Thin(12, cmSafe, 28, true);
    EXPECT_EQ(gif.frames, (std::vector<int>{1, 5, 9, 13, 17, 21, 25}));
    EXPECT_EQ(gif.delays, (std::vector<int>{20, 90, 90, 100, 90, 90, 100}));
}

// After the first file the time owed starts at one capture interval less one
// output interval.
TEST(FramePacing, ImageSequenceAt12FpsPaysOneIntervalPerFile)
{
    EXPECT_EQ(Thin(12, cmSafe, 29, false).frames, (std::vector<int>{1, 8, 11, 15, 18, 22, 26, 29}));
}

TEST(FramePacing, FirstFrameIsWrittenWhateverTheRate)
{
    for (double rate : {0.01, 1.0, 1000.0})
        for (bool gif : {false, true}) {
            Written written = Thin(rate, cmSafe, 1, gif);
            EXPECT_EQ(written.frames, std::vector<int>{1}) << rate;
        }
    // Faster than the capture: every captured frame is written.
    EXPECT_EQ(Thin(100, cmSafe, 5, false).frames.size(), 5u);
    EXPECT_EQ(Thin(100, cm4X, 5, false).frames.size(), 2u);
}

// A frame due every 1000 s is shown for the longest delay the frame keeps
// (65.53 s), not for a delay wrapped round to a short one.
TEST(FramePacing, VerySlowGifRateCapsTheDelay)
{
    TkvnFrameThinner thinner(1.0 / 1000, cmSafe);
    ASSERT_TRUE(thinner.Next());
    EXPECT_EQ(thinner.SettleGifFrame(), 20);
    int captured = 1;
    while (!thinner.Next()) ++captured;
    EXPECT_EQ(captured, 43067);
    EXPECT_EQ(thinner.SettleGifFrame(), TkvnFrameThinner::MaxGifDelay);
    EXPECT_FALSE(thinner.Next());
}

TEST(FramePacing, RatesAtOrBelowZeroAreRefused)
{
    for (double rate : {0.0, -12.0, std::numeric_limits<double>::quiet_NaN(), 1e-320})
        EXPECT_FALSE(ValidOutputFrameRate(rate)) << rate;
    for (double rate : {0.5, 12.0, 29.97})
        EXPECT_TRUE(ValidOutputFrameRate(rate)) << rate;
}

TEST(FramePacing, TheFFmpegBackEndGrabsAtTheTasksOwnRate)
{
    struct Case {
        double fps;
        uint8_t mode;
        TkvnFrameRate rate;
    } cases[] = {
        {25, cmSafe, {25, 1}},          {29.97f, cmSafe, {30000, 1001}}, {23.976, cm4X, {24000, 1001}},
        {59.94f, cmSafe, {60000, 1001}}, {12.5, cmSafe, {12500, 1000}},  {0.5, cmSafe, {500, 1000}},
        // A rate of no use keeps the capture mode's.
        {0, cmSafe, {44100, 1024}},     {-1, cm2X, {44100, 512}},
    };
    for (const Case& c : cases) EXPECT_EQ(GrabbedFrameRate(c.fps, c.mode), c.rate) << c.fps;
}
