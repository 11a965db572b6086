// The check before every conversion: its order, what it does to the target
// and how it fits the start and stop frames and the crop to the source.
#include <gtest/gtest.h>

#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnConverterFlags.h"
#include "kvnTaskCheck.h"

namespace {

class TaskCheck : public testing::Test {
protected:
    void SetUp() override
    {
        folder_ = tvmtest::OutputDir() + "task_check\\";
        ForceDirectories(folder_);
        source_ = folder_ + "source.swf";
        tvmtest::WriteFile(source_, {'F', 'W', 'S', 10});
        ConverterFlags() = {};
    }
    void TearDown() override { ConverterFlags() = {}; }

    TkvnTavelomaticSettings Task(const std::string& targetPath, const std::string& targetName = "out.mp4") const
    {
        TkvnTavelomaticSettings settings;
        settings.FileInfo.FileName = source_;
        settings.FileInfo.FrameCount = 100;
        settings.TargetFilePath = targetPath;
        settings.TargetFileName = targetName;
        settings.FrameNumberOfStartConverting = 1;
        settings.FrameNumberOfStopConverting = 50;
        settings.VideoSettings.StageWidth = 550;
        settings.VideoSettings.StageHeight = 400;
        return settings;
    }

    std::string folder_, source_;
};

TEST_F(TaskCheck, FirstFailingCheckDecides)
{
    // Already running wins over a missing source.
    TkvnTavelomaticSettings settings = Task(folder_);
    settings.FileInfo.FileName = folder_ + "missing.swf";
    ConverterFlags().Running = true;
    EXPECT_EQ(ValidateTask(settings), 8);
    ConverterFlags().Running = false;
    // A missing source wins over a folder that cannot be made.
    settings.TargetFilePath = source_ + "\\below a file\\";
    EXPECT_EQ(ValidateTask(settings), 2);
    settings.FileInfo.FileName = source_;
    EXPECT_EQ(ValidateTask(settings), 7);

    // A target that cannot be deleted.
    const std::string locked = folder_ + "locked.mp4";
    tvmtest::WriteFile(locked, {1, 2, 3});
    HANDLE open = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    TkvnTavelomaticSettings lockedTask = Task(folder_, "locked.mp4");
    EXPECT_EQ(ValidateTask(lockedTask), 3);
    CloseHandle(open);

    // Accepted: the old target is gone, a missing folder is made.
    EXPECT_EQ(ValidateTask(lockedTask), 0);
    EXPECT_FALSE(FileExists(locked));
    TkvnTavelomaticSettings deeper = Task(folder_ + "new\\deeper\\");
    EXPECT_EQ(ValidateTask(deeper), 0);
    EXPECT_TRUE(DirectoryExists(folder_ + "new\\deeper"));
}

TEST_F(TaskCheck, FramesAspectAndCropFitTheSource)
{
    const struct {
        int start, stop, frameCount;
        int wantStart, wantStop;
    } frames[] = {
        {1, 50, 100, 1, 50},
        {60, 50, 100, 1, 50},    // start after stop: from the first frame
        {1, 150, 100, 1, 100},   // stop beyond the movie: its last frame
        {1, -1, 100, 1, -1},     // no stop frame is kept
        {5, 150, -1, 5, 150},    // a frame count read as unsigned is huge
    };
    for (const auto& row : frames) {
        TkvnTavelomaticSettings settings = Task(folder_);
        settings.FrameNumberOfStartConverting = row.start;
        settings.FrameNumberOfStopConverting = row.stop;
        settings.FileInfo.FrameCount = row.frameCount;
        ASSERT_EQ(ValidateTask(settings), 0);
        EXPECT_EQ(settings.FrameNumberOfStartConverting, row.wantStart) << row.start << "-" << row.stop;
        EXPECT_EQ(settings.FrameNumberOfStopConverting, row.wantStop) << row.start << "-" << row.stop;
    }

    const struct {
        int left, top, width, height;
        int wantLeft, wantTop, wantWidth, wantHeight;
    } crops[] = {
        {10, 20, 100, 50, 10, 20, 100, 50},
        {-1, -1, -1, -1, 0, 0, 550, 400},
        {551, 401, 551, 401, 0, 0, 550, 400},
        {550, 400, 550, 400, 550, 400, 550, 400},
    };
    for (const auto& row : crops) {
        TkvnTavelomaticSettings settings = Task(folder_);
        TkvnVideoSettings& video = settings.VideoSettings;
        video.IsFrameCropped = true;
        video.CropLeft = row.left;
        video.CropTop = row.top;
        video.CropWidth = row.width;
        video.CropHeight = row.height;
        ASSERT_EQ(ValidateTask(settings), 0);
        EXPECT_EQ(video.CropLeft, row.wantLeft);
        EXPECT_EQ(video.CropTop, row.wantTop);
        EXPECT_EQ(video.CropWidth, row.wantWidth);
        EXPECT_EQ(video.CropHeight, row.wantHeight);
    }
    // An uncropped task keeps whatever its rectangle holds.
    TkvnTavelomaticSettings uncropped = Task(folder_);
    uncropped.VideoSettings.CropLeft = -5;
    ASSERT_EQ(ValidateTask(uncropped), 0);
    EXPECT_EQ(uncropped.VideoSettings.CropLeft, -5);

    // A transparent stage keeps its frames unreshaped.
    TkvnTavelomaticSettings transparent = Task(folder_);
    transparent.IsTransparent = true;
    transparent.VideoSettings.AspectRatioMode = 3;
    ASSERT_EQ(ValidateTask(transparent), 0);
    EXPECT_EQ(transparent.VideoSettings.AspectRatioMode, 0);
}

}
