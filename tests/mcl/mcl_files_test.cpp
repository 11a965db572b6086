// Picture files of the media library. This test writes one file of each
// format and its reference pixels; Debian's ffmpeg on the Linux side reads
// them back (image-check), and so does the library itself here.
#include <gtest/gtest.h>

#include <cmath>

#include "MclApi.h"
#include "MclTestPictures.h"
#include "TestSupport.h"

namespace {

struct Format {
    const char* extension;
    bool lossless;
};

const Format Formats[] = {{"bmp", true}, {"png", true}, {"tif", true}, {"tga", true},
                          {"pcx", true}, {"gif", true}, {"jpg", false}};

// A library picture of the pattern, whose pixels are left in Reference for
// the Linux-side check.
MclImage WithReference(const mcltest::Pixels& pattern, const char* reference)
{
    std::string file = tvmtest::OutputDir() + reference;
    DeleteFileA(file.c_str());
    mcltest::AppendRaw(file, pattern);
    return mcltest::ToImage(pattern);
}

double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    double squared = 0;
    for (size_t i = 0; i < a.size(); ++i) squared += (a[i] - b[i]) * (a[i] - b[i]);
    return squared == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * a.size() / squared);
}

}

TEST(MclFiles, WritesEachFormatAndReadsItBack)
{
    mcltest::Pixels pattern = mcltest::Pattern(64, 48, 24, 3);
    MclImage img = WithReference(pattern, "mcl-image.rgb");
    for (const Format& format : Formats) {
        std::string name = tvmtest::OutputDir() + "mcl-image." + format.extension;
        ASSERT_EQ(MclSimpleWriteImage(img, name.c_str(), 0x7FFFFFFF, 90.0), MCL_OK) << name;
        MclImage read = MclImgCreate();
        ASSERT_EQ(MclSimpleReadFirstImage(name.c_str(), read), MCL_OK) << name;
        mcltest::Pixels got = mcltest::FromImage(read);
        ASSERT_EQ(got.Width, 64) << name;
        ASSERT_EQ(got.Height, 48) << name;
        if (got.Bits == 32) MclImgRedim(read, 64, 48, 24), got = mcltest::FromImage(read);
        if (format.lossless)
            EXPECT_EQ(got.Data, pattern.Data) << name;
        else
            EXPECT_GE(Psnr(got.Data, pattern.Data), 30.0) << name;
        MclImgFree(read);
    }
    MclImgFree(img);
}

TEST(MclFiles, KeepsAlphaWhereTheFormatHasIt)
{
    mcltest::Pixels pattern = mcltest::Pattern(40, 24, 32, 1);
    MclImage img = WithReference(pattern, "mcl-image-alpha.rgba");
    std::string name = tvmtest::OutputDir() + "mcl-image-alpha.png";
    ASSERT_EQ(MclSimpleWriteImage(img, name.c_str(), 0x7FFFFFFF, 0.0), MCL_OK);
    MclImage read = MclImgCreate();
    ASSERT_EQ(MclSimpleReadFirstImage(name.c_str(), read), MCL_OK);
    EXPECT_EQ(mcltest::FromImage(read).Data, pattern.Data);
    MclImgFree(read);
    MclImgFree(img);
}

TEST(MclFiles, FailuresAreNeverSuccess)
{
    MclImage img = mcltest::ToImage(mcltest::Pattern(8, 8, 24, 0));
    MclImage empty = MclImgCreate();
    std::string missing = tvmtest::OutputDir() + "no-such-folder\\x.png";
    std::string notImage = tvmtest::OutputDir() + "mcl-image.rgb";
    EXPECT_EQ(MclSimpleWriteImage(img, missing.c_str(), 0x7FFFFFFF, 90.0), MCL_ERR_FILE);
    EXPECT_EQ(MclSimpleWriteImage(img, (tvmtest::OutputDir() + "x.xyz").c_str(), 0, 90.0), MCL_ERR_NOT_SUPPORTED);
    EXPECT_EQ(MclSimpleWriteImage(empty, (tvmtest::OutputDir() + "x.png").c_str(), 0, 90.0), MCL_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(MclSimpleReadFirstImage(missing.c_str(), img), MCL_ERR_FILE);
    EXPECT_EQ(MclSimpleReadFirstImage(notImage.c_str(), img), MCL_ERR_FILE);
    EXPECT_EQ(MclSimpleReadFirstImage(notImage.c_str(), 0), MCL_ERR_INVALID_HANDLE);
    MclImgFree(img);
    MclImgFree(empty);
}
