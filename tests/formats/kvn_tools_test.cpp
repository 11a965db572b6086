#include <gtest/gtest.h>

#include "Forms.h"
#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnTools.h"

TEST(KvnTools, MovieReferences)
{
    EXPECT_EQ(ExtractFlashVars("a.swf"), "");
    EXPECT_EQ(ExtractFlashVars("a.swf?x=1?y"), "?x=1?y");
    EXPECT_EQ(ExtractMovieFileName("a.swf?x=1?y"), "a.swf");
    EXPECT_EQ(ColorToBGR(0xAA112233), 0x00332211u);
    EXPECT_EQ(BGRToColor(ColorToBGR(0x00123456)), 0x00123456u);
}

TEST(KvnTools, CopiesInBlocks)
{
    TMemoryStream source;
    std::vector<uint8_t> data(kCopyBlockSize * 5 / 2);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    source.WriteBuffer(data.data(), static_cast<int32_t>(data.size()));

    TMemoryStream dest;
    std::vector<int64_t> steps;
    int64_t copied = CopyStreamWithProgress(source, dest, 0, [&](int64_t done, int64_t total) {
        EXPECT_EQ(total, static_cast<int64_t>(data.size()));
        steps.push_back(done);
    });
    EXPECT_EQ(copied, static_cast<int64_t>(data.size()));
    EXPECT_EQ(steps, (std::vector<int64_t>{kCopyBlockSize, 2 * kCopyBlockSize, kCopyBlockSize * 5 / 2}));
    ASSERT_EQ(dest.GetSize(), source.GetSize());
    EXPECT_EQ(0, memcmp(dest.Memory(), source.Memory(), data.size()));
}

TEST(KvnTools, NegativeCountCopiesNothing)
{
    TMemoryStream source;
    const uint8_t byte = 1;
    source.WriteBuffer(&byte, 1);
    source.SetPosition(0);
    TMemoryStream dest;
    bool told = false;
    EXPECT_EQ(CopyStreamWithProgress(source, dest, -1, [&](int64_t, int64_t) { told = true; }), 0);
    EXPECT_EQ(dest.GetSize(), 0);
    EXPECT_EQ(source.GetPosition(), 0);
    EXPECT_FALSE(told);
}

TEST(KvnTools, TempNamesAndDeletingWithSibling)
{
    std::string temp = MakeTempFileName();
    EXPECT_EQ(ExtractFileName(temp).substr(0, 3), "KVN");
    EXPECT_FALSE(FileExists(temp));

    std::string movie = tvmtest::OutputDir() + "delete_me.swf";
    tvmtest::WriteFile(movie, {1});
    tvmtest::WriteFile(ChangeFileExt(movie, ".TMP"), {2});
    EXPECT_TRUE(DeleteFileAndTmp(movie));
    EXPECT_FALSE(FileExists(movie));
    EXPECT_FALSE(FileExists(ChangeFileExt(movie, ".TMP")));
}

TEST(KvnTools, ProjectorTrailerBounds)
{
    tvmtest::Bytes movie = tvmtest::MakeSwf({}, "FWS");
    std::string target = tvmtest::OutputDir() + "extracted.swf";

    // The trailer's length taken at, below and past the file's bounds.
    const struct {
        const char* name;
        int64_t length;  // -1: the whole file before the trailer
        bool extracted;
    } cases[] = {{"exact.exe", 0, true}, {"whole.exe", -1, false}, {"two.exe", 2, false},
                 {"past.exe", 1 << 20, false}, {"huge.exe", 0xFFFFFFFFll, false}};
    for (const auto& c : cases) {
        tvmtest::Bytes exe = tvmtest::MakeProjector(movie);
        uint32_t length = c.length == 0 ? static_cast<uint32_t>(movie.size())
                          : c.length < 0 ? static_cast<uint32_t>(exe.size() - 8)
                                         : static_cast<uint32_t>(c.length);
        for (int i = 0; i < 4; ++i) exe[exe.size() - 4 + i] = static_cast<uint8_t>(length >> (8 * i));
        std::string path = tvmtest::OutputDir() + c.name;
        tvmtest::WriteFile(path, exe);

        std::string movieFile = "unchanged";
        DeleteFile(target);
        EXPECT_EQ(ExtractSWFFromProjector(path, target, {}, movieFile), c.extracted) << c.name;
        EXPECT_EQ(movieFile, c.extracted ? target : "unchanged") << c.name;
        if (c.extracted) {
            EXPECT_EQ(tvmtest::ReadFile(target), movie);
        }
    }
}

TEST(KvnTools, ProjectorToTemporaryMovie)
{
    std::string path = tvmtest::OutputDir() + "temp_projector.exe";
    tvmtest::Bytes movie = tvmtest::MakeSwf({}, "CWS");
    tvmtest::WriteFile(path, tvmtest::MakeProjector(movie));
    std::string movieFile;
    Screen->SetCursor(crCross);
    bool busyWhileCopying = false;
    ASSERT_TRUE(ExtractSWFFromProjector(path, "", [&](int64_t, int64_t) { busyWhileCopying = Screen->Cursor() == crHourGlass; },
                                        movieFile));
    EXPECT_TRUE(busyWhileCopying);
    EXPECT_EQ(Screen->Cursor(), crCross);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(ExtractFileExt(movieFile), ".swf");
    EXPECT_EQ(tvmtest::ReadFile(movieFile), movie);
    EXPECT_TRUE(DeleteFileAndTmp(movieFile));

    std::string renamed = ChangeFileExt(path, ".bin");
    tvmtest::WriteFile(renamed, tvmtest::MakeProjector(movie));
    EXPECT_FALSE(ExtractSWFFromProjector(renamed, "", {}, movieFile));
}
