#include "DateTimes.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "Exceptions.h"
#include "SysUtils.h"

namespace {

constexpr double kMillisecondsPerDay = 86400000.0;
// Day number of 30 December 1899 counted from 1 March of year 0.
constexpr long kEpochDays = 693899;

long DaysFromCivil(long y, long m, long d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

void CivilFromDays(long z, int& year, int& month, int& day)
{
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

bool ValidDate(int year, int month, int day)
{
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

long MillisecondOfDay(TDateTime value)
{
    double fraction = std::fabs(value - std::trunc(value));
    return std::lround(fraction * kMillisecondsPerDay);
}

struct Numbers {
    std::vector<int> values;
    bool pm = false, am = false;
};

// The numbers of a date or time text, and an AM/PM designator if any;
// anything else but blanks and the locale's separators makes it unreadable.
bool ScanNumbers(const std::string& text, Numbers& numbers)
{
    const TFormatSettings& fs = FormatSettings();
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            int v = 0;
            size_t digits = 0;
            for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 5; ++i, ++digits)
                v = v * 10 + (text[i] - '0');
            numbers.values.push_back(v);
        } else if (AnsiSameText(text.substr(i, 2), "AM") || AnsiSameText(text.substr(i, 2), "PM")) {
            (toupper(static_cast<unsigned char>(c)) == 'A' ? numbers.am : numbers.pm) = true;
            i += 2;
        } else if (c == ' ' || c == fs.DateSeparator || c == fs.TimeSeparator || c == '/' || c == ':' ||
                   c == '.' || c == '-') {
            ++i;
        } else {
            return false;
        }
    }
    return true;
}

bool DateFromNumbers(const std::vector<int>& v, TDateTime& value)
{
    if (v.size() != 3) return false;
    // Day, month and year stand in the order of the short date format.
    const std::string& format = FormatSettings().ShortDateFormat;
    size_t d = format.find('d'), m = format.find('M'), y = format.find('y');
    int day, month, year;
    if (y < m && y < d) {
        year = v[0];
        month = m < d ? v[1] : v[2];
        day = m < d ? v[2] : v[1];
    } else {
        year = v[2];
        month = m < d ? v[0] : v[1];
        day = m < d ? v[1] : v[0];
    }
    if (year < 100) year += year < 50 ? 2000 : 1900;
    if (!ValidDate(year, month, day)) return false;
    value = EncodeDate(year, month, day);
    return true;
}

bool TimeFromNumbers(const Numbers& n, TDateTime& value)
{
    if (n.values.size() < 2 || n.values.size() > 4) return false;
    int hour = n.values[0];
    const int minute = n.values[1];
    const int second = n.values.size() > 2 ? n.values[2] : 0;
    const int ms = n.values.size() > 3 ? n.values[3] : 0;
    if (n.am || n.pm) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + (n.pm ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59 || ms > 999) return false;
    value = EncodeTime(hour, minute, second, ms);
    return true;
}

[[noreturn]] void NotValid(const std::string& text, const char* kind)
{
    throw EConvertError("'" + text + "' is not a valid " + kind);
}

}

TDateTime EncodeDate(int year, int month, int day)
{
    if (!ValidDate(year, month, day)) throw EConvertError("Invalid argument to date encode");
    return static_cast<double>(DaysFromCivil(year, month, day) - kEpochDays);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond)
{
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        throw EConvertError("Invalid argument to time encode");
    return ((hour * 60.0 + minute) * 60.0 + second + millisecond / 1000.0) / 86400.0;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day)
{
    long days = static_cast<long>(std::floor(value));
    if (MillisecondOfDay(value) >= 86400000) ++days;
    CivilFromDays(days + kEpochDays, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond)
{
    long ms = MillisecondOfDay(value) % 86400000;
    hour = static_cast<int>(ms / 3600000);
    minute = static_cast<int>(ms / 60000 % 60);
    second = static_cast<int>(ms / 1000 % 60);
    millisecond = static_cast<int>(ms % 1000);
}

std::string FormatDateTime(const std::string& format, TDateTime value)
{
    int year, month, day, hour, minute, second, ms;
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, minute, second, ms);
    std::string out;
    char number[16];
    for (size_t i = 0; i < format.size();) {
        const char c = format[i];
        size_t run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        auto put = [&](int v, bool twoDigits) {
            std::snprintf(number, sizeof number, twoDigits ? "%02d" : "%d", v);
            out += number;
        };
        switch (c) {
        case 'd': put(day, run >= 2); break;
        case 'M': put(month, run >= 2); break;
        case 'y': run >= 3 ? put(year, false) : put(year % 100, true); break;
        case 'h': put(hour % 12 == 0 ? 12 : hour % 12, run >= 2); break;
        case 'H': put(hour, run >= 2); break;
        case 'm': put(minute, run >= 2); break;
        case 's': put(second, run >= 2); break;
        case 't': out += (hour < 12 ? "AM" : "PM"); break;
        case '\'': {
            size_t end = format.find('\'', i + 1);
            out += format.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            run = end == std::string::npos ? format.size() - i : end - i + 1;
            break;
        }
        default: out.append(run, c); break;
        }
        i += run;
    }
    return out;
}

std::string DateToStr(TDateTime value)
{
    return FormatDateTime(FormatSettings().ShortDateFormat, value);
}

std::string TimeToStr(TDateTime value)
{
    return FormatDateTime(FormatSettings().LongTimeFormat, value);
}

std::string DateTimeToStr(TDateTime value)
{
    std::string text = DateToStr(value);
    if (MillisecondOfDay(value) != 0) text += " " + TimeToStr(value);
    return text;
}

bool TryStrToDate(const std::string& text, TDateTime& value)
{
    Numbers n;
    return ScanNumbers(text, n) && !n.am && !n.pm && DateFromNumbers(n.values, value);
}

bool TryStrToTime(const std::string& text, TDateTime& value)
{
    Numbers n;
    return ScanNumbers(text, n) && TimeFromNumbers(n, value);
}

bool TryStrToDateTime(const std::string& text, TDateTime& value)
{
    Numbers n;
    if (!ScanNumbers(text, n) || n.values.size() < 3) return false;
    Numbers time = n;
    time.values.assign(n.values.begin() + 3, n.values.end());
    TDateTime date = 0, clock = 0;
    if (!DateFromNumbers({n.values.begin(), n.values.begin() + 3}, date)) return false;
    if (!time.values.empty() && !TimeFromNumbers(time, clock)) return false;
    value = date + (date < 0 ? -clock : clock);
    return true;
}

TDateTime StrToDate(const std::string& text)
{
    TDateTime value;
    if (!TryStrToDate(text, value)) NotValid(text, "date");
    return value;
}

TDateTime StrToTime(const std::string& text)
{
    TDateTime value;
    if (!TryStrToTime(text, value)) NotValid(text, "time");
    return value;
}

TDateTime StrToDateTime(const std::string& text)
{
    TDateTime value;
    if (!TryStrToDateTime(text, value)) NotValid(text, "date and time");
    return value;
}
