#pragma once
// Dates and times as day numbers (days since 30 December 1899, the time of
// day as the fraction), and their text in the locale's formats.
#include <string>

using TDateTime = double;

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// Value in a Windows format string: d dd M MM yy yyyy h hh H HH m mm s ss
// t tt, 'quoted text' and anything else as it stands.
std::string FormatDateTime(const std::string& format, TDateTime value);

// The locale's short date and long time formats; the time is left out of
// DateTimeToStr at midnight.
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
std::string DateTimeToStr(TDateTime value);

// Text in those formats; EConvertError when it is not a date or time.
TDateTime StrToDate(const std::string& text);
TDateTime StrToTime(const std::string& text);
TDateTime StrToDateTime(const std::string& text);
bool TryStrToDate(const std::string& text, TDateTime& value);
bool TryStrToTime(const std::string& text, TDateTime& value);
bool TryStrToDateTime(const std::string& text, TDateTime& value);
