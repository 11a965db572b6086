#pragma once
// Files and paths, text conversions, the locale's formats, the command line
// and the system version: the everyday routines the program is written with.
// Text is 8-bit in the ANSI code page.
#include <windows.h>

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Our DeleteFile takes a std::string and answers a bool; the system's macro
// would rename it.
#undef DeleteFile

// ---- Files and folders ----

constexpr char PathDelim = '\\';

bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& dir);
bool CreateDir(const std::string& dir);
// Creates Dir and every missing folder above it; True when Dir exists afterwards.
bool ForceDirectories(const std::string& dir);
bool DeleteFile(const std::string& fileName);
// Size in bytes, or -1 when the file cannot be opened.
int64_t FileSize(const std::string& fileName);

// Path parts. A path's folder ends at its last "\" or ":"; its extension is
// the text from the last "." after that, the dot included.
std::string ExtractFilePath(const std::string& fileName);  // with the trailing "\"
std::string ExtractFileDir(const std::string& fileName);   // without it (a root keeps it)
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFileExt(const std::string& fileName);
// "C:" or "\\server\share"; empty when the path has neither.
std::string ExtractFileDrive(const std::string& fileName);
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string ExpandFileName(const std::string& fileName);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);

// Directory search. Attribute bits as the system's FILE_ATTRIBUTE_* values.
constexpr DWORD faReadOnly = 0x01;
constexpr DWORD faHidden = 0x02;
constexpr DWORD faSysFile = 0x04;
constexpr DWORD faDirectory = 0x10;
constexpr DWORD faArchive = 0x20;
constexpr DWORD faAnyFile = 0x3F;

// One entry found; the name is spelled as stored on disk. Closes its search
// when it goes away, so FindClose is only needed to end a search early.
struct TSearchRec {
    TSearchRec() = default;
    TSearchRec(const TSearchRec&) = delete;
    TSearchRec& operator=(const TSearchRec&) = delete;
    ~TSearchRec();

    std::string Name;
    int64_t Size = 0;
    DWORD Attr = 0;
    FILETIME LastWriteTime{};

    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    // Hidden, system and folder entries are skipped unless asked for.
    DWORD ExcludeAttr = 0;
};

// FindFirst and FindNext answer 0 when an entry was found, else the system's
// error code (ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES, ...).
int FindFirst(const std::string& pattern, DWORD attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

// ---- Text ----

// Case mapping in the ANSI code page, and plain A-Z only.
std::string AnsiLowerCase(const std::string& s);
std::string AnsiUpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
std::string UpperCase(const std::string& s);
// Locale-aware comparisons answering <0, 0 or >0.
int AnsiCompareStr(const std::string& a, const std::string& b);
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);
// A hash that AnsiSameText agrees with: texts it calls the same hash the same.
size_t AnsiTextHash(std::string_view text);
// Conversions through a code page, and through the ANSI code page.
std::string WideToMultiByte(UINT codePage, std::wstring_view text);
std::wstring MultiByteToWide(UINT codePage, std::string_view text);
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
// Removes characters up to the blank (control characters included).
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);

// ---- Numbers ----

std::string IntToStr(int64_t value);
// Upper-case hex digits, at least Digits of them; a negative value shows its
// two's complement in the width of its own type (-1 as int gives FFFFFFFF).
std::string IntToHexBits(uint64_t bits, int digits);
template <std::integral T>
std::string IntToHex(T value, int digits)
{
    return IntToHexBits(static_cast<std::make_unsigned_t<T>>(value), digits);
}

// Decimal, or hexadecimal after "$" or "0x"; a sign may lead, blanks may
// surround. A bad text raises EConvertError "'<text>' is not a valid integer value".
int StrToInt(const std::string& s);
int StrToIntDef(const std::string& s, int defaultValue);
bool TryStrToInt(const std::string& s, int& value);
int64_t StrToInt64(const std::string& s);
bool TryStrToInt64(const std::string& s, int64_t& value);

// General format, up to 15 significant digits, no trailing zeros, the
// locale's decimal separator; exponent form ("1E20", "1E-5") when the value
// is very large or very small.
std::string FloatToStr(double value);
// Digits with an optional sign, the locale's decimal separator and exponent,
// blanks around. A bad text raises EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(const std::string& s);
double StrToFloatDef(const std::string& s, double defaultValue);
bool TryStrToFloat(const std::string& s, double& value);

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// Precision is the significant digits (at most 18, beyond 15 not exact).
// ffGeneral: the shortest of fixed and exponent form; ffExponent:
// "-d.ddddE+xx" with Digits (0 to 4) exponent digits at least; ffFixed:
// Digits decimals; ffNumber: ffFixed with thousand separators; ffCurrency:
// ffNumber with the locale's currency symbol and negative form. A value with
// more integer digits than Precision comes in general form.
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);

// A picture of the number: "0" a digit always shown, "#" a digit shown when
// significant, "." the decimal separator, "," thousand separators, "E+",
// "E-", "e+", "e-" an exponent of as many digits as the zeros after it;
// text in quotes and other characters are copied. Up to three sections
// separated by ";" format positive, negative (no sign added) and zero
// values; an empty one falls back to the first. The integer digits go where
// the first integer placeholder is. An empty format gives FloatToStr.
std::string FormatFloat(const std::string& format, double value);

// ---- Format ----

// One argument of Format, remembered with its kind.
class TFormatArg {
public:
    enum class Kind { Integer, Float, String, Pointer };

    template <std::integral T>
    TFormatArg(T value)
        : kind(Kind::Integer), integer(value), bits(static_cast<std::make_unsigned_t<T>>(value))
    {
    }
    TFormatArg(double value) : kind(Kind::Float), real(value) {}
    TFormatArg(const std::string& value) : kind(Kind::String), text(value) {}
    TFormatArg(std::string_view value) : kind(Kind::String), text(value) {}
    TFormatArg(const char* value) : kind(Kind::String), text(value ? value : "") {}
    TFormatArg(const void* value) : kind(Kind::Pointer), pointer(value) {}

    Kind kind;
    int64_t integer = 0;
    uint64_t bits = 0;  // the integer's two's complement in its own width
    double real = 0;
    std::string_view text;
    const void* pointer = nullptr;
};

std::string FormatArgs(std::string_view format, std::initializer_list<TFormatArg> args);

// Printf-like forms: %[-][0][width][.precision]type with width and precision
// also given as "*" (taken from the arguments), and %%. Types:
//   d  signed integer; precision = least digits
//   u  integer as unsigned
//   x, X  upper-case hex digits; precision = least digits
//   s  text; precision = most characters
//   p  pointer as 8 upper-case hex digits
//   f  fixed (default 2 decimals), n  fixed with thousand separators,
//   g  general (default 15 significant digits): all with the locale's
//      decimal separator, taking floating-point or integer arguments.
// A form that does not fit its argument, or a missing argument, raises
// EConvertError "Format '<format>' invalid or incompatible with argument".
template <typename... Args>
std::string Format(std::string_view format, const Args&... args)
{
    return FormatArgs(format, {TFormatArg(args)...});
}

// ---- Locale ----

// The user's number, date and time conventions, read from the system on
// first use. The program may change them.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat;
    std::string LongDateFormat;
    std::string ShortTimeFormat;
    std::string LongTimeFormat;
    // Money: the symbol, where it goes (0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"),
    // the system's 16 forms of a negative amount, and the decimals.
    std::string CurrencyString;
    BYTE CurrencyFormat = 0;
    BYTE NegCurrFormat = 0;
    BYTE CurrencyDecimals = 2;
};
TFormatSettings& FormatSettings();

// ---- Command line and system ----

// Splits a command line as the system's C runtime does: blanks and tabs
// separate outside double quotes; 2n backslashes before a quote give n and
// the quote opens or closes quoting, 2n+1 give n and a literal quote; a
// doubled quote inside quotes is a literal quote; other backslashes are
// literal. The first element (the program) ends at the next quote when it
// starts with one, else at a blank.
std::vector<std::string> ParseCommandLine(const std::string& commandLine);
// The parameters after the program on this process's command line.
int ParamCount();
// ParamStr(0) is the executable's full path; out of range gives "".
std::string ParamStr(int index);

// The operating system's major version (5 for XP, 6 for Vista to 8.1, ...).
DWORD Win32MajorVersion();
