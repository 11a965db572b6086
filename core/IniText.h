#pragma once
// The text of INI files, free of any system call: how a file's text falls
// into sections of lines, which key a line names, where a value's comment
// starts and how values read as numbers. The INI classes keep their
// sections by it, and readers of outside files share it on every platform.
#include <cstdint>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Compares section and key names; the INI classes pass the locale's
// case-insensitive comparison.
using TIniSameText = std::function<bool(std::string_view, std::string_view)>;
// Hashes a name for that comparison: names it calls the same must hash the
// same, so that a file's sections are told apart without comparing each
// with all before it.
using TIniNameHash = std::function<size_t(std::string_view)>;

// Where a value's comment starts.
constexpr char kIniCommentMark[] = " //";

struct TIniSection {
    std::string Name;
    std::vector<std::string> Lines;  // "key=value" lines, as they stand
};

// The sections of Text in file order, each with its lines; empty lines and
// lines before the first section are left out. Of sections with the same
// name the first in the text is kept: Dropped tells whether any other was.
std::vector<TIniSection> ParseIniText(const std::string& text, const TIniSameText& same, const TIniNameHash& hash,
                                      bool& dropped);

// Whether Line's text before its first "=" is Ident.
bool IniLineHasKey(const std::string& line, const std::string& ident, const TIniSameText& same);

// The first of Count lines (Line(i) answers each) that names Ident, or -1.
template <class LineAt>
int FindIniKey(int count, LineAt line, const std::string& ident, const TIniSameText& same)
{
    for (int i = 0; i < count; ++i)
        if (IniLineHasKey(line(i), ident, same)) return i;
    return -1;
}

// The text after a line's first "=".
std::string IniLineValue(const std::string& line);
// A value without its comment (from " //" on), trimmed when it had one.
std::string CutIniComment(const std::string& value);
// The comment of a value (after " //"); False when it has none.
bool FindIniComment(const std::string& value, std::string& comment);
// One to eight hexadecimal digits.
bool ParseIniHex(const std::string& text, uint32_t& value);
// "0x" and hexadecimal digits, else StrToInt's grammar.
bool ParseIniInteger(const std::string& text, int32_t& value);

// A whole INI text read as the INI classes read their files: a key that is
// missing, or whose value does not read, answers the default.
class TIniText {
public:
    // Separator: the decimal separator floats are written with.
    TIniText(const std::string& text, TIniSameText same, const TIniNameHash& hash, char separator);

    const std::vector<TIniSection>& Sections() const { return sections_; }

    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) const;
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t def) const;
    bool ReadBool(const std::string& section, const std::string& ident, bool def) const;
    double ReadFloat(const std::string& section, const std::string& ident, double def) const;

private:
    TIniSameText same_;
    char separator_;
    std::vector<TIniSection> sections_;
};
