#include <gtest/gtest.h>

#include "Colors.h"
#include "DateTimes.h"
#include "Exceptions.h"
#include "Font.h"
#include "SysUtils.h"

#include <tuple>

TEST(DateTimes, DayNumbersAndRoundTrips)
{
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2000, 3, 1), 36586.0);
    int y, m, d;
    DecodeDate(36586.75, y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000301);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);

    FormatSettings().ShortDateFormat = "M/d/yyyy";
    FormatSettings().LongTimeFormat = "h:mm:ss tt";
    const TDateTime moment = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 9, 0);
    EXPECT_EQ(DateToStr(moment), "2/29/2024");
    EXPECT_EQ(TimeToStr(moment), "1:05:09 PM");
    EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29)), "2/29/2024");
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(moment)), moment);
    EXPECT_DOUBLE_EQ(StrToTime("12:00:00 AM"), 0.0);

    FormatSettings().ShortDateFormat = "dd.MM.yy";
    EXPECT_EQ(DateToStr(moment), "29.02.24");
    EXPECT_DOUBLE_EQ(StrToDate("29.02.24"), EncodeDate(2024, 2, 29));

    TDateTime value;
    for (const char* bad : {"", "31.02.24", "1.2", "12:61", "x 1.2.3"}) EXPECT_FALSE(TryStrToDate(bad, value)) << bad;
    EXPECT_THROW(StrToTime("25:00"), EConvertError);
}

TEST(Colors, NamesAndNumbers)
{
    EXPECT_EQ(ColorToString(clRed), "clRed");
    EXPECT_EQ(ColorToString(0x123456), "$00123456");
    EXPECT_EQ(StringToColor("CLBLUE"), clBlue);
    EXPECT_EQ(StringToColor("$00FF00"), clLime);
    EXPECT_THROW(StringToColor("reddish"), EConvertError);
    EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
    for (auto [color, index, name] : {std::tuple{clInfoBk, COLOR_INFOBK, "clInfoBk"}, {clGrayText, COLOR_GRAYTEXT, "clGrayText"},
                                      {clMenuBar, COLOR_MENUBAR, "clMenuBar"}, {cl3DDkShadow, COLOR_3DDKSHADOW, "cl3DDkShadow"}}) {
        EXPECT_EQ(ColorToRGB(color), GetSysColor(index)) << name;
        EXPECT_EQ(ColorToString(color), name);
        EXPECT_EQ(StringToColor(name), color);
    }
    EXPECT_EQ(StringToColor("clMoneyGreen"), 0xC0DCC0);
}

TEST(Font, ChangesNotifyAndAssignCopies)
{
    TFont a, b;
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    a.SetName("Arial");
    a.SetStyle(fsBold | fsItalic);
    a.SetSize(18);
    b.Assign(&a);
    EXPECT_EQ(b.GetName(), "Arial");
    EXPECT_EQ(b.GetStyle(), fsBold | fsItalic);
    EXPECT_EQ(b.GetSize(), 18);
    EXPECT_EQ(changes, 1);
    b.SetSize(18);
    EXPECT_EQ(changes, 1);
    EXPECT_NE(b.Handle(), nullptr);
}

TEST(Font, AnAdoptedHandleDescribesTheFontAndItsOwnHandleStaysAlive)
{
    TFont font;
    font.SetHandle(CreateFontA(-20, 0, 0, 0, FW_BOLD, TRUE, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial"));
    EXPECT_EQ(font.GetHeight(), -20);
    EXPECT_EQ(font.GetStyle(), fsBold | fsItalic);
    EXPECT_EQ(font.GetName(), "Arial");
    HFONT own = font.Handle();
    font.SetHandle(own);
    EXPECT_NE(GetObjectType(own), 0u);
    font.SetSize(12);  // a point size is a height at the screen's pixels per inch
    EXPECT_EQ(font.GetHeight(), -MulDiv(12, TFont::PixelsPerInch(), 72));
    EXPECT_EQ(font.GetSize(), 12);
}
