#include "ActionText.h"

#include <algorithm>

namespace tvmplayer {
namespace {

// The bounds [from, to) of count items from start in a text of size items.
void Clamp(double size, double start, double count, size_t& from, size_t& to)
{
    double begin = std::clamp(start, 0.0, size);
    double end = count < 0 ? size : std::clamp(begin + count, begin, size);
    from = static_cast<size_t>(begin);
    to = static_cast<size_t>(end);
}

}

std::u32string Utf8Decode(const std::string& text)
{
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) {
            // A byte that starts no sequence stands for itself, as Latin-1.
            out.push_back(lead);
            ++i;
            continue;
        }
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            valid = valid && (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        if (!valid) {
            out.push_back(lead);
            ++i;
            continue;
        }
        out.push_back(code);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string Utf8FromCode(uint32_t code)
{
    std::string out;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        code = std::min<uint32_t>(code, 0x10FFFF);
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    return out;
}

std::string Utf8Encode(const std::u32string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t code : text) out += Utf8FromCode(code);
    return out;
}

size_t Utf8Length(const std::string& text)
{
    return Utf8Decode(text).size();
}

uint32_t Utf8CodeAt(const std::string& text, size_t index)
{
    std::u32string codes = Utf8Decode(text);
    return index < codes.size() ? codes[index] : 0;
}

std::string Utf8Substring(const std::string& text, double start, double count)
{
    std::u32string codes = Utf8Decode(text);
    size_t from, to;
    Clamp(static_cast<double>(codes.size()), start, count, from, to);
    return Utf8Encode(codes.substr(from, to - from));
}

std::string ExtractBytes(const std::string& text, double start, double count)
{
    size_t from, to;
    Clamp(static_cast<double>(text.size()), start, count, from, to);
    return text.substr(from, to - from);
}

}
