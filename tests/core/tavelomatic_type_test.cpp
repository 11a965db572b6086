// Code tables and per-format target defaults of a task's settings.
#include <gtest/gtest.h>

#include "kvnTavelomaticType.h"

namespace {

TkvnFlashFileInfo Movie()
{
    TkvnFlashFileInfo info;
    info.FileName = "C:\\m\\a.swf";
    info.Width = 320;
    info.Height = 240;
    info.FPS = 24;
    return info;
}

TkvnTavelomaticSettings Defaults(TkvnTargetFileFormat code, int videoIndex, int audioIndex = 0)
{
    TkvnTavelomaticSettings settings;
    settings.AudioSettings.IsAudioIncluded = true;
    EXPECT_TRUE(ApplyTargetFormatDefaults(Movie(), code, videoIndex, audioIndex, settings));
    return settings;
}

}

TEST(TavelomaticType, SnapFrameRate)
{
    const struct {
        double rate, snapped;
    } cases[] = {{23.976, 24000.0 / 1001}, {24, 25}, {25, 25}, {29.98, 30}, {31, 50}, {59.95, 60},
                 {61, 60}, {0, 0}, {-5, 0}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(SnapFrameRate(c.rate), c.snapped) << c.rate;
}

TEST(TavelomaticType, CodecNamesAndIndexes)
{
    std::string name;
    GetAudioCodecName(10, 7, name);
    EXPECT_EQ(name, "none");
    GetVideoCodecName(0, 9, name);
    EXPECT_EQ(name, "unknown");
    GetVideoCodecName(3, 3, name);
    EXPECT_EQ(name, "mcl");
    GetAudioCodecName(4, 5, name);  // one sound codec answers for every index
    EXPECT_EQ(name, "wma");
    GetAudioCodecName(9, 2, name);
    EXPECT_EQ(name, "mp3");
    EXPECT_EQ(GetVideoCodecIndex(3, "MCL"), 3);
    EXPECT_EQ(GetVideoCodecIndex(3, "h263"), 0);
    EXPECT_EQ(GetVideoCodecIndex(0x80 | 6, "X264"), 1);  // only the low 7 bits count
    EXPECT_EQ(GetAudioCodecIndex(2, "mp2"), 1);

    name = "kept";
    GetTargetFormatName(13, false, name);
    EXPECT_EQ(name, "kept");
    GetTargetFormatName(11, true, name);
    EXPECT_EQ(name, "Images(Image Sequence)");
    GetVideoCodecList(12, name);
    EXPECT_EQ(name, "unknown");
    EXPECT_EQ(GetWModeIndex("DIRECT"), 1);
    EXPECT_EQ(GetWModeIndex("opaque"), 0);
}

TEST(TavelomaticType, TargetDefaultsPerFormat)
{
    const struct {
        TkvnTargetFileFormat code;
        int videoIndex;
        const char* fileName;
        int32_t width, height;
        double fps;
        int32_t bitrate, minBitrate, maxBitrate;
        int32_t sampleRate, audioBitRate;
    } cases[] = {
        {0, 0, "a.avi", 320, 240, 24, 320 * 240 * 24 * 25, -1, -1, 44100, 128000},
        {0, 2, "a.avi", 320, 240, 24, 1500000, -1, -1, 44100, 128000},
        {1, 0, "a.dat", 352, 240, 30000.0 / 1001, 1150000, 1150000, 1150000, 44100, 224000},
        {1, 3, "a.dat", 704, 576, 25, 1150000, 1150000, 1150000, 44100, 224000},
        {2, 0, "a.vob", 720, 480, 30000.0 / 1001, 6000000, 0, 9000000, 48000, 448000},
        {2, 3, "a.mpg", 480, 576, 25, 2040000, 0, 2516000, 44100, 224000},
        {2, 6, "a.vob", 720, 480, 30000.0 / 1001, 6000000, 0, 9000000, 48000, 448000},
        {3, 3, "a.mp4", 320, 240, 24, 1500000, -1, -1, 44100, 128000},
        {5, 0, "a.ogg", 320, 240, 24, 1500000, -1, -1, 44100, 128000},
        {5, 1, "a.ogv", 320, 240, 24, 1200000, -1, -1, 44100, 128000},
        {10, 0, "a.gif", 320, 240, 12, -1, -1, -1, 44100, 128000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "format " << int(c.code) << " codec " << c.videoIndex);
        TkvnTavelomaticSettings s;
        s.VideoSettings.Width = 320;
        s.VideoSettings.Height = 240;
        ASSERT_TRUE(ApplyTargetFormatDefaults(Movie(), c.code, c.videoIndex, 0, s));
        EXPECT_EQ(s.TargetFilePath, "C:\\m\\");
        EXPECT_EQ(s.TargetFileName, c.fileName);
        EXPECT_EQ(s.TargetFileFormat, c.code);
        EXPECT_EQ(s.VideoSettings.Width, c.width);
        EXPECT_EQ(s.VideoSettings.Height, c.height);
        EXPECT_FLOAT_EQ(s.VideoSettings.FPS, static_cast<float>(c.fps));
        EXPECT_EQ(s.VideoSettings.Bitrate, c.bitrate);
        EXPECT_EQ(s.VideoSettings.MinBitrate, c.minBitrate);
        EXPECT_EQ(s.VideoSettings.MaxBitrate, c.maxBitrate);
        EXPECT_EQ(s.AudioSettings.SampleRate, c.sampleRate);
        EXPECT_EQ(s.AudioSettings.BitRate, c.audioBitRate);
    }
}

TEST(TavelomaticType, CodecIndexesAreClampedPerFormat)
{
    EXPECT_EQ(Defaults(0, 1, 7).AudioSettings.CodecID, 0);
    EXPECT_EQ(Defaults(0, 1, 4).AudioSettings.CodecID, 4);
    EXPECT_EQ(Defaults(3, 5, -1).VideoSettings.CodecID, 0);
    EXPECT_EQ(Defaults(4, 0).VideoSettings.CodecID, 0);
    EXPECT_EQ(Defaults(7, 3).VideoSettings.CodecID, 0);
    EXPECT_EQ(Defaults(9, 2, 2).AudioSettings.CodecID, 2);
    EXPECT_EQ(Defaults(8, 2, 2).AudioSettings.CodecID, 0);
}

TEST(TavelomaticType, ThreeGppKeepsOnlyAmrBitRates)
{
    for (int32_t previous : {128000, 0, 20, 750, 12200, 4750}) {
        TkvnTavelomaticSettings s;
        s.AudioSettings.BitRate = previous;
        ApplyTargetFormatDefaults(Movie(), 8, 0, 0, s);
        const bool amr = previous == 12200 || previous == 4750;
        EXPECT_EQ(s.AudioSettings.BitRate, amr ? previous : 7400) << previous;
        EXPECT_EQ(s.AudioSettings.Channels, 1);
        EXPECT_EQ(s.AudioSettings.SampleRate, 8000);
    }
}

TEST(TavelomaticType, PictureFormatsDropSoundAndFlvKeepsBitrateBounds)
{
    TkvnTavelomaticSettings gif = Defaults(10, 0);
    EXPECT_TRUE(gif.IsTransparent);
    EXPECT_FALSE(gif.AudioSettings.IsAudioIncluded);
    TkvnTavelomaticSettings images = Defaults(11, 4);
    EXPECT_FALSE(images.IsTransparent);
    EXPECT_FALSE(images.AudioSettings.IsAudioIncluded);
    EXPECT_DOUBLE_EQ(images.VideoSettings.Quality, 85.0);
    EXPECT_EQ(images.TargetFileName, "a.img");

    TkvnTavelomaticSettings flv;
    flv.VideoSettings.MinBitrate = 100;
    flv.VideoSettings.MaxBitrate = 200;
    ApplyTargetFormatDefaults(Movie(), 6, 1, 0, flv);
    EXPECT_EQ(flv.VideoSettings.MinBitrate, 100);
    EXPECT_EQ(flv.VideoSettings.MaxBitrate, 200);
}

TEST(TavelomaticType, UncompressedAviOfALargeStageSaturatesTheBitrate)
{
    // 2560x1440 at 24 bits weighs about 2.2 Gbit/s: past an Integer's range.
    TkvnFlashFileInfo large = Movie();
    large.Width = 2560;
    large.Height = 1440;
    TkvnTavelomaticSettings s;
    ASSERT_TRUE(ApplyTargetFormatDefaults(large, 0, 0, 0, s));
    EXPECT_EQ(s.VideoSettings.Bitrate, INT32_MAX);
}

TEST(TavelomaticType, CodesWithoutAFormatChangeNothing)
{
    for (TkvnTargetFileFormat code : {kTargetFormatByExtension, TkvnTargetFileFormat{200}}) {
        TkvnTavelomaticSettings s;
        s.TargetFileName = "keep.mp4";
        s.VideoSettings.Bitrate = 7;
        const TkvnTavelomaticSettings before = s;
        EXPECT_TRUE(ApplyTargetFormatDefaults(Movie(), code, 0, 0, s)) << int(code);
        EXPECT_TRUE(s == before) << int(code);
    }
}

TEST(TavelomaticType, CopyAlwaysIncludesVideoAndCopiesFilters)
{
    TkvnTavelomaticSettings source;
    source.VideoSettings.IsVideoIncluded = false;
    source.WMode = "direct";
    TkvnVideoFilterEntry entry;
    entry.Values[4] = 7;
    source.VideoSettings.VideoEffects.Filters.Add(entry);

    TkvnTavelomaticSettings dest;
    CopyTavelomaticSettings(dest, source);
    EXPECT_TRUE(dest.VideoSettings.IsVideoIncluded);
    EXPECT_EQ(dest.WMode, "direct");
    ASSERT_EQ(dest.VideoSettings.VideoEffects.Filters.Count(), 1);
    EXPECT_EQ(dest.VideoSettings.VideoEffects.Filters.Item(0)->Values[4], 7);
    EXPECT_EQ(dest.VideoSettings.VideoEffects.Filters.Item(1), nullptr);
    source.VideoSettings.VideoEffects.Filters.Clear();
    EXPECT_EQ(dest.VideoSettings.VideoEffects.Filters.Count(), 1);
}
