#include "kvnWriterLoop.h"

bool RunWriterLoop(TkvnLoopFeed& feed, TkvnFrameThinner& thinner, const std::function<bool(TBitmap&)>& write)
{
    while (feed.Running()) {
        double clock = feed.Step();
        // The step that stopped the run still hands its frame over; the
        // frames queued behind it stay unwritten.
        if (!feed.Running() && !(clock > 0)) break;
        if (feed.Paused()) {
            feed.Progress(-2);
        } else if (clock < 0) {
            feed.Progress(-3);
        } else if (TBitmap* frame = feed.Frames().Get(0)) {
            if (thinner.Next() && !write(*frame)) return false;
            feed.Frames().Delete(0);
            feed.Progress(feed.Command());
        }
    }
    return true;
}
