#include "SysUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FloatFormats : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = FormatSettings();
        FormatSettings().DecimalSeparator = '.';
        FormatSettings().ThousandSeparator = ',';
        FormatSettings().CurrencyString = "$";
        FormatSettings().CurrencyFormat = 0;
        FormatSettings().NegCurrFormat = 0;
    }
    void TearDown() override { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

}

TEST_F(FloatFormats, FormatFloatPictures)
{
    struct Case {
        const char* format;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"0.00", -0.004, "0.00"},  // rounds to zero: no sign
        {"#.##", 0.5, ".5"},
        {"0.##", 1, "1"},
        {"0.0#", 2.5, "2.5"},
        {"0.0#", 2.567, "2.57"},
        {"000", 7, "007"},
        {"#,##0.0", 1234567.89, "1,234,567.9"},
        {"#,##0", -1234, "-1,234"},
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.0e-0", 0.00123, "1.2e-3"},
        {"0.0E-00", 1500, "1.5E03"},
        {"0 \"kbps\"", 128, "128 kbps"},
        {"0%", 42, "42%"},
        {"0.0;(0.0);zero", -2.26, "(2.3)"},
        {"0.0;(0.0);zero", 0, "zero"},
        {"0.0;;", -1.5, "-1.5"},  // an empty section falls back to the first
        {"", 0.1, "0.1"},
    };
    for (const auto& [format, value, expected] : cases) EXPECT_EQ(FormatFloat(format, value), expected) << format;
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().ThousandSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
}

TEST_F(FloatFormats, FloatToStrFForms)
{
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 3, 2), "1.23E3");  // more integer digits than precision
    EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 1), "1,234.6");
    EXPECT_EQ(FloatToStrF(-1234.5678, ffNumber, 15, 0), "-1,235");
    EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(FloatToStrF(0.000123, ffExponent, 2, 0), "1.2E-4");
    EXPECT_EQ(FloatToStrF(0.1, ffGeneral, 15, 0), "0.1");
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "$1,234.50");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");
    FormatSettings().CurrencyString = "EUR";
    FormatSettings().CurrencyFormat = 3;
    FormatSettings().NegCurrFormat = 8;
    EXPECT_EQ(FloatToStrF(5, ffCurrency, 15, 2), "5.00 EUR");
    EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 2), "-5.00 EUR");
}
