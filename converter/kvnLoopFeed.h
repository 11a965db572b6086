#pragma once
// What a back end's own capture loop (animated GIF, image sequence, the media
// library's picture source) sees of the conversion: one capture step at a
// time, the run flags, the frame queue, its command code, the progress event
// and the fitting of a frame to the task's display aspect.
#include "Graphics.h"
#include "MclApi.h"
#include "kvnFramesList.h"

class TkvnLoopFeed {
public:
    virtual ~TkvnLoopFeed() = default;
    // One call of the capture step; answers its clock (below 0: nothing kept).
    virtual double Step() = 0;
    virtual bool Running() const = 0;
    virtual bool Paused() const = 0;
    virtual TkvnFramesList& Frames() = 0;
    // The last capture command the loop took.
    virtual int Command() const = 0;
    virtual void Progress(int state) = 0;
    // Gives the frame the task's display aspect inside black bars, keeping
    // its size.
    virtual void FitToAspect(TBitmap& frame) = 0;
    virtual void FitToAspect(MclImage frame) = 0;
};
