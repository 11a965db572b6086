// The side audio file: its kind follows the target's extension, a WAV file
// gets its sizes, and MP3 written chunk by chunk loses and repeats nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnAudioEncoder.h"

namespace {

class SideAudio : public testing::Test {
protected:
    void SetUp() override { SetLameLibraryFolder(tvmtest::BinDir()); }
};

// Seconds of a 440 Hz tone, 44,100 Hz stereo 16-bit.
std::vector<int16_t> Tone(double seconds)
{
    const size_t frames = static_cast<size_t>(44100 * seconds);
    std::vector<int16_t> pcm(frames * 2);
    for (size_t i = 0; i < frames; ++i)
        pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(12000 * std::sin(2 * std::numbers::pi * 440 * i / 44100.0));
    return pcm;
}

void Load(TMemoryStream& stream, const void* data, size_t size)
{
    stream.Clear();
    stream.WriteBuffer(data, static_cast<int32_t>(size));
    stream.SetPosition(0);
}

uint32_t At32(const tvmtest::Bytes& bytes, size_t offset)
{
    uint32_t value;
    std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}

}

TEST_F(SideAudio, TheExtensionChoosesTheFile)
{
    const std::string base = tvmtest::OutputDir() + "side_kind";
    struct Case {
        std::string target;
        int mode;
        std::string written;
    } cases[] = {
        {base + ".MP3", TkvnAudioEncoder::ModeMP3, base + ".mp3"},
        {base + ".ogg", TkvnAudioEncoder::ModeWAV, base + ".wav"},
        {base, TkvnAudioEncoder::ModeNone, ""},
    };
    for (const Case& c : cases) {
        DeleteFile(c.written);
        {
            TkvnAudioEncoder encoder(c.target, 128);
            EXPECT_EQ(encoder.Mode(), c.mode) << c.target;
            EXPECT_EQ(encoder.FileName(), c.written);
        }
        if (!c.written.empty()) {
            EXPECT_TRUE(FileExists(c.written)) << c.written;
        }
    }
    EXPECT_EQ(FileSize(base + ".wav"), 44) << "an empty WAV file is its header";
}

TEST_F(SideAudio, WaveFileSizesArePatchedWhenItCloses)
{
    const std::string name = tvmtest::OutputDir() + "side_size.wav";
    {
        TkvnAudioEncoder encoder(name, 128);
        std::vector<uint8_t> pcm(176400, 1);
        TMemoryStream stream;
        Load(stream, pcm.data(), pcm.size());
        EXPECT_EQ(encoder.WriteData(&stream), 1);
        EXPECT_EQ(encoder.WriteData(nullptr), 0);
    }
    const tvmtest::Bytes file = tvmtest::ReadFile(name);
    ASSERT_EQ(file.size(), 176444u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(At32(file, 4), 176436u);
    EXPECT_EQ(At32(file, 24), 44100u);
    EXPECT_EQ(At32(file, 28), 176400u);
    EXPECT_EQ(At32(file, 40), 176400u);
}

// Chunk by chunk, holding back each chunk's last frame, the file must be
// byte for byte what one encode of the whole sound and its flush give.
TEST_F(SideAudio, Mp3ByChunksEqualsOneWholeEncode)
{
    const std::vector<int16_t> pcm = Tone(1.0);
    const size_t bytes = pcm.size() * 2;

    TMemoryStream whole;
    {
        TLameStream lame(44100, 128, 2);
        ASSERT_EQ(lame.InitResult(), 0u);
        ASSERT_EQ(lame.Encode(pcm.data(), bytes, whole), 0u);
        ASSERT_EQ(lame.Flush(whole), 0u);
    }

    const std::string name = tvmtest::OutputDir() + "side_audio.mp3";
    double lastInfo = 0;
    {
        TkvnAudioEncoder encoder(name, 128);
        TMemoryStream chunk;
        for (size_t at = 0; at < bytes; at += 4096 * 3) {
            Load(chunk, reinterpret_cast<const uint8_t*>(pcm.data()) + at, std::min<size_t>(4096 * 3, bytes - at));
            double info = 0;
            encoder.WriteData(encoder.EncodeChunk(chunk, info));
            if (info) lastInfo = info;
        }
        encoder.Close();
    }
    const tvmtest::Bytes file = tvmtest::ReadFile(name);
    ASSERT_EQ(file.size(), static_cast<size_t>(whole.GetSize()));
    EXPECT_EQ(std::memcmp(file.data(), whole.Memory(), file.size()), 0);
    EXPECT_GT(lastInfo, 0) << "the held-back frame's start time is reported";
}
