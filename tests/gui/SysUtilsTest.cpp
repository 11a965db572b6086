#include "Exceptions.h"
#include "GuiTestSupport.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

namespace {

// Sets the number separators for one test and puts the user's back after it.
class SeparatorsGuard {
public:
    SeparatorsGuard(char decimal, char thousand) : saved_(FormatSettings())
    {
        FormatSettings().DecimalSeparator = decimal;
        FormatSettings().ThousandSeparator = thousand;
    }
    ~SeparatorsGuard() { FormatSettings() = saved_; }

private:
    TFormatSettings saved_;
};

TEST(SysUtilsPaths, SplitsPathsAtTheLastDelimiter)
{
    struct Case {
        const char* path;
        const char* filePath;
        const char* dir;
        const char* name;
        const char* ext;
        const char* drive;
    };
    const Case cases[] = {
        {"C:\\movies\\intro.swf", "C:\\movies\\", "C:\\movies", "intro.swf", ".swf", "C:"},
        {"C:\\intro.swf", "C:\\", "C:\\", "intro.swf", ".swf", "C:"},
        {"C:intro", "C:", "C:", "intro", "", "C:"},
        {"dir.v2\\readme", "dir.v2\\", "dir.v2", "readme", "", ""},
        {"a.tar.gz", "", "", "a.tar.gz", ".gz", ""},
        {"\\\\server\\share\\x.txt", "\\\\server\\share\\", "\\\\server\\share", "x.txt", ".txt", "\\\\server\\share"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtractFilePath(c.path), c.filePath);
        EXPECT_EQ(ExtractFileDir(c.path), c.dir);
        EXPECT_EQ(ExtractFileName(c.path), c.name);
        EXPECT_EQ(ExtractFileExt(c.path), c.ext);
        EXPECT_EQ(ExtractFileDrive(c.path), c.drive);
    }
}

TEST(SysUtilsPaths, ChangesExtensionsAndTrailingDelimiters)
{
    EXPECT_EQ(ChangeFileExt("C:\\a\\tvmpro.exe", ".ini"), "C:\\a\\tvmpro.ini");
    EXPECT_EQ(ChangeFileExt("C:\\a.b\\noext", ".ini"), "C:\\a.b\\noext.ini");
    EXPECT_EQ(ChangeFileExt("x.img", ""), "x");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\a\\"), "C:\\a");
}

TEST(SysUtilsFiles, ForceDirectoriesCreatesEveryMissingLevel)
{
    tvmtest::ScratchDir scratch;
    std::string nested = scratch.Path() + "one\\two\\three\\";
    EXPECT_FALSE(DirectoryExists(nested));
    EXPECT_TRUE(ForceDirectories(nested));
    EXPECT_TRUE(DirectoryExists(scratch.Path() + "one\\two\\three"));
    EXPECT_TRUE(ForceDirectories(nested));  // already there
    EXPECT_FALSE(ForceDirectories(""));
}

TEST(SysUtilsFiles, FileFunctionsAndSearchSeeTheNameAsStored)
{
    tvmtest::ScratchDir scratch;
    std::string file = scratch.Path() + "MixedCase.TXT";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(h, "12345", 5, &written, nullptr);
    CloseHandle(h);
    CreateDir(scratch.Path() + "sub");

    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(scratch.Path() + "sub"));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_EQ(FileSize(file), 5);
    EXPECT_EQ(ExpandFileName(scratch.Path() + "sub\\..\\MixedCase.TXT"), file);

    TSearchRec rec;
    ASSERT_EQ(FindFirst(scratch.Path() + "mixedcase.txt", faAnyFile, rec), 0);
    EXPECT_EQ(rec.Name, "MixedCase.TXT");
    EXPECT_EQ(rec.Size, 5);
    EXPECT_NE(FindNext(rec), 0);

    // Folders show only when asked for.
    std::vector<std::string> files;
    for (int r = FindFirst(scratch.Path() + "*", faAnyFile & ~faDirectory, rec); r == 0; r = FindNext(rec))
        files.push_back(rec.Name);
    EXPECT_EQ(files, std::vector<std::string>{"MixedCase.TXT"});
    EXPECT_NE(FindFirst(scratch.Path() + "absent*", faAnyFile, rec), 0);

    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(FileSize(file), -1);
}

TEST(SysUtilsText, CaseMappingAndTrimming)
{
    EXPECT_EQ(AnsiLowerCase("C:\\Proj\\My.PRJ"), "c:\\proj\\my.prj");
    EXPECT_EQ(AnsiUpperCase("winxpsp3"), "WINXPSP3");
    if (GetACP() == 1252) {
        EXPECT_EQ(AnsiLowerCase("\xC4rger"), "\xE4rger");
        EXPECT_EQ(LowerCase("\xC4RGER"), "\xC4rger");  // A-Z only
    }
    EXPECT_EQ(UpperCase("abc-xyz"), "ABC-XYZ");
    EXPECT_EQ(AnsiCompareText("Section", "SECTION"), 0);
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_NE(AnsiCompareStr("abc", "ABC"), 0);
    EXPECT_EQ(Trim(" \t value \r\n"), "value");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim("   "), "");
}

TEST(SysUtilsNumbers, IntegerTextBothWays)
{
    EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
    EXPECT_EQ(IntToHex(255, 2), "FF");
    EXPECT_EQ(IntToHex(0x1F, 8), "0000001F");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(static_cast<uint8_t>(0xAB), 1), "AB");
    EXPECT_EQ(IntToHex(int64_t{-1}, 1), "FFFFFFFFFFFFFFFF");

    struct Case {
        const char* text;
        bool valid;
        int value;
    };
    const Case cases[] = {
        {"42", true, 42},         {" -17 ", true, -17},    {"+8", true, 8},
        {"$1F", true, 31},        {"0x1f", true, 31},      {"0X10", true, 16},
        {"$FFFFFFFF", true, -1},  {"2147483647", true, 2147483647},
        {"-2147483648", true, -2147483647 - 1},            {"2147483648", false, 0},
        {"abc", false, 0},        {"", false, 0},          {"12a", false, 0},
        {"0x", false, 0},         {"1 2", false, 0},       {"1.5", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int value = 0;
        EXPECT_EQ(TryStrToInt(c.text, value), c.valid);
        if (c.valid) {
            EXPECT_EQ(StrToInt(c.text), c.value);
        }
        EXPECT_EQ(StrToIntDef(c.text, -99), c.valid ? c.value : -99);
    }
    EXPECT_EQ(StrToInt64("9000000000"), 9000000000LL);
    EXPECT_EQ(tvmtest::MessageOf<EConvertError>([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
}

TEST(SysUtilsNumbers, FloatToStrUsesFifteenDigitsAndTheLocaleSeparator)
{
    SeparatorsGuard dot('.', ',');
    EXPECT_EQ(FloatToStr(static_cast<float>(30000.0 / 1001.0)), "29.9700298309326");
    EXPECT_EQ(FloatToStr(29.97f), "29.9699993133545");
    EXPECT_EQ(FloatToStr(25), "25");
    EXPECT_EQ(FloatToStr(-1), "-1");
    EXPECT_EQ(FloatToStr(0.1), "0.1");
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1e20), "1E20");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");

    SeparatorsGuard comma(',', '.');
    EXPECT_EQ(FloatToStr(29.5), "29,5");
}

TEST(SysUtilsNumbers, StrToFloatTakesOnlyTheLocaleSeparator)
{
    SeparatorsGuard comma(',', '.');
    EXPECT_DOUBLE_EQ(StrToFloat("29,97"), 29.97);
    EXPECT_DOUBLE_EQ(StrToFloat(" -1,5E3 "), -1500.0);
    EXPECT_DOUBLE_EQ(StrToFloat("7"), 7.0);
    EXPECT_DOUBLE_EQ(StrToFloatDef("29.97", -1), -1);
    for (const char* bad : {"", ",", "1e", "abc", "inf", "0x10", "1,2,3"}) {
        SCOPED_TRACE(bad);
        double value;
        EXPECT_FALSE(TryStrToFloat(bad, value));
    }
    EXPECT_THROW(StrToFloat("x"), EConvertError);
}

TEST(SysUtilsFormat, FormsAsTheProgramUsesThem)
{
    SeparatorsGuard dot('.', ',');
    int local = 0;
    const void* pointer = reinterpret_cast<const void*>(0x12AB);
    EXPECT_EQ(Format("a=%d;r=44100;c=2;f=16", 3), "a=3;r=44100;c=2;f=16");
    EXPECT_EQ(Format("%.2d:%.2d:%.2d.%.3d", 1, 2, 5, 7), "01:02:05.007");
    EXPECT_EQ(Format("%5d|%-5d|%05d|%.3d", 42, 42, -42, -5), "   42|42   |-0042|-005");
    EXPECT_EQ(Format("Unrecognized extension block: %.2x", 0x0A), "Unrecognized extension block: 0A");
    EXPECT_EQ(Format("flags=0x%X %x", 0x4FE, 255), "flags=0x4FE FF");
    EXPECT_EQ(Format("%x %u", -1, -1), "FFFFFFFF 4294967295");
    EXPECT_EQ(Format("[%s @ %p]", "ctx", pointer), "[ctx @ 000012AB]");
    EXPECT_EQ(Format("%s(%s)", std::string("mpeg4"), "MPEG-4 video"), "mpeg4(MPEG-4 video)");
    EXPECT_EQ(Format("%.3s|%6s|%-4s|", "abcdef", "ab", "ab"), "abc|    ab|ab  |");
    EXPECT_EQ(Format("%f %8.0f %7.1f %0.3f", 1.0, 1234.6, 3.14159, 2.0), "1.00     1235     3.1 2.000");
    EXPECT_EQ(Format("%.*f|%*d", 3, 2.5, 4, 7), "2.500|   7");
    EXPECT_EQ(Format("%g %g %.3g", 0.5, 25.0, 3.14159), "0.5 25 3.14");
    EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
    EXPECT_EQ(Format("%d%% done", 50), "50% done");
    EXPECT_EQ(Format("%d", int64_t{-9000000000}), "-9000000000");
    EXPECT_EQ(Format("no forms"), "no forms");
    EXPECT_NE(Format("%p", &local), "");

    SeparatorsGuard comma(',', '.');
    EXPECT_EQ(Format("%2.2f", 29.97), "29,97");
}

TEST(SysUtilsFormat, AMismatchOrMissingArgumentRaises)
{
    auto message = [](auto call) { return tvmtest::MessageOf<EConvertError>(call); };
    EXPECT_EQ(message([] { Format("%d", "text"); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%s and %s", "one"); }), "Format '%s and %s' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%s", 1); }), "Format '%s' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%d", 1.5); }), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("%q", 1); }), "Format '%q' invalid or incompatible with argument");
    EXPECT_EQ(message([] { Format("50%"); }), "Format '50%' invalid or incompatible with argument");
}

TEST(SysUtilsCommandLine, SplitsAsTheSystemRuntimeDoes)
{
    using Args = std::vector<std::string>;
    struct Case {
        const char* line;
        Args args;
    };
    const Case cases[] = {
        {"a.exe \"b c\" d", {"a.exe", "b c", "d"}},
        {"\"a b.exe\" x\\\"y", {"a b.exe", "x\"y"}},
        {"\"C:\\Program Files\\t.exe\" -pf C:\\Proj\\My.PRJ", {"C:\\Program Files\\t.exe", "-pf", "C:\\Proj\\My.PRJ"}},
        {"p a\\\\\"b c\" d", {"p", "a\\b c", "d"}},   // two backslashes, then a quote that opens
        {"p a\\\\\\\"b", {"p", "a\\\"b"}},           // three backslashes, then a literal quote
        {"p a\\\\b c\\", {"p", "a\\\\b", "c\\"}},     // backslashes elsewhere are literal
        {"p \"dir\\\\\" next", {"p", "dir\\", "next"}},
        {"p \"a\"\"b\" c", {"p", "a\"b", "c"}},
        {"p \"\" x", {"p", "", "x"}},
        {"p  \t -a\t 5  ", {"p", "-a", "5"}},
        {"p \"open ended", {"p", "open ended"}},
        {"p ab\"c d\"e", {"p", "abc de"}},
        {"", {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseCommandLine(c.line), c.args);
    }
}

TEST(SysUtilsCommandLine, ParamStrZeroIsTheExecutable)
{
    std::string exe = ParamStr(0);
    EXPECT_TRUE(FileExists(exe)) << exe;
    EXPECT_EQ(AnsiLowerCase(ExtractFileName(exe)), "gui_sysutils_tests.exe");
    EXPECT_EQ(ParamStr(ParamCount() + 1), "");
    EXPECT_EQ(ParamStr(-1), "");
}

TEST(SysUtilsSystem, ReportsAMajorVersion)
{
    EXPECT_GE(Win32MajorVersion(), 5u);
}

}
