#include "SysUtils.h"

#include "Exceptions.h"
#include "NumberParse.h"
#include "NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

// ---- Files and folders ----

namespace {

DWORD AttributesOf(const std::string& path)
{
    return GetFileAttributesA(path.c_str());
}

// Position of the last of Delimiters in S, or npos.
size_t LastDelimiter(std::string_view delimiters, const std::string& s)
{
    return s.find_last_of(delimiters);
}

bool IsExcluded(DWORD attributes, const TSearchRec& rec)
{
    return (attributes & rec.ExcludeAttr) != 0;
}

void TakeFound(const WIN32_FIND_DATAA& data, TSearchRec& rec)
{
    rec.Name = data.cFileName;
    rec.Size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    rec.Attr = data.dwFileAttributes;
    rec.LastWriteTime = data.ftLastWriteTime;
}

// Moves on from the current entry (already in Data) to the first one that
// the search's attributes allow.
int SkipExcluded(WIN32_FIND_DATAA& data, TSearchRec& rec)
{
    while (IsExcluded(data.dwFileAttributes, rec)) {
        if (!FindNextFileA(rec.FindHandle, &data)) return static_cast<int>(GetLastError());
    }
    TakeFound(data, rec);
    return 0;
}

}

bool FileExists(const std::string& fileName)
{
    DWORD attributes = AttributesOf(fileName);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& dir)
{
    DWORD attributes = AttributesOf(dir);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& dir)
{
    return CreateDirectoryA(dir.c_str(), nullptr) != 0;
}

bool ForceDirectories(const std::string& dir)
{
    std::string path = ExcludeTrailingPathDelimiter(dir);
    if (path.empty()) return false;
    if (DirectoryExists(path)) return true;
    std::string parent = ExtractFileDir(path);
    if (!parent.empty() && parent != path && !ForceDirectories(parent)) return false;
    return CreateDir(path) || DirectoryExists(path);
}

bool DeleteFile(const std::string& fileName)
{
    return DeleteFileA(fileName.c_str()) != 0;
}

int64_t FileSize(const std::string& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(fileName.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string ExtractFilePath(const std::string& fileName)
{
    size_t end = LastDelimiter("\\:", fileName);
    return end == std::string::npos ? std::string() : fileName.substr(0, end + 1);
}

std::string ExtractFileDir(const std::string& fileName)
{
    size_t end = LastDelimiter("\\:", fileName);
    if (end == std::string::npos) return std::string();
    // "C:\" and "\\" keep their delimiter: without it they would name something else.
    bool keepDelimiter = end == 0 || fileName[end] != '\\' || fileName[end - 1] == '\\' || fileName[end - 1] == ':';
    return fileName.substr(0, keepDelimiter ? end + 1 : end);
}

std::string ExtractFileName(const std::string& fileName)
{
    size_t end = LastDelimiter("\\:", fileName);
    return end == std::string::npos ? fileName : fileName.substr(end + 1);
}

std::string ExtractFileExt(const std::string& fileName)
{
    size_t dot = LastDelimiter(".\\:", fileName);
    return dot != std::string::npos && fileName[dot] == '.' ? fileName.substr(dot) : std::string();
}

std::string ExtractFileDrive(const std::string& fileName)
{
    if (fileName.size() >= 2 && fileName[1] == ':') return fileName.substr(0, 2);
    if (fileName.rfind("\\\\", 0) == 0) {
        size_t serverEnd = fileName.find('\\', 2);
        if (serverEnd == std::string::npos) return fileName;
        size_t shareEnd = fileName.find('\\', serverEnd + 1);
        return fileName.substr(0, shareEnd);
    }
    return std::string();
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension)
{
    size_t dot = LastDelimiter(".\\:", fileName);
    size_t stemEnd = dot != std::string::npos && fileName[dot] == '.' ? dot : fileName.size();
    return fileName.substr(0, stemEnd) + extension;
}

std::string ExpandFileName(const std::string& fileName)
{
    DWORD needed = GetFullPathNameA(fileName.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return fileName;
    std::string full(needed, '\0');
    DWORD n = GetFullPathNameA(fileName.c_str(), needed, full.data(), nullptr);
    full.resize(n < needed ? n : 0);
    return full.empty() ? fileName : full;
}

std::string IncludeTrailingPathDelimiter(const std::string& path)
{
    return !path.empty() && path.back() == PathDelim ? path : path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path)
{
    return !path.empty() && path.back() == PathDelim ? path.substr(0, path.size() - 1) : path;
}

TSearchRec::~TSearchRec()
{
    FindClose(*this);
}

int FindFirst(const std::string& pattern, DWORD attr, TSearchRec& rec)
{
    FindClose(rec);
    rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
    WIN32_FIND_DATAA data;
    rec.FindHandle = FindFirstFileA(pattern.c_str(), &data);
    if (rec.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    int result = SkipExcluded(data, rec);
    if (result != 0) FindClose(rec);
    return result;
}

int FindNext(TSearchRec& rec)
{
    WIN32_FIND_DATAA data;
    if (rec.FindHandle == INVALID_HANDLE_VALUE) return ERROR_NO_MORE_FILES;
    if (!FindNextFileA(rec.FindHandle, &data)) return static_cast<int>(GetLastError());
    return SkipExcluded(data, rec);
}

void FindClose(TSearchRec& rec)
{
    if (rec.FindHandle != INVALID_HANDLE_VALUE) ::FindClose(rec.FindHandle);
    rec.FindHandle = INVALID_HANDLE_VALUE;
}

// ---- Text ----

std::string AnsiLowerCase(const std::string& s)
{
    std::string result = s;
    if (!result.empty()) CharLowerBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

std::string AnsiUpperCase(const std::string& s)
{
    std::string result = s;
    if (!result.empty()) CharUpperBuffA(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

std::string LowerCase(const std::string& s)
{
    std::string result = s;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string UpperCase(const std::string& s)
{
    std::string result = s;
    for (char& c : result)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return result;
}

namespace {

int CompareWithLocale(const std::string& a, const std::string& b, DWORD flags)
{
    int result = CompareStringA(LOCALE_USER_DEFAULT, flags, a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()));
    return result - CSTR_EQUAL;
}

bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

}

int AnsiCompareStr(const std::string& a, const std::string& b)
{
    return CompareWithLocale(a, b, 0);
}

int AnsiCompareText(const std::string& a, const std::string& b)
{
    return CompareWithLocale(a, b, NORM_IGNORECASE);
}

bool AnsiSameText(const std::string& a, const std::string& b)
{
    return AnsiCompareText(a, b) == 0;
}

size_t AnsiTextHash(std::string_view text)
{
    // The locale's sort keys compare as its comparison does, with the same
    // flags; characters it ignores or folds together leave the same key. An
    // empty length is refused, so the empty text goes by its terminator.
    const std::string whole(text);
    const int length = whole.empty() ? -1 : static_cast<int>(whole.size());
    constexpr DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int size = LCMapStringA(LOCALE_USER_DEFAULT, flags, whole.c_str(), length, nullptr, 0);
    std::string key(static_cast<size_t>(std::max(size, 0)), '\0');
    if (size > 0) LCMapStringA(LOCALE_USER_DEFAULT, flags, whole.c_str(), length, key.data(), size);
    return std::hash<std::string>{}(key);
}

std::string TrimLeft(const std::string& s)
{
    size_t first = 0;
    while (first < s.size() && IsBlankOrControl(s[first])) ++first;
    return s.substr(first);
}

std::string TrimRight(const std::string& s)
{
    size_t end = s.size();
    while (end > 0 && IsBlankOrControl(s[end - 1])) --end;
    return s.substr(0, end);
}

std::string WideToMultiByte(UINT codePage, std::wstring_view text)
{
    if (text.empty()) return {};
    int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(n, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), n, nullptr, nullptr);
    return result;
}

std::wstring MultiByteToWide(UINT codePage, std::string_view text)
{
    if (text.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(n, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), n);
    return result;
}

std::string WideToAnsi(const std::wstring& text)
{
    return WideToMultiByte(CP_ACP, text);
}

std::wstring AnsiToWide(const std::string& text)
{
    return MultiByteToWide(CP_ACP, text);
}

std::string Trim(const std::string& s)
{
    return TrimSpaceAndControls(s);
}

// ---- Numbers ----

namespace {

[[noreturn]] void InvalidInteger(const std::string& s)
{
    throw EConvertError("'" + s + "' is not a valid integer value");
}

}

namespace sysutils_detail {

// Replaces the C runtime's "." and its "inf"/"nan" with the class library's forms.
std::string LocalizeNumber(std::string text)
{
    if (text.find_first_of("nN") != std::string::npos) return text[0] == '-' ? "-NAN" : "NAN";
    if (text.find_first_of("iI") != std::string::npos) return text[0] == '-' ? "-INF" : "INF";
    for (char& c : text)
        if (c == '.') c = FormatSettings().DecimalSeparator;
    return text;
}

std::string FormatFixed(double value, int decimals)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return LocalizeNumber(text);
}

// General format: the C runtime's %g, with the exponent written "E20" or "E-5".
std::string FormatGeneral(double value, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    std::string result = LocalizeNumber(text);
    size_t e = result.find('e');
    if (e == std::string::npos) return result;
    std::string mantissa = result.substr(0, e);
    int exponent = std::atoi(result.c_str() + e + 1);
    return mantissa + "E" + std::to_string(exponent);
}

std::string InsertThousandSeparators(const std::string& fixed)
{
    size_t start = fixed[0] == '-' ? 1 : 0;
    size_t end = fixed.find(FormatSettings().DecimalSeparator);
    if (end == std::string::npos) end = fixed.size();
    std::string result = fixed.substr(end);
    for (size_t i = end, n = 0; i > start; --i, ++n) {
        if (n > 0 && n % 3 == 0) result.insert(result.begin(), FormatSettings().ThousandSeparator);
        result.insert(result.begin(), fixed[i - 1]);
    }
    return fixed.substr(0, start) + result;
}

}

using namespace sysutils_detail;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}

std::string IntToStr(int64_t value)
{
    return std::to_string(value);
}

std::string IntToHexBits(uint64_t bits, int digits)
{
    std::string result;
    do {
        result.insert(result.begin(), "0123456789ABCDEF"[bits & 15]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(result.size()) < digits) result.insert(0, static_cast<size_t>(digits) - result.size(), '0');
    return result;
}

bool TryStrToInt(const std::string& s, int& value)
{
    int64_t parsed;
    if (!ParseIntegerText(s, 32, parsed)) return false;
    value = static_cast<int>(parsed);
    return true;
}

int StrToInt(const std::string& s)
{
    int value;
    if (!TryStrToInt(s, value)) InvalidInteger(s);
    return value;
}

int StrToIntDef(const std::string& s, int defaultValue)
{
    int value;
    return TryStrToInt(s, value) ? value : defaultValue;
}

bool TryStrToInt64(const std::string& s, int64_t& value)
{
    return ParseIntegerText(s, 64, value);
}

int64_t StrToInt64(const std::string& s)
{
    int64_t value;
    if (!TryStrToInt64(s, value)) InvalidInteger(s);
    return value;
}

std::string FloatToStr(double value)
{
    return FormatGeneral(value, 15);
}

bool TryStrToFloat(const std::string& s, double& value)
{
    return ParseFloatText(s, FormatSettings().DecimalSeparator, value);
}

double StrToFloat(const std::string& s)
{
    double value;
    if (!TryStrToFloat(s, value)) throw EConvertError("'" + s + "' is not a valid floating point value");
    return value;
}

double StrToFloatDef(const std::string& s, double defaultValue)
{
    double value;
    return TryStrToFloat(s, value) ? value : defaultValue;
}

// ---- Format ----

namespace {

struct FormatField {
    bool leftAligned = false;
    bool zeroPadded = false;
    int width = 0;
    int precision = -1;
    char type = 0;
};

class Formatter {
public:
    Formatter(std::string_view format, std::initializer_list<TFormatArg> args)
        : format_(format), next_(args.begin()), end_(args.end())
    {
    }

    std::string Run()
    {
        std::string out;
        while (pos_ < format_.size()) {
            char c = format_[pos_++];
            if (c != '%') {
                out += c;
            } else if (pos_ < format_.size() && format_[pos_] == '%') {
                out += '%';
                ++pos_;
            } else {
                FormatField field = ParseField();
                out += Pad(Convert(field, TakeArg()), field);
            }
        }
        return out;
    }

private:
    [[noreturn]] void Fail() const
    {
        throw EConvertError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
    }

    const TFormatArg& TakeArg()
    {
        if (next_ == end_) Fail();
        return *next_++;
    }

    // A number written in the form, or "*" for the next integer argument.
    std::optional<int> ParseNumber()
    {
        if (pos_ < format_.size() && format_[pos_] == '*') {
            ++pos_;
            const TFormatArg& arg = TakeArg();
            if (arg.kind != TFormatArg::Kind::Integer) Fail();
            return static_cast<int>(arg.integer);
        }
        if (pos_ >= format_.size() || !IsDigit(format_[pos_])) return std::nullopt;
        int n = 0;
        while (pos_ < format_.size() && IsDigit(format_[pos_])) n = n * 10 + (format_[pos_++] - '0');
        return n;
    }

    FormatField ParseField()
    {
        FormatField field;
        for (; pos_ < format_.size() && (format_[pos_] == '-' || format_[pos_] == '0'); ++pos_)
            (format_[pos_] == '-' ? field.leftAligned : field.zeroPadded) = true;
        // A negative width from "*" aligns left, as "-" does.
        int width = ParseNumber().value_or(0);
        if (width < 0) field.leftAligned = true;
        field.width = width < 0 ? -width : width;
        if (pos_ < format_.size() && format_[pos_] == '.') {
            ++pos_;
            field.precision = std::max(ParseNumber().value_or(0), 0);
        }
        if (pos_ >= format_.size()) Fail();
        field.type = format_[pos_++];
        return field;
    }

    static std::string WithLeastDigits(std::string digits, int precision)
    {
        if (precision > static_cast<int>(digits.size())) digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
        return digits;
    }

    static std::string SignedWithLeastDigits(int64_t value, int precision)
    {
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        std::string text = WithLeastDigits(std::to_string(magnitude), precision);
        if (value < 0) text.insert(text.begin(), '-');
        return text;
    }

    double RealOf(const TFormatArg& arg) const
    {
        if (arg.kind == TFormatArg::Kind::Float) return arg.real;
        if (arg.kind == TFormatArg::Kind::Integer) return static_cast<double>(arg.integer);
        Fail();
    }

    std::string Convert(const FormatField& field, const TFormatArg& arg) const
    {
        bool integer = arg.kind == TFormatArg::Kind::Integer;
        switch (field.type) {
        case 'd':
        case 'D':
            if (!integer) break;
            return SignedWithLeastDigits(arg.integer, field.precision);
        case 'u':
        case 'U':
            if (!integer) break;
            return WithLeastDigits(std::to_string(arg.bits), field.precision);
        case 'x':
        case 'X':
            if (!integer) break;
            return IntToHexBits(arg.bits, field.precision);
        case 's':
        case 'S':
            if (arg.kind != TFormatArg::Kind::String) break;
            return std::string(field.precision >= 0 ? arg.text.substr(0, static_cast<size_t>(field.precision)) : arg.text);
        case 'p':
        case 'P':
            if (arg.kind != TFormatArg::Kind::Pointer) break;
            return IntToHexBits(reinterpret_cast<uintptr_t>(arg.pointer), 8);
        case 'f':
        case 'F':
            return FormatFixed(RealOf(arg), field.precision < 0 ? 2 : field.precision);
        case 'n':
        case 'N':
            return InsertThousandSeparators(FormatFixed(RealOf(arg), field.precision < 0 ? 2 : field.precision));
        case 'g':
        case 'G':
            return FormatGeneral(RealOf(arg), field.precision < 1 ? 15 : field.precision);
        }
        Fail();
    }

    static std::string Pad(std::string body, const FormatField& field)
    {
        if (static_cast<int>(body.size()) >= field.width) return body;
        size_t fill = static_cast<size_t>(field.width) - body.size();
        bool numeric = field.type != 's' && field.type != 'S';
        bool finite = body.find("INF") == std::string::npos && body.find("NAN") == std::string::npos;
        if (field.leftAligned) return body + std::string(fill, ' ');
        if (field.zeroPadded && numeric && finite) {
            size_t signEnd = !body.empty() && body[0] == '-' ? 1 : 0;
            return body.insert(signEnd, fill, '0');
        }
        return std::string(fill, ' ') + body;
    }

    std::string_view format_;
    size_t pos_ = 0;
    const TFormatArg* next_;
    const TFormatArg* end_;
};

}

std::string FormatArgs(std::string_view format, std::initializer_list<TFormatArg> args)
{
    return Formatter(format, args).Run();
}

// ---- Locale ----

namespace {

std::string LocaleText(LCTYPE item, const char* fallback)
{
    char text[128];
    int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, item, text, sizeof text);
    return n > 1 ? std::string(text, static_cast<size_t>(n - 1)) : std::string(fallback);
}

TFormatSettings ReadFormatSettings()
{
    TFormatSettings settings;
    settings.DecimalSeparator = LocaleText(LOCALE_SDECIMAL, ".")[0];
    settings.ThousandSeparator = LocaleText(LOCALE_STHOUSAND, ",")[0];
    settings.DateSeparator = LocaleText(LOCALE_SDATE, "/")[0];
    settings.TimeSeparator = LocaleText(LOCALE_STIME, ":")[0];
    settings.ShortDateFormat = LocaleText(LOCALE_SSHORTDATE, "M/d/yyyy");
    settings.LongDateFormat = LocaleText(LOCALE_SLONGDATE, "dddd, MMMM d, yyyy");
    settings.ShortTimeFormat = LocaleText(LOCALE_SSHORTTIME, "h:mm tt");
    settings.LongTimeFormat = LocaleText(LOCALE_STIMEFORMAT, "h:mm:ss tt");
    settings.CurrencyString = LocaleText(LOCALE_SCURRENCY, "$");
    settings.CurrencyFormat = static_cast<BYTE>(std::atoi(LocaleText(LOCALE_ICURRENCY, "0").c_str()));
    settings.NegCurrFormat = static_cast<BYTE>(std::atoi(LocaleText(LOCALE_INEGCURR, "0").c_str()));
    settings.CurrencyDecimals = static_cast<BYTE>(std::atoi(LocaleText(LOCALE_ICURRDIGITS, "2").c_str()));
    return settings;
}

}

TFormatSettings& FormatSettings()
{
    static TFormatSettings settings = ReadFormatSettings();
    return settings;
}

// ---- Command line and system ----

namespace {

bool IsArgumentBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The program's own name: no escapes, quotes only group.
std::string ParseProgramName(const std::string& line, size_t& pos)
{
    std::string name;
    if (pos < line.size() && line[pos] == '"') {
        size_t close = line.find('"', pos + 1);
        if (close == std::string::npos) close = line.size();
        name = line.substr(pos + 1, close - pos - 1);
        pos = close < line.size() ? close + 1 : close;
    }
    while (pos < line.size() && !IsArgumentBlank(line[pos])) name += line[pos++];
    return name;
}

std::string ParseArgument(const std::string& line, size_t& pos)
{
    std::string arg;
    bool quoted = false;
    while (pos < line.size() && (quoted || !IsArgumentBlank(line[pos]))) {
        size_t backslashes = 0;
        while (pos < line.size() && line[pos] == '\\') {
            ++backslashes;
            ++pos;
        }
        if (pos < line.size() && line[pos] == '"') {
            arg.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                arg += '"';
            } else if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
                arg += '"';
                ++pos;
            } else {
                quoted = !quoted;
            }
            ++pos;
        } else {
            arg.append(backslashes, '\\');
            if (pos < line.size() && (quoted || !IsArgumentBlank(line[pos]))) arg += line[pos++];
        }
    }
    return arg;
}

const std::vector<std::string>& ProcessCommandLine()
{
    static const std::vector<std::string> args = ParseCommandLine(GetCommandLineA());
    return args;
}

}

std::vector<std::string> ParseCommandLine(const std::string& commandLine)
{
    size_t pos = 0;
    std::vector<std::string> args{ParseProgramName(commandLine, pos)};
    for (;;) {
        while (pos < commandLine.size() && IsArgumentBlank(commandLine[pos])) ++pos;
        if (pos >= commandLine.size()) break;
        args.push_back(ParseArgument(commandLine, pos));
    }
    return args;
}

int ParamCount()
{
    return static_cast<int>(ProcessCommandLine().size()) - 1;
}

std::string ParamStr(int index)
{
    if (index == 0) {
        char path[MAX_PATH];
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        return std::string(path, n);
    }
    const std::vector<std::string>& args = ProcessCommandLine();
    return index > 0 && index < static_cast<int>(args.size()) ? args[static_cast<size_t>(index)] : std::string();
}

DWORD Win32MajorVersion()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) ? info.dwMajorVersion : 0;
}

