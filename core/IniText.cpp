#include "IniText.h"

#include <algorithm>
#include <unordered_map>

#include "NumberParse.h"

namespace {

constexpr char kEndOfFile = 26;

}

std::vector<TIniSection> ParseIniText(const std::string& text, const TIniSameText& same, const TIniNameHash& hash,
                                      bool& dropped)
{
    std::vector<TIniSection> sections;
    dropped = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (line.empty() || (line.size() == 1 && line[0] == kEndOfFile)) continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2)
            sections.push_back({line.substr(1, line.size() - 2), {}});
        else if (!sections.empty())
            sections.back().Lines.push_back(std::move(line));
    }
    std::vector<TIniSection> kept;
    std::unordered_multimap<size_t, size_t> keptByHash;
    keptByHash.reserve(sections.size());
    for (TIniSection& section : sections) {
        const size_t key = hash(section.Name);
        const auto [first, last] = keptByHash.equal_range(key);
        if (std::any_of(first, last, [&](const auto& entry) { return same(section.Name, kept[entry.second].Name); })) {
            dropped = true;
            continue;
        }
        keptByHash.emplace(key, kept.size());
        kept.push_back(std::move(section));
    }
    return kept;
}

bool IniLineHasKey(const std::string& line, const std::string& ident, const TIniSameText& same)
{
    const size_t eq = line.find('=');
    return eq != std::string::npos && same(std::string_view(line).substr(0, eq), ident);
}

std::string IniLineValue(const std::string& line)
{
    return line.substr(line.find('=') + 1);
}

std::string CutIniComment(const std::string& value)
{
    const size_t mark = value.find(kIniCommentMark);
    return mark == std::string::npos ? value : TrimSpaceAndControls(value.substr(0, mark));
}

bool FindIniComment(const std::string& value, std::string& comment)
{
    const size_t mark = value.find(kIniCommentMark);
    if (mark == std::string::npos) return false;
    comment = value.substr(mark + sizeof kIniCommentMark - 1);
    return true;
}

bool ParseIniHex(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

bool ParseIniInteger(const std::string& text, int32_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        uint32_t hex;
        if (!ParseIniHex(text.substr(2), hex)) return false;
        value = static_cast<int32_t>(hex);
        return true;
    }
    int64_t parsed;
    if (!ParseIntegerText(text, 32, parsed)) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

TIniText::TIniText(const std::string& text, TIniSameText same, const TIniNameHash& hash, char separator)
    : same_(std::move(same)), separator_(separator)
{
    bool dropped;
    sections_ = ParseIniText(text, same_, hash, dropped);
}

std::string TIniText::ReadString(const std::string& section, const std::string& ident, const std::string& def) const
{
    for (const TIniSection& candidate : sections_) {
        if (!same_(candidate.Name, section)) continue;
        const auto& lines = candidate.Lines;
        const int index = FindIniKey(static_cast<int>(lines.size()), [&](int i) -> const std::string& { return lines[size_t(i)]; }, ident, same_);
        return index < 0 ? def : CutIniComment(IniLineValue(lines[size_t(index)]));
    }
    return def;
}

int32_t TIniText::ReadInteger(const std::string& section, const std::string& ident, int32_t def) const
{
    int32_t value;
    return ParseIniInteger(ReadString(section, ident, ""), value) ? value : def;
}

bool TIniText::ReadBool(const std::string& section, const std::string& ident, bool def) const
{
    return ReadInteger(section, ident, def ? 1 : 0) != 0;
}

double TIniText::ReadFloat(const std::string& section, const std::string& ident, double def) const
{
    double value;
    return ParseFloatText(ReadString(section, ident, ""), separator_, value) ? value : def;
}
