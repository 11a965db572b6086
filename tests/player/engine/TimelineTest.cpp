// The play head: stepping, looping, stopping and going to frames.
#include <gtest/gtest.h>

#include "Timeline.h"

namespace {

using tvmplayer::Timeline;

TEST(Timeline, PlaysToTheEndThenWrapsWhenLooping)
{
    Timeline timeline(3);
    EXPECT_TRUE(timeline.Playing());
    EXPECT_TRUE(timeline.Advance());
    EXPECT_TRUE(timeline.Advance());
    EXPECT_EQ(timeline.Current(), 2u);
    EXPECT_TRUE(timeline.Advance());
    EXPECT_EQ(timeline.Current(), 0u);
    EXPECT_TRUE(timeline.Playing());
}

TEST(Timeline, StopsAtTheLastFrameWithoutLoop)
{
    Timeline timeline(2);
    timeline.SetLoop(false);
    EXPECT_TRUE(timeline.Advance());
    EXPECT_FALSE(timeline.Advance());
    EXPECT_EQ(timeline.Current(), 1u);
    EXPECT_FALSE(timeline.Playing());
}

TEST(Timeline, OneOrNoFrameNeverMoves)
{
    for (size_t count : {0u, 1u}) {
        Timeline timeline(count);
        EXPECT_FALSE(timeline.Advance());
        timeline.NextFrame();
        EXPECT_EQ(timeline.Current(), 0u);
    }
}

TEST(Timeline, GotoClampsAndDecidesWhetherToPlay)
{
    Timeline timeline(5);
    timeline.GotoAndStop(99);
    EXPECT_EQ(timeline.Current(), 4u);
    EXPECT_FALSE(timeline.Playing());
    EXPECT_FALSE(timeline.Advance());
    timeline.GotoAndPlay(1);
    EXPECT_TRUE(timeline.Advance());
    EXPECT_EQ(timeline.Current(), 2u);
    timeline.PreviousFrame();
    EXPECT_EQ(timeline.Current(), 1u);
    EXPECT_FALSE(timeline.Playing());
    timeline.Rewind();
    timeline.PreviousFrame();
    EXPECT_EQ(timeline.Current(), 0u);
    timeline.GotoAndStop(4);
    timeline.NextFrame();
    EXPECT_EQ(timeline.Current(), 4u);
    timeline.Play();
    EXPECT_TRUE(timeline.Advance());
    EXPECT_EQ(timeline.Current(), 0u);
}

}
