// The frame queue owns what it holds and answers nothing outside its range.
#include <gtest/gtest.h>

#include "kvnFramesList.h"

namespace {

TBitmap* NewFrame(int width)
{
    auto* bitmap = new TBitmap;
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(width, 8);
    return bitmap;
}

}

TEST(FramesList, OutOfRangeIndexesAnswerNothingAndChangeNothing)
{
    TkvnFramesList frames;
    EXPECT_EQ(frames.Add(nullptr, true), nullptr);
    EXPECT_EQ(frames.Add(nullptr, false), nullptr);
    frames.Add(NewFrame(4), false);
    for (int index : {-1, 1}) {
        EXPECT_EQ(frames.Get(index), nullptr);
        EXPECT_FALSE(frames.Delete(index));
    }
    EXPECT_EQ(frames.Count(), 1);
}

TEST(FramesList, KeepsOrderAndCopiesOnlyWhenAsked)
{
    TkvnFramesList frames;
    TBitmap own;
    own.SetPixelFormat(pf24bit);
    own.SetSize(2, 8);
    TBitmap* copy = frames.Add(&own, true);
    TBitmap* taken = NewFrame(3);
    ASSERT_EQ(frames.Add(taken, false), taken);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, &own);
    EXPECT_EQ(copy->Width(), 2);

    EXPECT_TRUE(frames.Delete(0));
    EXPECT_EQ(frames.Get(0), taken);
    EXPECT_TRUE(frames.Clear());
    EXPECT_EQ(frames.Count(), 0);
    EXPECT_EQ(own.Width(), 2) << "the caller's bitmap was copied, not taken";
}
