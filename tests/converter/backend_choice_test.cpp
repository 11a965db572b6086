// The back end and the encoder names a task's format and codecs choose, and
// what the choice changes in the working copy of the settings.
#include <gtest/gtest.h>

#include "kvnBackEndChoice.h"

namespace {

TkvnTavelomaticSettings Task(int format, int video, int audio)
{
    TkvnTavelomaticSettings settings;
    settings.TargetFileName = "movie.xyz";
    settings.TargetFileFormat = static_cast<TkvnTargetFileFormat>(format);
    settings.VideoSettings.CodecID = video;
    settings.AudioSettings.CodecID = audio;
    settings.VideoSettings.Bitrate = 800000;
    settings.VideoSettings.MinBitrate = 400000;
    settings.VideoSettings.MaxBitrate = 1200000;
    settings.AudioSettings.BitRate = 128000;
    settings.AudioSettings.SampleRate = 22050;
    settings.AudioSettings.Channels = 2;
    return settings;
}

struct ChoiceRow {
    int format, video, audio;
    TkvnBackEndKind kind;
    const char *container, *videoCodec, *tag, *audioCodec;
    bool limitsOff;
};

TEST(BackEndChoice, FormatAndCodecsChooseBackEndAndNames)
{
    const ChoiceRow rows[] = {
        {0, 0, 0, bkMcl, "", "", "", "", false},
        {0, 1, 1, bkFFmpeg, "avi", "mpeg4", "DIVX", "mp2", true},
        {0, 2, 2, bkFFmpeg, "avi", "libxvid", "", "ac3", false},
        {0, 3, 4, bkFFmpeg, "avi", "libx264", "", "pcm_s16le", false},
        // The old Microsoft codecs take MP3 where FLAC was asked for.
        {0, 4, 3, bkFFmpeg, "avi", "msmpeg4v2", "", "libmp3lame", false},
        {0, 5, 3, bkFFmpeg, "avi", "msmpeg4v1", "", "libmp3lame", false},
        {0, 6, 3, bkFFmpeg, "avi", "huffyuv", "", "flac", false},
        {0, 7, 9, bkFFmpeg, "avi", "ffvhuff", "", "libmp3lame", false},
        {0, 8, 0, bkFFmpeg, "avi", "ffv1", "", "libmp3lame", false},
        {0, 9, 0, bkFFmpeg, "avi", "libxvid", "", "libmp3lame", false},
        {1, 2, 0, bkFFmpeg, "mpeg", "mpeg1video", "", "mp2", true},
        {2, 4, 1, bkFFmpeg, "mpegts", "mpeg2video", "", "mp2", true},
        {2, 4, 0, bkFFmpeg, "mpegts", "mpeg2video", "", "ac3", true},
        {3, 0, 0, bkFFmpeg, "mp4", "libxvid", "", "libfaac", false},
        {3, 1, 1, bkFFmpeg, "mp4", "mpeg4", "", "libmp3lame", true},
        {3, 2, 2, bkFFmpeg, "mp4", "libx264", "", "libfaac", false},
        {3, 3, 0, bkMcl, "", "", "", "", false},
        {3, 7, 0, bkFFmpeg, "mp4", "libxvid", "", "libfaac", false},
        {4, 1, 0, bkMcl, "", "", "", "", false},
        {4, 0, 3, bkFFmpeg, "", "wmv2", "", "wmav2", true},
        {5, 1, 0, bkMcl, "", "", "", "", false},
        {5, 2, 1, bkFFmpeg, "", "libtheora", "", "libvorbis", false},
        {6, 1, 0, bkFFmpeg, "mp4", "libx264", "", "libmp3lame", false},
        {6, 0, 0, bkFFmpeg, "flv", "flv", "", "", true},
        {7, 0, 1, bkFFmpeg, "mov", "libxvid", "", "libmp3lame", false},
        {7, 1, 0, bkFFmpeg, "mov", "mpeg4", "", "libfaac", true},
        {7, 2, 0, bkFFmpeg, "mov", "libx264", "", "libfaac", false},
        {8, 1, 1, bkFFmpeg, "3gp", "mpeg4", "", "libopencore_amrnb", true},
        {9, 2, 2, bkFFmpeg, "3g2", "libx264", "", "libmp3lame", false},
        {9, 0, 1, bkFFmpeg, "3g2", "libxvid", "", "libopencore_amrnb", false},
        {10, 3, 3, bkAnimatedGif, "", "", "", "", false},
        {11, 0, 0, bkImageSequence, "", "", "", "", false},
        {12, 0, 0, bkNone, "", "", "", "", false},
    };
    for (const ChoiceRow& row : rows) {
        TkvnTavelomaticSettings settings = Task(row.format, row.video, row.audio);
        const TkvnBackEndChoice choice = ChooseBackEnd(settings);
        SCOPED_TRACE(testing::Message() << "format " << row.format << " video " << row.video << " audio " << row.audio);
        EXPECT_EQ(choice.Kind, row.kind);
        EXPECT_EQ(choice.Container, row.container);
        EXPECT_EQ(choice.VideoCodec, row.videoCodec);
        EXPECT_EQ(choice.VideoTag, row.tag);
        EXPECT_EQ(choice.AudioCodec, row.audioCodec);
        if (row.kind == bkFFmpeg) {
            EXPECT_EQ(settings.VideoSettings.MinBitrate, row.limitsOff ? -1 : 400000);
            EXPECT_EQ(settings.VideoSettings.MaxBitrate, row.limitsOff ? -1 : 1200000);
        }
    }
}

// The video-disc presets: their picture, sound and file extension.
TEST(BackEndChoice, DiscPresetsSetPictureSoundAndExtension)
{
    const struct {
        int format, video;
        const char* container;
        int sampleRate, bitRate, width, height;
        float fps;
        const char* file;
    } rows[] = {
        {1, 0, "vcd_ntsc", 44100, 224000, 352, 240, 29.97f, "movie.dat"},
        {1, 1, "vcd_pal", 44100, 224000, 352, 288, 25, "movie.dat"},
        {2, 0, "dvd_ntsc", 48000, 448000, 720, 480, 29.97f, "movie.vob"},
        {2, 1, "dvd_pal", 48000, 448000, 720, 576, 25, "movie.vob"},
        {2, 2, "svcd_ntsc", 44100, 224000, 480, 480, 29.97f, "movie.mpg"},
        {2, 3, "svcd_pal", 44100, 224000, 480, 576, 25, "movie.mpg"},
    };
    for (const auto& row : rows) {
        TkvnTavelomaticSettings settings = Task(row.format, row.video, 0);
        const TkvnBackEndChoice choice = ChooseBackEnd(settings);
        SCOPED_TRACE(row.container);
        EXPECT_EQ(choice.Container, row.container);
        EXPECT_EQ(settings.AudioSettings.SampleRate, row.sampleRate);
        EXPECT_EQ(settings.AudioSettings.BitRate, row.bitRate);
        EXPECT_EQ(settings.VideoSettings.Width, row.width);
        EXPECT_EQ(settings.VideoSettings.Height, row.height);
        EXPECT_EQ(settings.VideoSettings.FPS, row.fps);
        EXPECT_EQ(settings.VideoSettings.MaxBitrate, -1);
        EXPECT_EQ(settings.TargetFileName, row.file);
    }
    // SVCD writes MP2 whatever sound was asked for.
    TkvnTavelomaticSettings svcd = Task(2, 2, 0);
    EXPECT_EQ(ChooseBackEnd(svcd).AudioCodec, "mp2");
    TkvnTavelomaticSettings mpeg1 = Task(1, 2, 0);
    ChooseBackEnd(mpeg1);
    EXPECT_EQ(mpeg1.TargetFileName, "movie.mpg");
}

// 3GP's sound is mono 8 kHz, at a bit rate its AMR encoder knows; the test
// of the rate is whether its digits occur in the list at all.
TEST(BackEndChoice, ThreeGpKeepsOnlyRatesFoundInItsList)
{
    const struct {
        int bitRate, kept;
    } rows[] = {{128000, 7400}, {7950, 7950}, {950, 950}, {12200, 12200}, {4751, 7400}};
    for (const auto& row : rows) {
        TkvnTavelomaticSettings settings = Task(8, 0, 0);
        settings.AudioSettings.BitRate = row.bitRate;
        ChooseBackEnd(settings);
        EXPECT_EQ(settings.AudioSettings.BitRate, row.kept) << row.bitRate;
        EXPECT_EQ(settings.AudioSettings.Channels, 1);
        EXPECT_EQ(settings.AudioSettings.SampleRate, 8000);
    }
    // 3G2 leaves the sound as it was.
    TkvnTavelomaticSettings settings = Task(9, 0, 0);
    ChooseBackEnd(settings);
    EXPECT_EQ(settings.AudioSettings.BitRate, 128000);
    EXPECT_EQ(settings.AudioSettings.Channels, 2);
}

// The uncompressed AVI keeps its rates in bit/s like every other media-library
// format: the back end turns them into the library's kbit/s once, for all.
TEST(BackEndChoice, MediaLibraryAviKeepsBitsPerSecond)
{
    TkvnTavelomaticSettings settings = Task(0, 0, 0);
    settings.VideoSettings.MinBitrate = -1;
    ASSERT_EQ(ChooseBackEnd(settings).Kind, bkMcl);
    EXPECT_EQ(settings.VideoSettings.Bitrate, 800000);
    EXPECT_EQ(settings.VideoSettings.MinBitrate, -1);
    EXPECT_EQ(settings.VideoSettings.MaxBitrate, 1200000);
    EXPECT_EQ(settings.AudioSettings.BitRate, 128000);
}

}
