// Reads an INI text of many sections, every tenth repeating an earlier name
// in other letter case, and prints how long falling into sections and
// dropping the repeats took. A measurement, not a test.
//
//   ini_sections_benchmark [sections]    default 100000
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzText.h"
#include "IniText.h"

int main(int argc, char** argv)
{
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
    std::string text;
    for (long i = 0; i < count; ++i) {
        const std::string name = i % 10 == 9 ? "SECTION" + std::to_string(i - 5) : "Section" + std::to_string(i);
        text += "[" + name + "]\r\nkey=" + std::to_string(i) + "\r\n";
    }
    const auto start = std::chrono::steady_clock::now();
    bool dropped = false;
    const size_t kept = ParseIniText(text, AsciiSameText, AsciiTextHash, dropped).size();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%ld sections (%zu KB): %zu kept, %zu repeats dropped, %.1f ms\n", count, text.size() / 1024, kept,
                static_cast<size_t>(count) - kept, took.count());
    return dropped == (kept < static_cast<size_t>(count)) ? 0 : 1;
}
