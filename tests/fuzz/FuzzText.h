#pragma once
// Name comparison for the fuzz targets of text formats. The INI classes
// compare section and key names in the locale, case-insensitively: ASCII
// letters stand for that here.
#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

inline char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

inline bool AsciiSameText(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

inline size_t AsciiTextHash(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
    return std::hash<std::string>{}(lower);
}
