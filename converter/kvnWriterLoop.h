#pragma once
// The loop of the back ends that write frames themselves (animated GIF,
// image sequence): capture until the run stops and hand over every frame
// captured, each one frame of the output at the task's frame rate.
#include <functional>

#include "kvnLoopFeed.h"

// Write gets each frame and answers False when it could not be written; the
// loop then ends at once and answers False. The frames still queued when the
// run stops are written too: they were captured before the stop.
bool RunWriterLoop(TkvnLoopFeed& feed, const std::function<bool(TBitmap&)>& write);

// Last state codes of a writer back end that could not finish its files.
constexpr int kStateTargetNotWritten = 9;
constexpr int kStateFrameRateInvalid = 10;
