// End to end from video sources: an FLV and an F4V file that Debian's ffmpeg
// wrote (CMakeLists.txt), played by the program's own FLV-player movie and
// converted whole, from its ready message to its complete message.
#include <gtest/gtest.h>

#include "ConversionFixture.h"
#include "TestSupport.h"

namespace {

// Two seconds of a 160x120 pattern at 10 frames a second with a 440 Hz tone.
constexpr int kSourceFps = 10, kSourceSeconds = 2;

struct SourceRow {
    const char* source;
    int format, videoCodec;
    const char* target;
};

class SourceConversion : public tvmtest::ConverterTest {};

}

TEST_F(SourceConversion, FlvAndF4vSources)
{
    for (const SourceRow& row : {SourceRow{"player_flv_2s.flv", 3, 1, "e2e-src-flv.mp4"},
                                 SourceRow{"player_flv_2s.f4v", 7, 1, "e2e-src-f4v.mov"}}) {
        TkvnTavelomaticSettings task = tvmtest::ConversionTask(row.format, row.videoCodec, row.target);
        task.AudioSettings.CodecID = 0;
        TkvnFlashFileInfo& info = task.FileInfo;
        info.FileName = tvmtest::OutputDir() + row.source;
        info.FileFormat = fmtFLV;
        info.FPS = kSourceFps;
        info.FrameCount = kSourceFps * kSourceSeconds;
        // The FLV player's ready and complete messages start and stop the run.
        task.IsStopConvertingByDuration = false;
        task.IsFSCommandEnabled = true;
        ExpectConverted(task);
    }
}
