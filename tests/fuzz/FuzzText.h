#pragma once
// Name comparison for the fuzz targets of text formats. The INI classes
// compare section and key names in the locale, case-insensitively: ASCII
// letters stand for that here.
#include <algorithm>
#include <string_view>

inline bool AsciiSameText(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        return lower(x) == lower(y);
    });
}
