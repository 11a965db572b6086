// End to end through the converter: the tone movie of ConversionFixture.h
// converted by the player under the capture to an animated GIF, an image
// sequence and each media-library target. Debian's ffprobe judges the files (CMakeLists.txt).
#include <gtest/gtest.h>

#include "Canvas.h"
#include "ConversionFixture.h"
#include "GifCodec.h"
#include "TestSupport.h"
#include "kvnConverterFlags.h"
#include "kvnImageSequenceWriter.h"

namespace {

using tvmtest::ConversionTask;
using WriterConversion = tvmtest::ConverterTest;

}

TEST_F(WriterConversion, AnimatedGif)
{
    EXPECT_EQ(Convert(ConversionTask(10, 0, "e2e-gif.gif")), 1) << converter_->LastErrorText;
    EXPECT_EQ(endStates_, std::vector<int>{0});
    TGIFImage gif;
    TFileStream file(tvmtest::OutputDir() + "e2e-gif.gif", fmOpenRead);
    gif.LoadFromStream(file);
    // Two seconds at 12 frames a second, each frame as long as the rate says.
    ASSERT_EQ(gif.FrameCount(), 24);
    // The stage's own blue, above the square's row.
    EXPECT_EQ(gif.GetFrame(1).Bitmap()->Canvas().Pixels(4, 4), TColor(RGB(0x33, 0x66, 0xCC)));
    int delays = 0;
    for (int i = 0; i < gif.FrameCount(); ++i) delays += gif.GetFrame(i).DelayTime();
    EXPECT_EQ(delays, 2000);
}

// A transparent stage: the frames' alpha is flattened onto the stage colour,
// which the GIF then shows through.
TEST_F(WriterConversion, TransparentAnimatedGif)
{
    TkvnTavelomaticSettings task = ConversionTask(10, 0, "e2e-gif-alpha.gif");
    task.IsTransparent = true;
    task.WMode = "transparent";
    task.VideoSettings.StageBackgroundColor = 0x00FF00;  // lime, either byte order
    EXPECT_EQ(Convert(task), 1) << converter_->LastErrorText;
    TGIFImage gif;
    TFileStream file(tvmtest::OutputDir() + "e2e-gif-alpha.gif", fmOpenRead);
    gif.LoadFromStream(file);
    ASSERT_EQ(gif.FrameCount(), 24);
    TGIFFrame& frame = gif.GetFrame(1);
    EXPECT_EQ(frame.TransparentColor(), clLime);
    EXPECT_EQ(frame.Disposal(), 3);
    EXPECT_EQ(frame.Bitmap()->Canvas().Pixels(4, 4), clLime);
    EXPECT_EQ(frame.Bitmap()->Canvas().Pixels(30, 60), TColor(RGB(0xFF, 0xCC, 0x00)));
}

TEST_F(WriterConversion, ImageSequence)
{
    auto name = [](int number) {
        return tvmtest::OutputDir() + "e2e-seq_" + FormatSequenceNumber(number, 6) + ".png";
    };
    // None left from an earlier run.
    for (int number = 1; number <= 30; ++number) DeleteFileA(name(number).c_str());
    EXPECT_EQ(Convert(ConversionTask(11, 6, "e2e-seq.img")), 1) << converter_->LastErrorText;
    EXPECT_EQ(endStates_, std::vector<int>{0});
    // Two seconds at 12 frames a second.
    auto exists = [&](int number) { return GetFileAttributesA(name(number).c_str()) != INVALID_FILE_ATTRIBUTES; };
    EXPECT_TRUE(exists(24));
    EXPECT_FALSE(exists(25));
}

TEST_F(WriterConversion, ImageSequenceIntoAFolderThatCannotBeWrittenFails)
{
    TkvnTavelomaticSettings task = ConversionTask(11, 6, "e2e-locked.img");
    std::string folder = tvmtest::OutputDir() + "e2e-locked\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    task.TargetFilePath = folder;
    // A file where the first picture would go: it cannot be written over.
    HANDLE held = CreateFileA((folder + "e2e-locked_000001.png").c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(converter_->Convert(task), 0);
    CloseHandle(held);
    EXPECT_EQ(ConverterFlags().LastStateCode, 9);
    EXPECT_NE(converter_->LastErrorText.find("e2e-locked_000001.png"), std::string::npos) << converter_->LastErrorText;
    EXPECT_FALSE(ConverterFlags().Running);
}

// One row per media-library target; ffprobe reads codec, size, rate and length.
TEST_F(WriterConversion, MediaLibraryTargets)
{
    const struct {
        int format, videoCodec;
        const char* file;
    } rows[] = {{0, 0, "e2e-mcl.avi"}, {3, 3, "e2e-mcl.mp4"}, {4, 1, "e2e-mcl.wmv"}, {5, 1, "e2e-mcl.ogv"}};
    for (const auto& row : rows) {
        endStates_.clear();
        EXPECT_EQ(Convert(ConversionTask(row.format, row.videoCodec, row.file)), 1)
            << row.file << ": " << converter_->LastErrorText;
        EXPECT_EQ(endStates_, std::vector<int>{0}) << row.file;
    }
}
