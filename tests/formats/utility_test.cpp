#include <gtest/gtest.h>

#include <vector>

#include "AniFile.h"
#include "FileUtil.h"
#include "MaxMin.h"
#include "UxUtils.h"
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

TEST(UxUtils, RectanglesAndBlocks)
{
    RECT r{10, 20, 30, 60};
    EXPECT_EQ(RectWidth(r), 20);
    EXPECT_EQ(RectHeight(r), 40);
    EXPECT_TRUE(IsPointInRect({30, 60}, r));
    EXPECT_FALSE(IsPointInRect({31, 60}, r));

    EXPECT_EQ(AllocZeroedBlock(0), nullptr);
    void* block = AllocZeroedBlock(16);
    ASSERT_NE(block, nullptr);
    const char zeros[16] = {};
    EXPECT_TRUE(SameBytes(block, zeros, 16));
    static_cast<char*>(block)[15] = 1;
    EXPECT_FALSE(SameBytes(block, zeros, 16));
    FreeBlock(block);
    EXPECT_EQ(block, nullptr);
    FreeBlock(block);
}

TEST(UxUtils, PaletteColorTakesTheRgbValue)
{
    EXPECT_EQ(PaletteColor(0x123456), 0x02123456u);
    EXPECT_EQ(PaletteColor(clBtnFace), GetSysColor(COLOR_BTNFACE) | 0x02000000u);
}

TEST(UxUtils, DiscardingTakesOnlyTheNamedMessage)
{
    const UINT first = WM_APP + 1, second = WM_APP + 2;
    for (UINT posted : {first, second, second}) PostThreadMessageA(GetCurrentThreadId(), posted, 0, 0);

    // 0 would be "any message" to PeekMessage.
    DiscardPendingMessage(nullptr, 0);
    DiscardPendingMessage(nullptr, second);
    std::vector<UINT> left;
    MSG message;
    while (PeekMessageA(&message, nullptr, first, second, PM_REMOVE)) left.push_back(message.message);
    EXPECT_EQ(left, (std::vector<UINT>{first, second}));
}

TEST(UxUtils, DiscardingQuitKeepsIt)
{
    PostQuitMessage(3);
    DiscardPendingMessage(nullptr, WM_QUIT);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 3u);
}

TEST(UxUtils, ShortenTextToWidthEndsAtTheEllipsis)
{
    HDC dc = CreateCompatibleDC(nullptr);
    auto width = [dc](const std::string& s) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, s.data(), int(s.size()), &extent);
        return int(extent.cx);
    };
    const std::string text = "Tavelomatic Studio";
    const struct {
        std::string text;
        int maxWidth;
        std::string shortened;
    } cases[] = {
        {text, width(text), text},
        {text, width("Tavelomatic..."), "Tavelomatic..."},
        {text, width("..."), "..."},
        // Not even the ellipsis fits: it is what is left all the same.
        {text, width("...") - 1, "..."},
        {text, -1, "..."},
        {"W", 0, "..."},
        {"", -1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShortenTextToWidth(c.text, dc, c.maxWidth), c.shortened) << c.text << " in " << c.maxWidth;
    DeleteDC(dc);
}

TEST(AniFile, FramesByIndexAndNothingOutsideThem)
{
    TAnimatedCursorImage image;
    HICON first = CopyIcon(LoadIconA(nullptr, IDI_APPLICATION));
    HICON second = CopyIcon(LoadIconA(nullptr, IDI_WARNING));
    image.AddFrame(first, 6);
    image.AddFrame(second, 30);
    EXPECT_EQ(AniGetFrameCount(image), 2);
    EXPECT_EQ(AniGetFrameImage(image, 1), second);
    EXPECT_EQ(AniGetFrame(image, 0).Icon, first);
    EXPECT_EQ(AniGetFrame(image, 1).Rate, 30u);
    for (int outside : {-1, 2}) {
        EXPECT_EQ(AniGetFrameImage(image, outside), nullptr) << outside;
        EXPECT_EQ(AniGetFrame(image, outside).Rate, 0u) << outside;
    }
}
