// Any bytes as the text of an INI file: the text must fall into sections
// and lines without a crash, every key must read back what its line holds,
// and each value must read as a number or not without reading outside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzText.h"
#include "IniText.h"
#include "NumberParse.h"

namespace {

volatile double sink;

// Every look-up walks the sections: the first keys of a text tell as much.
constexpr size_t kKeysRead = 16;

void ReadValues(const TIniText& ini, const TIniSection& section, size_t& read)
{
    for (const std::string& line : section.Lines) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos || ++read > kKeysRead) continue;
        const std::string key = line.substr(0, eq);
        const int first = FindIniKey(static_cast<int>(section.Lines.size()),
                                     [&](int i) -> const std::string& { return section.Lines[size_t(i)]; }, key, AsciiSameText);
        if (first < 0) std::abort();
        const std::string value = CutIniComment(IniLineValue(section.Lines[size_t(first)]));
        if (ini.ReadString(section.Name, key, "\x01") != value) std::abort();
        std::string comment;
        if (!FindIniComment(IniLineValue(line), comment) && CutIniComment(IniLineValue(line)) != IniLineValue(line))
            std::abort();
        // A number that reads is answered, and written back reads the same.
        int32_t number;
        if (ParseIniInteger(value, number)) {
            if (ini.ReadInteger(section.Name, key, 7) != number) std::abort();
            int32_t again;
            if (!ParseIniInteger(std::to_string(number), again) || again != number) std::abort();
        }
        sink = ini.ReadFloat(section.Name, key, 0.5) + ini.ReadBool(section.Name, key, false);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TIniText ini(text, AsciiSameText, AsciiTextHash, '.');
    const auto& sections = ini.Sections();
    size_t read = 0;
    for (size_t i = 0; i < sections.size(); ++i) {
        for (size_t j = 0; j < i; ++j)
            if (AsciiSameText(sections[i].Name, sections[j].Name)) std::abort();
        for (const std::string& line : sections[i].Lines)
            if (line.empty() || line.find_first_of("\r\n") != std::string::npos) std::abort();
        ReadValues(ini, sections[i], read);
    }
    return 0;
}
