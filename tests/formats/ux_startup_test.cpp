// The utility units' start-up and shut-down, counted so that only the first
// and the last act.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Forms.h"
#include "SysUtils.h"
#include "UxStartUp.h"

namespace {

POINT HotSpot(HCURSOR cursor)
{
    ICONINFO info{};
    if (!GetIconInfo(cursor, &info)) return {-1, -1};
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return {LONG(info.xHotspot), LONG(info.yHotspot)};
}

class UtilityUnits : public testing::Test {
protected:
    void TearDown() override { FormatSettings().ShortDateFormat = savedFormat_; }

private:
    std::string savedFormat_ = FormatSettings().ShortDateFormat;
};

}

TEST_F(UtilityUnits, OnlyTheFirstStartUpAndTheLastShutDownAct)
{
    HCURSOR arrow = Screen->Cursors(crDefault);
    FormatSettings().ShortDateFormat = "dd.MM.yyyy";
    StartUpUtilityUnits();
    HCURSOR hand = Screen->Cursors(crHandCursor);
    // The units' own drawings: the hand points with its fingertip.
    EXPECT_EQ(HotSpot(hand).x, 5);
    EXPECT_EQ(HotSpot(Screen->Cursors(crDragCursor)).x, 0);
    EXPECT_NE(Screen->Cursors(crDragCursor), arrow);
    EXPECT_TRUE(FourDigitYear());
    char name[64] = {};
    GetClipboardFormatNameA(IconClipboardFormat(), name, sizeof name);
    EXPECT_STREQ(name, "Tavelomatic Icon");

    FormatSettings().ShortDateFormat = "M/d/yy";
    StartUpUtilityUnits();
    EXPECT_TRUE(FourDigitYear()) << "a second start-up reads nothing";
    ShutDownUtilityUnits();
    EXPECT_EQ(Screen->Cursors(crHandCursor), hand) << "the first shut-down of two takes nothing away";
    ShutDownUtilityUnits();
    EXPECT_EQ(Screen->Cursors(crHandCursor), arrow);
    EXPECT_EQ(Screen->Cursors(crDragCursor), arrow);

    // A shut-down without its start-up does nothing: the next start-up is a
    // first one again.
    ShutDownUtilityUnits();
    StartUpUtilityUnits();
    EXPECT_FALSE(FourDigitYear());
    EXPECT_EQ(Screen->Cursors(crHandCursor), hand);
    ShutDownUtilityUnits();
}

TEST_F(UtilityUnits, FourDigitYearsWhateverTheCase)
{
    const struct {
        const char* format;
        bool fourDigits;
    } cases[] = {{"yyyy-MM-dd", true}, {"d/M/YYYY", true}, {"d/M/yyy", false}, {"yy/MM/dd", false}, {"", false}};
    for (const auto& c : cases) {
        FormatSettings().ShortDateFormat = c.format;
        StartUpUtilityUnits();
        EXPECT_EQ(FourDigitYear(), c.fourDigits) << c.format;
        ShutDownUtilityUnits();
    }
}
