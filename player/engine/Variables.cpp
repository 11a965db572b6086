#include "Variables.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tvmplayer {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

}

bool Variables::Caseless::operator()(const std::string& a, const std::string& b) const
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

void Variables::Set(const std::string& name, const std::string& value)
{
    values_[name] = value;
}

std::optional<std::string> Variables::Get(const std::string& name) const
{
    auto found = values_.find(name);
    if (found == values_.end())
        return std::nullopt;
    return found->second;
}

void Variables::SetFromQuery(std::string_view query)
{
    for (const auto& [name, value] : ParseQuery(query)) Set(name, value);
}

std::vector<std::pair<std::string, std::string>> ParseQuery(std::string_view query)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    while (!query.empty()) {
        size_t end = query.find('&');
        std::string_view pair = query.substr(0, end);
        query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
        if (pair.empty())
            continue;
        size_t equals = pair.find('=');
        std::string_view name = pair.substr(0, equals);
        std::string_view value = equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        pairs.emplace_back(UrlDecode(name), UrlDecode(value));
    }
    return pairs;
}

std::string UrlDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        int high = -1, low = -1;
        if (text[i] == '%' && i + 2 < text.size() && (high = HexDigit(text[i + 1])) >= 0
            && (low = HexDigit(text[i + 2])) >= 0) {
            out += static_cast<char>(high << 4 | low);
            i += 2;
        } else {
            out += text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

std::string UrlEscape(std::string_view text)
{
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c)) {
            out += static_cast<char>(c);
        } else {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", c);
            out += buffer;
        }
    }
    return out;
}

}
