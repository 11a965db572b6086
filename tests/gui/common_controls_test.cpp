// The common controls: values kept in range and across windows, the user's
// moves reported, and a page control whose tabs are drawn by their owner and
// whose changes can be refused.
#include <gtest/gtest.h>

#include "ComCtrls.h"
#include "ControlTestSupport.h"

#include <commctrl.h>

using namespace tvmtest;

namespace {

void ClickAt(HWND window, POINT point)
{
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    Pump();
}

}

TEST(CommonControls, BarsKeepTheirValuesInRangeAndReportTheUsersMoves)
{
    TTestForm form(nullptr);
    TProgressBar progress(&form);
    progress.SetParent(&form);
    progress.SetRange(10, 20);
    progress.SetPosition(25);
    EXPECT_EQ(progress.Position(), 20);
    progress.SetSmooth(true);
    EXPECT_EQ(SendMessageA(progress.Handle(), PBM_GETPOS, 0, 0), 20) << "a new window keeps the position";

    TTrackBar track(&form);
    track.SetParent(&form);
    track.SetTop(40);
    track.SetFrequency(2);
    int changes = 0;
    track.OnChange = [&](TObject*) { ++changes; };
    form.Show();
    EXPECT_EQ(SendMessageA(track.Handle(), TBM_GETNUMTICS, 0, 0), 6) << "0 to 10 in steps of 2, ends included";
    track.SetPosition(3);
    EXPECT_EQ(changes, 1);
    SendMessageA(track.Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(track.Position(), 4);
    EXPECT_EQ(changes, 2);
}

TEST(CommonControls, DatePickerAndStatusBarHoldWhatTheyAreGiven)
{
    TTestForm form(nullptr);
    TDateTimePicker picker(&form);
    picker.SetParent(&form);
    picker.SetDateTime(EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 0, 0));
    form.Show();
    int year, month, day;
    DecodeDate(picker.DateTime(), year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20240229);
    picker.SetKind(dtkTime);
    EXPECT_TRUE(GetWindowLongA(picker.Handle(), GWL_STYLE) & DTS_TIMEFORMAT);
    int hour, minute, second, ms;
    DecodeTime(picker.DateTime(), hour, minute, second, ms);
    EXPECT_EQ(hour * 100 + minute, 1345) << "the time picker's new window holds the same moment";

    TStatusBar status(&form);
    status.SetSimpleText("Ready");
    status.SetParent(&form);
    char text[32] = {};
    SendMessageA(status.Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Ready");
    EXPECT_EQ(status.Top() + status.Height(), form.ClientHeight()) << "it lies at the foot of the form";
    EXPECT_TRUE(GetWindowLongA(status.Handle(), GWL_STYLE) & SBARS_SIZEGRIP) << "a grip on a form the user resizes";
    TTestForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    TStatusBar fixed(&dialog);
    fixed.SetParent(&dialog);
    EXPECT_FALSE(GetWindowLongA(fixed.Handle(), GWL_STYLE) & SBARS_SIZEGRIP) << "none on a dialog";
}

TEST(CommonControls, PageControlDrawsTabsByItsOwnerAndMayRefuseAChange)
{
    TTestForm form(nullptr, 300, 200);
    TPageControl pages(&form);
    pages.SetOwnerDraw(true);
    pages.SetParent(&form);
    TTabSheet first(&form), second(&form);
    first.SetCaption("First");
    second.SetCaption("Second");
    first.SetPageControl(&pages);
    second.SetPageControl(&pages);
    std::vector<std::pair<int, RECT>> drawn;
    pages.OnDrawTab = [&](TPageControl*, int tab, const TRect& rect, bool) { drawn.emplace_back(tab, rect); };
    bool allow = false;
    TMessageLog log;
    pages.OnChanging = [&](TObject*, bool& allowChange) {
        log.push_back("changing");
        allowChange = allow;
    };
    pages.OnChange = [&](TObject*) { log.push_back("change"); };
    form.Show();
    form.Update();

    EXPECT_EQ(pages.ActivePage(), &first);
    EXPECT_TRUE(first.Visible());
    EXPECT_FALSE(second.Visible());
    ASSERT_FALSE(drawn.empty());
    RECT tab1{};
    SendMessageA(pages.Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab1));
    const POINT onTab1{(tab1.left + tab1.right) / 2, (tab1.top + tab1.bottom) / 2};
    bool sawTab1 = false;
    for (const auto& [tab, rect] : drawn) sawTab1 |= tab == 1 && PtInRect(&rect, onTab1);
    EXPECT_TRUE(sawTab1) << "the owner draws tab 1 where it lies";

    ClickAt(pages.Handle(), onTab1);
    EXPECT_EQ(pages.ActivePageIndex(), 0) << "refused";
    allow = true;
    ClickAt(pages.Handle(), onTab1);
    EXPECT_EQ(pages.ActivePage(), &second);
    EXPECT_TRUE(second.Visible());
    EXPECT_FALSE(first.Visible());
    EXPECT_EQ(log, (TMessageLog{"changing", "changing", "change"}));

    pages.SetActivePageIndex(0);
    EXPECT_EQ(log.size(), 3u) << "a change in code fires nothing";
    EXPECT_LT(first.Top(), pages.Height());
    EXPECT_GT(first.Top(), 0) << "the sheet lies below the tabs";
}
