#include "kvnWriterLoop.h"

namespace {

bool WriteOldest(TkvnLoopFeed& feed, const std::function<bool(TBitmap&)>& write)
{
    if (!write(*feed.Frames().Get(0))) return false;
    feed.Frames().Delete(0);
    feed.Progress(feed.Command());
    return true;
}

}

bool RunWriterLoop(TkvnLoopFeed& feed, const std::function<bool(TBitmap&)>& write)
{
    while (feed.Running()) {
        double clock = feed.Step();
        if (!feed.Running()) break;
        if (feed.Paused())
            feed.Progress(-2);
        else if (clock < 0)
            feed.Progress(-3);
        else if (feed.Frames().Count() > 0 && !WriteOldest(feed, write))
            return false;
    }
    while (feed.Frames().Count() > 0)
        if (!WriteOldest(feed, write)) return false;
    return true;
}
