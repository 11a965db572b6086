// The files of an image sequence: their names, their formats and a target
// folder that cannot be written.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "kvnImageSequenceWriter.h"

TEST(ImageSequence, NumbersArePaddedToTheWidthAndNeverCut)
{
    const struct {
        int64_t number;
        int width;
        const char* text;
    } cases[] = {{1, 6, "000001"}, {42, 6, "000042"}, {999999, 6, "999999"}, {1000000, 6, "1000000"}, {7, 0, "7"}};
    for (const auto& c : cases) EXPECT_EQ(FormatSequenceNumber(c.number, c.width), c.text) << c.number;
}

TEST(ImageSequence, ExtensionFollowsTheCodecIndex)
{
    const char* byIndex[] = {".jpg", ".bmp", ".gif", ".pcx", ".tif", ".tga", ".png"};
    for (int index = 0; index < 7; ++index) EXPECT_EQ(SequenceImageExtension(index), byIndex[index]);
    EXPECT_EQ(SequenceImageExtension(7), ".jpg");
    EXPECT_EQ(SequenceImageExtension(-1), ".jpg");
    TkvnImageSequenceWriter writer("C:\\out.d\\clip.img", 6, 80);
    EXPECT_EQ(writer.NextFileName(), "C:\\out.d\\clip_000001.png");
}

// Numbered from 1 beside the target, each readable by Linux ffmpeg (see the
// checks in CMakeLists.txt).
TEST(ImageSequence, WritesNumberedFilesBesideTheTarget)
{
    MclImage image = MclImgCreate();
    MclImgRedim(image, 64, 48, 24);
    for (int codec : {0, 6}) {
        TkvnImageSequenceWriter writer(tvmtest::OutputDir() + "sequence-" + std::to_string(codec) + ".img", codec, 90);
        for (int i = 0; i < 3; ++i) {
            MclImgClear(image, MclRGB(static_cast<uint8_t>(80 * i), 40, 200));
            ASSERT_TRUE(writer.Write(image)) << writer.ErrorText();
        }
        EXPECT_EQ(writer.Written(), 3);
        EXPECT_NE(writer.NextFileName().find("_000004."), std::string::npos);
    }
    MclImgFree(image);
}

TEST(ImageSequence, AFolderThatCannotBeWrittenIsAnError)
{
    MclImage image = MclImgCreate();
    MclImgRedim(image, 16, 16, 24);
    TkvnImageSequenceWriter writer(tvmtest::OutputDir() + "no-such-folder\\clip.img", 1, 90);
    EXPECT_FALSE(writer.Write(image));
    EXPECT_EQ(writer.Written(), 0);
    EXPECT_NE(writer.ErrorText().find("clip_000001.bmp"), std::string::npos) << writer.ErrorText();
    MclImgFree(image);
}
