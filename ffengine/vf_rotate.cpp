#include "vf_rotate.h"

#include "SysUtils.h"

#include <cctype>

namespace {

constexpr int DefaultAngle = 45;

bool IsWholeNumber(const std::string& text)
{
    size_t digits = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (digits == text.size()) return false;
    for (size_t i = digits; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

std::string RotateFilters(int angle)
{
    std::string radians = Format("%d*PI/180", angle);
    return Format("rotate=a=%s:ow=floor(rotw(%s)):oh=floor(roth(%s)):c=black,setsar=sar=1/sar", radians, radians,
                  radians);
}

bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Translates one filter with its link labels ("[in] rotate=90 [out]").
std::string TranslateFilter(const std::string& filter)
{
    size_t begin = 0;
    while (begin < filter.size() && (IsBlank(filter[begin]) || filter[begin] == '[')) {
        if (filter[begin] == '[') {
            size_t close = filter.find(']', begin);
            if (close == std::string::npos) return filter;
            begin = close;
        }
        ++begin;
    }
    size_t end = filter.size();
    while (end > begin && (IsBlank(filter[end - 1]) || filter[end - 1] == ']')) {
        if (filter[end - 1] == ']') {
            size_t open = filter.rfind('[', end - 1);
            if (open == std::string::npos || open < begin) return filter;
            end = open + 1;
        }
        --end;
    }
    std::string body = filter.substr(begin, end - begin);
    size_t equals = body.find('=');
    std::string name = body.substr(0, equals);
    std::string value = equals == std::string::npos ? "" : body.substr(equals + 1);
    if (name != "rotate") return filter;
    int angle = DefaultAngle;
    if (equals != std::string::npos && (!IsWholeNumber(value) || !TryStrToInt(value, angle))) return filter;
    return filter.substr(0, begin) + RotateFilters(angle) + filter.substr(end);
}

}

std::string TranslateRotateFilter(const std::string& filterGraph)
{
    // Filters end at "," or ";" outside quotes, escapes and link labels.
    std::string result;
    std::string filter;
    bool quoted = false;
    bool label = false;
    for (size_t i = 0; i < filterGraph.size(); ++i) {
        char c = filterGraph[i];
        if (!quoted && !label && (c == ',' || c == ';')) {
            result += TranslateFilter(filter) + c;
            filter.clear();
            continue;
        }
        filter += c;
        if (c == '\\' && i + 1 < filterGraph.size()) {
            filter += filterGraph[++i];
        } else if (c == '\'') {
            quoted = !quoted;
        } else if (!quoted && (c == '[' || c == ']')) {
            label = c == '[';
        }
    }
    return result + TranslateFilter(filter);
}
