#include "NumberParse.h"

#include <cmath>
#include <cstdlib>

namespace {

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Checks the float grammar and turns it into the C runtime's form.
bool NormalizeFloatText(const std::string& s, char separator, std::string& normalized)
{
    std::string text = TrimSpaceAndControls(s);
    size_t i = 0;
    auto digits = [&] {
        size_t from = i;
        while (i < text.size() && IsDigit(text[i])) normalized += text[i++];
        return i - from;
    };
    auto sign = [&] {
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) normalized += text[i++];
    };
    normalized.clear();
    sign();
    size_t mantissaDigits = digits();
    if (i < text.size() && text[i] == separator) {
        normalized += '.';
        ++i;
        mantissaDigits += digits();
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        normalized += text[i++];
        sign();
        if (digits() == 0) return false;
    }
    return i == text.size();
}

}

std::string TrimSpaceAndControls(std::string_view text)
{
    size_t first = 0;
    size_t end = text.size();
    while (first < end && IsBlankOrControl(text[first])) ++first;
    while (end > first && IsBlankOrControl(text[end - 1])) --end;
    return std::string(text.substr(first, end - first));
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseIntegerText(std::string_view text, int bits, int64_t& value)
{
    std::string trimmed = TrimSpaceAndControls(text);
    std::string_view s = trimmed;
    bool negative = !s.empty() && s[0] == '-';
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.remove_prefix(1);
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return false;
    uint64_t limit = base == 16 ? (bits == 64 ? ~0ull : (1ull << bits) - 1)
                                : (1ull << (bits - 1)) - (negative ? 0 : 1);
    uint64_t magnitude = 0;
    for (char c : s) {
        int digit = HexDigitValue(c);
        if (digit < 0 || digit >= base) return false;
        if (magnitude > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) return false;
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (negative) magnitude = 0 - magnitude;
    // Narrow to the width first, so that hex $FFFFFFFF reads as -1 in 32 bits.
    value = bits == 64 ? static_cast<int64_t>(magnitude) : static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    return true;
}

bool ParseFloatText(const std::string& text, char separator, double& value)
{
    std::string normalized;
    if (!NormalizeFloatText(text, separator, normalized)) return false;
    double parsed = std::strtod(normalized.c_str(), nullptr);
    if (!std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}
