// The shipped FFmpeg DLLs load from libav\ and offer every encoder and muxer
// that the converter's tables can choose.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

HMODULE LoadShipped(const char* name)
{
    std::string path = tvmtest::BinDir() + "libav\\" + name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

std::string Join(const std::vector<std::string>& names)
{
    std::string all;
    for (const auto& n : names) all += (all.empty() ? "" : ", ") + n;
    return all;
}

}

TEST(FFmpegDlls, EveryLibraryLoads)
{
    for (const char* name : {"avutil-57.dll", "swresample-4.dll", "swscale-6.dll", "avcodec-59.dll",
                             "avformat-59.dll", "avfilter-8.dll", "avdevice-59.dll"}) {
        EXPECT_NE(LoadShipped(name), nullptr) << name << " error " << GetLastError();
    }
}

TEST(FFmpegDlls, ConverterEncodersAreThere)
{
    HMODULE avcodec = LoadShipped("avcodec-59.dll");
    ASSERT_NE(avcodec, nullptr);
    auto find = tvmtest::Entry<const void* (*)(const char*)>(avcodec, "avcodec_find_encoder_by_name");
    ASSERT_NE(find, nullptr);

    std::vector<std::string> missing;
    for (const char* name : {"libmp3lame", "mp2", "ac3", "flac", "pcm_s16le", "aac", "libopencore_amrnb",
                             "wmav2", "libvorbis", "mpeg4", "libx264", "msmpeg4v2", "msmpeg4", "huffyuv",
                             "ffvhuff", "ffv1", "mpeg1video", "mpeg2video", "wmv2", "libtheora", "flv"}) {
        if (!find(name)) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << "missing encoders: " << Join(missing);
}

TEST(FFmpegDlls, ConverterMuxersAreThere)
{
    HMODULE avformat = LoadShipped("avformat-59.dll");
    ASSERT_NE(avformat, nullptr);
    auto guess = tvmtest::Entry<const void* (*)(const char*, const char*, const char*)>(avformat, "av_guess_format");
    ASSERT_NE(guess, nullptr);

    std::vector<std::string> missing;
    for (const char* name : {"avi", "mpeg", "mpegts", "mp4", "mov", "3gp", "3g2", "flv", "vcd", "svcd", "dvd"}) {
        if (!guess(name, nullptr, nullptr)) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << "missing muxers: " << Join(missing);
}
