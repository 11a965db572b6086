// lame_enc.dll encodes PCM into MP3 through its Windows DLL interface; the
// file it leaves is judged afterwards by Linux ffprobe (probe-check).
#include <gtest/gtest.h>
#include <windows.h>

#include <BladeMP3EncDLL.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "TestSupport.h"

TEST(LameEnc, EncodesOneSecondOfSine)
{
    HMODULE lame = LoadLibraryA((tvmtest::BinDir() + "lame_enc.dll").c_str());
    ASSERT_NE(lame, nullptr);
    auto init = tvmtest::Entry<BEINITSTREAM>(lame, "beInitStream");
    auto encode = tvmtest::Entry<BEENCODECHUNK>(lame, "beEncodeChunk");
    auto deinit = tvmtest::Entry<BEDEINITSTREAM>(lame, "beDeinitStream");
    auto close = tvmtest::Entry<BECLOSESTREAM>(lame, "beCloseStream");
    ASSERT_TRUE(init && encode && deinit && close);

    BE_CONFIG config{};
    ASSERT_EQ(sizeof(config), 332u);
    config.dwConfig = BE_CONFIG_LAME;
    config.format.LHV1.dwStructVersion = 1;
    config.format.LHV1.dwStructSize = sizeof(config);
    config.format.LHV1.dwSampleRate = 44100;
    config.format.LHV1.dwReSampleRate = 44100;
    config.format.LHV1.nMode = BE_MP3_MODE_STEREO;
    config.format.LHV1.dwBitrate = 128;
    config.format.LHV1.dwMaxBitrate = 320;
    config.format.LHV1.bCRC = TRUE;
    config.format.LHV1.nVBRQuality = 4;

    DWORD samplesPerChunk = 0, outSize = 0;
    HBE_STREAM stream = 0;
    ASSERT_EQ(init(&config, &samplesPerChunk, &outSize, &stream), BE_ERR_SUCCESSFUL);
    ASSERT_GT(samplesPerChunk, 0u);

    const int frames = 44100;
    std::vector<SHORT> pcm(frames * 2);
    for (int i = 0; i < frames; ++i) {
        auto v = static_cast<SHORT>(12000 * std::sin(2 * std::numbers::pi * 440 * i / 44100.0));
        pcm[2 * i] = pcm[2 * i + 1] = v;
    }

    std::vector<BYTE> out(outSize);
    tvmtest::Bytes mp3;
    for (size_t at = 0; at < pcm.size(); at += samplesPerChunk) {
        DWORD n = static_cast<DWORD>(std::min<size_t>(samplesPerChunk, pcm.size() - at));
        DWORD written = 0;
        ASSERT_EQ(encode(stream, n, pcm.data() + at, out.data(), &written), BE_ERR_SUCCESSFUL);
        mp3.insert(mp3.end(), out.begin(), out.begin() + written);
    }
    DWORD written = 0;
    ASSERT_EQ(deinit(stream, out.data(), &written), BE_ERR_SUCCESSFUL);
    mp3.insert(mp3.end(), out.begin(), out.begin() + written);
    EXPECT_EQ(close(stream), BE_ERR_SUCCESSFUL);

    tvmtest::WriteFile(tvmtest::OutputDir() + "sine440.mp3", mp3);
}
