// The INI text classes: what they read from files as people and older
// versions wrote them, and that they rewrite a file only when it changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "FastIni.h"
#include "SysUtils.h"
#include "TestSupport.h"

namespace {

std::string IniFile(const std::string& name, const std::string& text)
{
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::WriteFile(path, tvmtest::Bytes(text.begin(), text.end()));
    return path;
}

std::string Contents(const std::string& path)
{
    tvmtest::Bytes bytes = tvmtest::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

}

TEST(FastIni, ReadsValuesAsWritten)
{
    std::string path = IniFile("read.ini",
                               "stray=before any section\r\n[A]\r\nx=1\r\nkey=value //note\r\nspaced= value \r\n"
                               "hex=0x1F\r\nword=abc\r\ntwo=2\n\n[a]\nx=2\r\n\x1a\r\n[Empty]\r\n");
    TFastIniFile ini(path);
    EXPECT_EQ(ini.ReadString("A", "x", "?"), "1");
    EXPECT_EQ(ini.ReadString("a", "X", "?"), "1");
    EXPECT_EQ(ini.ReadString("A", "key", "?"), "value");
    EXPECT_EQ(ini.ReadComment("A", "key", "?"), "note");
    EXPECT_EQ(ini.ReadComment("A", "x", "?"), "");
    EXPECT_EQ(ini.ReadComment("A", "missing", "?"), "?");
    EXPECT_EQ(ini.ReadString("A", "spaced", "?"), " value ");
    EXPECT_EQ(ini.ReadString("A", "missing", "?"), "?");
    EXPECT_EQ(ini.ReadValue("A", "missing", "?"), "");
    EXPECT_EQ(ini.ReadValue("Nowhere", "x", "?"), "?");
    EXPECT_EQ(ini.ReadInteger("A", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("A", "word", 7), 7);
    EXPECT_TRUE(ini.ReadBool("A", "two", false));
    EXPECT_FALSE(ini.ReadString("A", "stray", "") == "before any section");
    EXPECT_TRUE(ini.SectionExists("EMPTY"));
    EXPECT_TRUE(ini.ValueExists("a", "HEX"));

    // The later duplicate is gone, and the file is cleaned on the next write.
    ini.UpdateFile();
    std::string written = Contents(path);
    EXPECT_EQ(written.find("x=2"), std::string::npos);
    EXPECT_EQ(written.find("[Empty]"), std::string::npos);
    EXPECT_EQ(written.substr(0, 10), "[A]\r\nx=1\r\n");
}

// Repeated sections are found by hashing their names: the hash must agree
// with the locale's comparison, so that every later section it calls the same
// as an earlier one is dropped, whatever letters or ignored characters make
// the difference, and no other.
TEST(FastIni, LaterSectionsTheLocaleCallsTheSameAreDropped)
{
    const std::vector<std::string> names = {"Video", "VIDEO", "video", "Vid\xe9o", "VID\xc9O", "Stra\xdf" "e",
                                            "STRASSE", "a-b", "ab", "A\x01", "a", "", "\xe6", "\xc6", "AE", "Video ",
                                            "x\xad", "x"};
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) text += "[" + names[i] + "]\r\nn=" + std::to_string(i) + "\r\n";
    std::vector<std::string> expected;
    for (const std::string& name : names)
        if (std::none_of(expected.begin(), expected.end(),
                         [&](const std::string& earlier) { return AnsiSameText(earlier, name); }))
            expected.push_back(name);
    ASSERT_EQ(std::count(expected.begin(), expected.end(), "VIDEO"), 0) << "case alone makes a repeat";

    TFastIniFile ini(IniFile("repeats.ini", text));
    TStringList kept;
    ini.ReadSections(kept);
    std::vector<std::string> keptNames;
    for (int i = 0; i < kept.GetCount(); ++i) keptNames.push_back(kept.Get(i));
    EXPECT_EQ(keptNames, expected);
    EXPECT_EQ(ini.ReadString("video", "n", "?"), "0");
    EXPECT_TRUE(ini.Modified()) << "the repeats go on the next write";
}

TEST(FastIni, WritesKeepCommentsAndDropEmptySections)
{
    std::string path = IniFile("write.ini", "[S]\r\nK=old //keep\r\nonly=1\r\n\r\n[T]\r\ngone=1\r\n\r\n");
    {
        TFastIniFile ini(path);
        ini.WriteString("S", "k", "v");
        ini.DeleteKey("T", "gone");
        ini.WriteBool("New", "flag", true);
        ini.WriteFloat("New", "fps", static_cast<float>(30000.0 / 1001));
        ini.WriteFloat("New", "whole", 25);
        ini.WriteFloat("New", "minus", -1);
        ini.WriteInteger("New", "n", -5);
        ini.WriteComment("New", "n", "why");
    }
    EXPECT_EQ(Contents(path), "[S]\r\nk=v //keep\r\nonly=1\r\n\r\n[New]\r\nflag=1\r\nfps=29.9700298309326\r\n"
                              "whole=25\r\nminus=-1\r\nn=-5 //why\r\n\r\n");
    TFastIniFile again(path);
    EXPECT_TRUE(again.ReadBool("New", "flag", false));
    EXPECT_DOUBLE_EQ(again.ReadFloat("New", "fps", 0), 29.9700298309326);
    EXPECT_EQ(again.ReadInteger("New", "n", 0), -5);
}

TEST(FastIni, UnchangedWritesLeaveTheFileAlone)
{
    // Without a trailing empty line: a rewrite would add one.
    const std::string text = "[S]\r\nk=1\r\nname=x";
    std::string path = IniFile("untouched.ini", text);
    TStringList same;
    same.Add("k=1");
    same.Add("name=x");
    {
        TFastIniFileEx ini(path);
        ini.WriteString("S", "k", "1");
        ini.WriteInteger("S", "k", 1);
        ini.WriteSectionValues("S", same);
        ini.EraseSection("Missing");
        EXPECT_FALSE(ini.Modified());
    }
    EXPECT_EQ(Contents(path), text);
}

TEST(FastIni, EmptyIdentErasesTheSection)
{
    std::string path = IniFile("erase.ini", "[S]\r\na=1\r\n[T]\r\nb=2\r\n");
    TFastIniFile ini(path);
    ini.WriteString("S", "", "");
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_EQ(ini.ReadString("T", "b", ""), "2");
}

TEST(FastIni, WriteFailuresRaiseButNeverFromTheDestructor)
{
    std::string path = tvmtest::OutputDir() + "no\\such\\folder\\x.ini";
    auto ini = std::make_unique<TFastIniFile>(path);
    ini->WriteString("S", "k", "v");
    EXPECT_THROW(ini->UpdateFile(), EInOutError);
    EXPECT_NO_THROW(ini.reset());
}

TEST(FastIniEx, ListsBinaryColoursFontsAndRenames)
{
    std::string path = IniFile("ex.ini", "[S]\r\nCount=3\r\nItem1=a\r\nItem2=b\r\nItem3=c\r\n[X]\r\nbad=0G12\r\n");
    TFastIniFileEx ini(path);

    TStringList items;
    ini.ReadNumberedList("S", items, "-", "Item", 1, false);
    EXPECT_EQ(items.GetCommaText(), "a,b,c");
    ini.WriteNumberedList("S", items, "Item", 1, false);
    EXPECT_FALSE(ini.Modified());
    items.Delete(2);
    ini.WriteNumberedList("S", items, "Item", 1, false);
    EXPECT_TRUE(ini.Modified());
    EXPECT_FALSE(ini.ValueExists("S", "Item3"));
    EXPECT_EQ(ini.ReadInteger("S", "Count", 0), 2);

    const uint8_t data[] = {0x00, 0xAB, 0x7F};
    ini.WriteBinaryData("B", "data", data, 3);
    EXPECT_EQ(ini.ReadString("B", "data", ""), "00AB7F");
    uint8_t back[4] = {9, 9, 9, 9};
    EXPECT_EQ(ini.ReadBinaryData("B", "data", back, 4), 3);
    EXPECT_EQ(back[1], 0xAB);
    EXPECT_EQ(back[3], 9);
    EXPECT_EQ(ini.ReadBinaryData("X", "bad", back, 4), 2);
    EXPECT_EQ(back[0], 0);

    ini.WriteColor("C", "c", 0x00C0C0C0);
    EXPECT_EQ(ini.ReadString("C", "c", ""), "00C0C0C0");
    EXPECT_EQ(ini.ReadColor("C", "c", 0), 0x00C0C0C0);
    EXPECT_EQ(ini.ReadColor("C", "missing", 0x123), 0x123);
    EXPECT_THROW(ini.ReadColor("X", "bad", 0), EConvertError);

    TFont font;
    font.SetName("Courier, New");
    font.SetSize(14);
    font.SetStyle(fsBold | fsUnderline);
    font.SetColor(clRed);
    ini.WriteFont("F", "font", font);
    TFont read;
    ini.ReadFont("F", "font", read);
    EXPECT_EQ(read.GetName(), "Courier, New");
    EXPECT_EQ(read.GetSize(), 14);
    EXPECT_EQ(read.GetStyle(), fsBold | fsUnderline);
    EXPECT_EQ(read.GetColor(), clRed);
    ini.ReadFont("F", "missing", read);
    EXPECT_EQ(read.GetSize(), 14);

    ini.WriteBoolOrDelete("S", "Item1", true, true);
    EXPECT_FALSE(ini.ValueExists("S", "Item1"));
    ini.RenameKey("S", "Item2", "Second");
    EXPECT_EQ(ini.ReadString("S", "Second", ""), "b");
    ini.RenameSection("s", "Renamed");
    EXPECT_EQ(ini.ReadString("Renamed", "Second", ""), "b");
}

TEST(FastIniEx, CommaSeparatedInfo)
{
    TCommaSeparatedInfo info;
    info.SetString(2, "two words");
    info.SetBoolean(3, true);
    info.SetColor(4, clBlue);
    info.SetColor(5, 0x123456);
    EXPECT_EQ(info.GetCommaText(), ",,\"two words\",1,clBlue,$00123456");
    EXPECT_EQ(info.GetInteger(0), -1);
    EXPECT_FALSE(info.GetBoolean(0));
    EXPECT_EQ(info.GetColor(4), clBlue);
    EXPECT_EQ(info.GetColor(5), 0x123456);
    EXPECT_EQ(info.GetColor(2), clBlack);
}

TEST(FastIni, AppIniFileSitsBesideTheExecutable)
{
    EXPECT_TRUE(AnsiSameText(TAppIniFile::GetIniFileName(), ChangeFileExt(ParamStr(0), ".ini")));
}
