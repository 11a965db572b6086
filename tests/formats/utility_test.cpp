#include <gtest/gtest.h>

#include "FileUtil.h"
#include "MaxMin.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "uxStrUtils.h"

TEST(StrUtils, ReplaceSubstringDoesNotRescan)
{
    EXPECT_EQ(ReplaceSubstring("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceSubstring("a-b-c", "-", ""), "abc");
    EXPECT_EQ(ReplaceSubstring("abab", "ab", "b"), "bb");
    EXPECT_EQ(ReplaceSubstring("text", "", "x"), "text");
}

TEST(StrUtils, BlanksAndCharacters)
{
    EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
    EXPECT_EQ(TrimLeadingBlanks("   "), "");
    EXPECT_EQ(TrimTrailingBlanks("x  "), "x");
    EXPECT_EQ(RemoveChars("a,b,,c", ','), "abc");
    EXPECT_EQ(RepeatChar('-', 3), "---");
    EXPECT_EQ(RepeatChar('-', -1), "");
    EXPECT_EQ(IntMax(-3, 2), 2);
    EXPECT_EQ(IntMin(-3, 2), -3);
}

TEST(FileUtil, CreatesNestedFolders)
{
    std::string dir = tvmtest::OutputDir() + "fileutil\\a\\b\\c";
    EXPECT_TRUE(CreateDirPath(dir));
    EXPECT_TRUE(CheckDirExists(dir));
    EXPECT_FALSE(CheckDirExists(dir + "\\missing"));
}
