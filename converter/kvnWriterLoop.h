#pragma once
// The loop of the back ends that write frames themselves (animated GIF,
// image sequence): capture until the run stops and hand over each frame that
// falls due at the task's frame rate.
#include <functional>

#include "kvnFramePacing.h"
#include "kvnLoopFeed.h"

// Write gets each frame due, settles it with the thinner and answers False
// when the frame could not be written; the loop then ends at once and answers
// False. A stop leaves what is still queued unwritten, except the first frame
// of the step that stopped the run.
bool RunWriterLoop(TkvnLoopFeed& feed, TkvnFrameThinner& thinner, const std::function<bool(TBitmap&)>& write);

// Last state codes of a writer back end that could not finish its files.
constexpr int kStateTargetNotWritten = 9;
constexpr int kStateFrameRateInvalid = 10;
