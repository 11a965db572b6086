// Measures and prints how fast the media library converts: 100 pictures of
// 640 x 480 with their sound into each target. Not a test: it judges nothing.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "MclApi.h"
#include "MclTestPictures.h"
#include "TestSupport.h"

namespace {

constexpr int Pictures = 100;
int given = 0;
MclImage picture = 0;
std::vector<int16_t> silence(1764 * 2);

void WINAPI VideoSource(MclHandle m)
{
    if (given++ >= Pictures) {
        MclSourceFinished(m);
        return;
    }
    MclSourceSetImage(m, picture);
    MclSourceSetFrameRate(m, 25.0);
}

void WINAPI AudioSource(MclHandle m)
{
    MclSourceSetSamples(m, silence.data(), 1764, 44100, 2, 16);
}

}

int main()
{
    picture = mcltest::ToImage(mcltest::Pattern(640, 480, 24, 0));
    struct Target {
        const char* name;
        int32_t format, preset, bits;
    };
    for (const Target& t : {Target{"avi", MCL_FILE_FORMAT_AVI, 0, 32}, Target{"mp4", 0, MCL_PRESET_MPEG4, 24},
                            Target{"wmv", 0, MCL_PRESET_WMV, 24}, Target{"ogv", MCL_FILE_FORMAT_OGV, 0, 24}}) {
        given = 0;
        std::string file = tvmtest::OutputDir() + "mcl-bench." + t.name;
        MclHandle m = MclCreate();
        MclVideoSetFileName(m, file.c_str());
        if (t.format) MclVideoSetFileFormat(m, t.format);
        if (t.preset) MclSetFormatPreset(m, t.preset, 1);
        MclVideoSetFormat(m, 640, 480, t.bits);
        MclVideoSetFrameRate(m, 25.0);
        MclVideoSetKeepDuration(m, -1);
        MclAudioSetTruncateToVideo(m, -1);
        MclAssignVideoSource(m, VideoSource);
        MclAssignAudioSource(m, AudioSource);
        LARGE_INTEGER start, end, frequency;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        int32_t result = MclConvert(m);
        QueryPerformanceCounter(&end);
        MclFree(m);
        double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
        std::printf("%s: result %d, %d pictures 640x480 in %.2f s, %.1f pictures/s\n", t.name, result, Pictures,
                    seconds, Pictures / seconds);
    }
    MclImgFree(picture);
    return 0;
}
