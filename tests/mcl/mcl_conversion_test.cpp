// The conversion object of libmcl-5.4.0.dll: its handles and settings.
#include <gtest/gtest.h>

#include "MclApi.h"

TEST(MclLibrary, PacksColoursRedFirst)
{
    EXPECT_EQ(MclRGB(192, 192, 192), 0xC0C0C0u);
    EXPECT_EQ(MclRGB(1, 2, 3), 0x030201u);
}

TEST(MclLibrary, DefaultBitRatePerConfiguration)
{
    struct Case {
        const char* what;
        int32_t fileFormat, preset;
        uint32_t codec;
        int32_t width, height;
        int32_t expectedKbps;
    };
    for (const Case& c : {Case{"raw AVI 320x240x24 at 25 fps", 6, 0, MCL_FOURCC_DIB, 320, 240, 46080},
                          Case{"raw AVI 65535x65535x24 at 25 fps", 6, 0, MCL_FOURCC_DIB, 65535, 65535, INT32_MAX},
                          Case{"MPEG-4 preset", 0, 7, 0, 320, 240, 1500}, Case{"WMV preset", 0, 8, 0, 320, 240, 1000},
                          Case{"OGV", 27, 0, 0, 320, 240, 1200}}) {
        MclHandle m = MclCreate();
        ASSERT_NE(m, 0u);
        if (c.fileFormat) MclVideoSetFileFormat(m, c.fileFormat);
        if (c.preset) MclSetFormatPreset(m, c.preset, 1);
        if (c.codec) MclVideoSetCodec(m, c.codec);
        MclVideoSetFormat(m, c.width, c.height, 24);
        int32_t rate = 0, minRate = 0, maxRate = 0;
        EXPECT_EQ(MclVideoGetBitRate(m, &rate, &minRate, &maxRate), MCL_OK) << c.what;
        EXPECT_EQ(rate, c.expectedKbps) << c.what;
        MclFree(m);
    }
}

TEST(MclLibrary, KeepsUserDataAndRefusesBadArguments)
{
    MclHandle m = MclCreate();
    int context = 0;
    EXPECT_EQ(MclSetUserData(m, &context), MCL_OK);
    EXPECT_EQ(MclGetUserData(m), &context);
    EXPECT_EQ(MclVideoSetFormat(m, 320, 240, 16), MCL_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(MclVideoSetFrameRate(0, 25.0), MCL_ERR_INVALID_HANDLE);
    MclFree(m);
}

TEST(MclLibrary, RefusesHandlesItDidNotGiveOut)
{
    MclHandle m = MclCreate();
    MclHandle other = MclCreate();
    ASSERT_NE(m, other);
    MclFree(m);
    for (MclHandle handle : {m, MclHandle(0), MclHandle(other + 1000), MclHandle(0xFFFFFFFF)}) {
        EXPECT_EQ(MclVideoSetFrameRate(handle, 25.0), MCL_ERR_INVALID_HANDLE) << handle;
        EXPECT_EQ(MclSetSplitting(handle, 0, 2147483648.0), MCL_ERR_INVALID_HANDLE) << handle;
        EXPECT_EQ(MclGetUserData(handle), nullptr) << handle;
    }
    MclFree(m);  // freeing twice changes nothing
    EXPECT_EQ(MclVideoSetFrameRate(other, 25.0), MCL_OK);
    MclFree(other);
}
