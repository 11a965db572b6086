// The programs see exactly one sound output device under scripts/wine-run,
// and it opens in the one format the player writes.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

TEST(WaveDevice, OneDeviceOpensIn44100StereoPcm)
{
    ASSERT_EQ(waveOutGetNumDevs(), 1u);

    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = 44100 * 4;
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}
