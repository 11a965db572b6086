#pragma once
// The capture step every back end's loop runs whenever it wants output:
// the start condition, the movie's capture commands, one step of the
// visible capture control when the loop's queue runs short, the frames
// cropped, overlaid (and on a transparent stage merged into frames with
// alpha) and queued, the sound queued and written to the side audio file,
// the counters and the stop conditions.
#include <cstdint>
#include <functional>

#include "Graphics.h"
#include "kvnMclUserData.h"

struct TkvnCaptureCall {
    TkvnCaptureLoop Loop = clFFmpegFrames;
    // The wave hook's request: a step is taken when fewer PCM bytes are
    // queued. The other loops step when the frame queue is empty.
    int64_t PcmWanted = 0;
    // Run on every frame merged with its alpha before it is queued (the
    // GIF loop's preparation).
    std::function<void(TBitmap& frame)> PrepareMergedFrame;
};

// One call of a loop. Answers the call's clock: above 0 when a step was
// kept, 0 when no step was needed (or the run is paused or over), below 0
// when the step kept nothing. The loop reads the run flags afterwards and
// fires its own progress states; it drains or ends when the run is over.
double CaptureStep(PMclUserData context, const TkvnCaptureCall& call);
