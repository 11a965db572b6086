#include "uxStrUtils.h"

#include <algorithm>

std::string ReplaceSubstring(const std::string& s, const std::string& search, const std::string& replacement)
{
    if (search.empty()) return s;
    std::string result;
    size_t from = 0;
    for (size_t at; (at = s.find(search, from)) != std::string::npos; from = at + search.size())
        result.append(s, from, at - from).append(replacement);
    return result.append(s, from, std::string::npos);
}

std::string RemoveChars(const std::string& s, char ch)
{
    std::string result = s;
    result.erase(std::remove(result.begin(), result.end(), ch), result.end());
    return result;
}

std::string TrimLeadingBlanks(const std::string& s)
{
    size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string TrimTrailingBlanks(const std::string& s)
{
    size_t last = s.find_last_not_of(' ');
    return last == std::string::npos ? std::string() : s.substr(0, last + 1);
}

std::string TrimBlanks(const std::string& s)
{
    return TrimLeadingBlanks(TrimTrailingBlanks(s));
}

std::string RepeatChar(char ch, int count)
{
    return count > 0 ? std::string(static_cast<size_t>(count), ch) : std::string();
}
