// End to end from video sources: an FLV and an F4V file that Debian's ffmpeg
// wrote (CMakeLists.txt), played by the program's own FLV-player movie and
// converted whole, from its ready message to the source's own end.
#include <gtest/gtest.h>

#include "ConversionFixture.h"
#include "TestSupport.h"
#include "kvnTavelomaticTask.h"

namespace {

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
        // The source's facts as the task list reads them: its length is
        // where the run ends (CMakeLists.txt checks each output's).
        ASSERT_TRUE(ReadSourceFileInfo(tvmtest::OutputDir() + row.source, task.FileInfo)) << row.source;
        // The FLV player's ready message starts the run; converted to its
        // end, the run stops at the source's length.
        task.IsStopConvertingByDuration = false;
        task.IsFSCommandEnabled = true;
        ExpectConverted(task);
    }
}
