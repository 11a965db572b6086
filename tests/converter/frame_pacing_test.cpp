// The rate every back end grabs frames at, and the delays the GIF frames get.
#include <gtest/gtest.h>

#include <limits>
#include <numeric>
#include <vector>

#include "kvnFramePacing.h"

namespace {

std::vector<int> GifDelays(double rate, int frames)
{
    TkvnGifDelays delays(rate);
    std::vector<int> written;
    for (int i = 0; i < frames; ++i) written.push_back(delays.Next());
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

// Whole hundredths, the remainder carried: the delays add up to the frames'
// own time, however long the run.
TEST(FramePacing, GifDelaysAddUpToTheFramesTime)
{
    EXPECT_EQ(GifDelays(12, 6), (std::vector<int>{80, 80, 90, 80, 80, 90}));
    EXPECT_EQ(GifDelays(25, 3), (std::vector<int>{40, 40, 40}));
    struct Case {
        double rate;
        int frames, milliseconds;
    } cases[] = {{12, 12 * 3600, 3600 * 1000}, {30000.0 / 1001, 30000, 1001 * 1000}, {43.06640625, 44100, 1024 * 1000},
                 {7, 7, 1000}};
    for (const Case& c : cases) {
        std::vector<int> delays = GifDelays(c.rate, c.frames);
        EXPECT_EQ(std::accumulate(delays.begin(), delays.end(), 0), c.milliseconds) << c.rate;
    }
}

// A frame every 1000 s is shown for the longest delay the frame keeps
// (65.53 s), not for a delay wrapped round to a short one.
TEST(FramePacing, VerySlowGifRateCapsTheDelay)
{
    EXPECT_EQ(GifDelays(GrabbedFrameRate(1.0 / 1000, cmSafe).Value(), 2),
              (std::vector<int>{TkvnGifDelays::MaxDelay, TkvnGifDelays::MaxDelay}));
}

TEST(FramePacing, RatesAtOrBelowZeroAreRefused)
{
    for (double rate : {0.0, -12.0, std::numeric_limits<double>::quiet_NaN(), 1e-320})
        EXPECT_FALSE(ValidOutputFrameRate(rate)) << rate;
    for (double rate : {0.5, 12.0, 29.97})
        EXPECT_TRUE(ValidOutputFrameRate(rate)) << rate;
}

TEST(FramePacing, EveryBackEndGrabsAtTheTasksOwnRate)
{
    struct Case {
        double fps;
        uint8_t mode;
        TkvnFrameRate rate;
    } cases[] = {
        {25, cmSafe, {25, 1}},          {29.97f, cmSafe, {30000, 1001}}, {23.976, cm4X, {24000, 1001}},
        {59.94f, cmSafe, {60000, 1001}}, {12.5, cmSafe, {12500, 1000}},  {0.5, cmSafe, {500, 1000}},
        // A rate of no use keeps the capture mode's.
        {0, cmSafe, {44100, 1024}},     {-1, cm2X, {44100, 512}},        {1001, cm4X, {44100, 256}},
    };
    for (const Case& c : cases) EXPECT_EQ(GrabbedFrameRate(c.fps, c.mode), c.rate) << c.fps;
}
