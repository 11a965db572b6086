// FloatToStrF and FormatFloat: numbers in the forms reports and labels show.
#include "SysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "NumberText.h"

using namespace sysutils_detail;

namespace {

// An exponent with at least Digits digits, its sign always or, with
// SignAlways false, only when negative.
std::string ExponentText(int exponent, int digits, bool signAlways)
{
    std::string text = std::to_string(std::abs(exponent));
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    return (exponent < 0 ? "-" : signAlways ? "+" : "") + text;
}

// Splits Value into a mantissa of one integer digit and Decimals decimals,
// and the exponent that goes with it.
double Mantissa(double value, int decimals, int& exponent)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", decimals, value);
    char* e = std::strchr(text, 'E');
    exponent = std::atoi(e + 1);
    *e = 0;
    return std::strtod(text, nullptr);
}

// "-d.ddddE+xx" with Precision significant digits.
std::string FormatExponent(double value, int precision, int exponentDigits)
{
    int exponent = 0;
    const double mantissa = Mantissa(value, precision - 1, exponent);
    return FormatFixed(mantissa, precision - 1) + "E" + ExponentText(exponent, exponentDigits, true);
}

std::string WithCurrency(const std::string& amount, bool negative)
{
    const TFormatSettings& s = FormatSettings();
    const std::string& c = s.CurrencyString;
    if (!negative) {
        switch (s.CurrencyFormat) {
        case 1: return amount + c;
        case 2: return c + " " + amount;
        case 3: return amount + " " + c;
        default: return c + amount;
        }
    }
    // The system's negative currency forms, by number.
    switch (s.NegCurrFormat) {
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "(" + c + amount + ")";
    }
}

}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits)
{
    precision = std::clamp(precision, 1, 18);
    if (!std::isfinite(value)) return LocalizeNumber(std::to_string(value));
    const bool tooWide = value != 0 && std::floor(std::log10(std::fabs(value))) + 1 > precision;
    if (format == ffExponent) return FormatExponent(value, precision, std::clamp(digits, 0, 4));
    if (format == ffGeneral || tooWide) return FormatGeneral(value, precision);
    // Rounded to Precision significant digits first, then to Digits decimals.
    char rounded[64];
    std::snprintf(rounded, sizeof rounded, "%.*g", precision, value);
    const double limited = std::strtod(rounded, nullptr);
    digits = std::clamp(digits, 0, 18);
    if (format == ffFixed) return FormatFixed(limited, digits);
    std::string number = InsertThousandSeparators(FormatFixed(std::fabs(limited), digits));
    if (format == ffNumber) return (limited < 0 ? "-" : "") + number;
    return WithCurrency(number, limited < 0);
}

namespace {

// One section of a FormatFloat picture, read once.
struct TPicture {
    int integerZeros = 0;  // placeholders from the first "0" to the decimal point
    int decimals = 0;      // placeholders after the decimal point
    int decimalZeros = 0;  // of those, up to the last "0"
    bool thousands = false;
    bool exponent = false;
    bool exponentSignAlways = false;
    int exponentDigits = 0;
    bool placeholders = false;
};

bool IsPlaceholder(char c) { return c == '0' || c == '#'; }

// Skips a quoted literal starting at I; answers whether there was one.
bool SkipQuoted(const std::string& section, size_t& i)
{
    if (section[i] != '"' && section[i] != '\'') return false;
    const size_t end = section.find(section[i], i + 1);
    i = end == std::string::npos ? section.size() : end + 1;
    return true;
}

bool ExponentAt(const std::string& section, size_t i)
{
    return (section[i] == 'E' || section[i] == 'e') && i + 1 < section.size() && (section[i + 1] == '+' || section[i + 1] == '-');
}

TPicture ReadPicture(const std::string& section)
{
    TPicture picture;
    bool afterPoint = false, zeroSeen = false;
    for (size_t i = 0; i < section.size();) {
        if (SkipQuoted(section, i)) continue;
        const char c = section[i];
        if (ExponentAt(section, i) && picture.placeholders && !picture.exponent) {
            picture.exponent = true;
            picture.exponentSignAlways = section[i + 1] == '+';
            i += 2;
            while (i < section.size() && section[i] == '0') ++picture.exponentDigits, ++i;
            continue;
        }
        if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else if (c == ',' && !afterPoint) {
            picture.thousands = true;
        } else if (IsPlaceholder(c) && !picture.exponent) {
            picture.placeholders = true;
            if (afterPoint) {
                ++picture.decimals;
                if (c == '0') picture.decimalZeros = picture.decimals;
            } else if (c == '0' || zeroSeen) {
                zeroSeen = true;
                ++picture.integerZeros;
            }
        }
        ++i;
    }
    return picture;
}

std::vector<std::string> Sections(const std::string& format)
{
    std::vector<std::string> sections(1);
    for (size_t i = 0; i < format.size();) {
        const size_t start = i;
        if (SkipQuoted(format, i)) {
            sections.back() += format.substr(start, i - start);
        } else if (format[i] == ';') {
            sections.emplace_back();
            ++i;
        } else {
            sections.back() += format[i++];
        }
    }
    return sections;
}

}

std::string FormatFloat(const std::string& format, double value)
{
    if (format.empty()) return FloatToStr(value);
    const auto sections = Sections(format);
    std::string section = sections[0];
    bool sign = value < 0;
    if (value < 0 && sections.size() > 1 && !sections[1].empty()) {
        section = sections[1];
        sign = false;
    } else if (value == 0 && sections.size() > 2 && !sections[2].empty()) {
        section = sections[2];
    }
    const TPicture picture = ReadPicture(section);

    // The digits: integer part, decimals and exponent.
    double magnitude = std::fabs(value);
    std::string exponentText;
    if (picture.exponent) {
        int exponent = 0;
        magnitude = Mantissa(magnitude, picture.decimals, exponent);
        exponentText = ExponentText(exponent, picture.exponentDigits, picture.exponentSignAlways);
    }
    char fixed[400];
    std::snprintf(fixed, sizeof fixed, "%.*f", picture.decimals, magnitude);
    std::string text = fixed;
    const size_t point = text.find('.');
    std::string integer = text.substr(0, point);
    std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
    while (static_cast<int>(decimals.size()) > picture.decimalZeros && decimals.back() == '0') decimals.pop_back();
    if (integer == "0" && picture.integerZeros == 0) integer.clear();
    if (static_cast<int>(integer.size()) < picture.integerZeros) integer.insert(0, picture.integerZeros - integer.size(), '0');
    if (picture.thousands && !integer.empty()) integer = InsertThousandSeparators(integer);
    if (sign && std::strtod(fixed, nullptr) == 0) sign = false;  // no "-0"

    std::string result = sign ? "-" : "";
    bool integerDone = false, decimalsDone = false, afterPoint = false, exponentDone = false;
    for (size_t i = 0; i < section.size();) {
        const size_t start = i;
        if (SkipQuoted(section, i)) {
            const bool closed = i - start >= 2 && section[i - 1] == section[start];
            result += section.substr(start + 1, (closed ? i - 1 : i) - start - 1);
            continue;
        }
        const char c = section[i];
        if (picture.exponent && !exponentDone && ExponentAt(section, i)) {
            result += section[i];
            result += exponentText;
            exponentDone = true;
            i += 2;
            while (i < section.size() && section[i] == '0') ++i;
            continue;
        }
        if (c == '.' && !afterPoint) {
            afterPoint = true;
            if (!integerDone) result += integer, integerDone = true;
            if (!decimals.empty()) result += FormatSettings().DecimalSeparator;
        } else if (IsPlaceholder(c) && !exponentDone) {
            if (!afterPoint && !integerDone) result += integer, integerDone = true;
            if (afterPoint && !decimalsDone) result += decimals, decimalsDone = true;
        } else if (!(c == ',' && !afterPoint)) {
            result += c;
        }
        ++i;
    }
    return result;
}
