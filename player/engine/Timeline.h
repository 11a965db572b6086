#pragma once
// The main timeline's play head: which frame shows, whether it moves on, and
// what happens at the last frame. Frames are counted from 0 here; the control
// turns them into the numbers its callers use.
#include <cstddef>

namespace tvmplayer {

class Timeline {
public:
    explicit Timeline(size_t frameCount = 0) : frameCount_(frameCount) {}

    size_t FrameCount() const { return frameCount_; }
    size_t Current() const { return current_; }
    bool Playing() const { return playing_; }
    bool Loop() const { return loop_; }

    void SetLoop(bool loop) { loop_ = loop; }
    void Play() { playing_ = true; }
    void Stop() { playing_ = false; }
    // Goes to frame (clamped to the last) and stays there.
    void GotoAndStop(size_t frame);
    void GotoAndPlay(size_t frame);
    void Rewind() { GotoAndStop(0); }
    void NextFrame() { GotoAndStop(current_ + 1); }
    void PreviousFrame() { GotoAndStop(current_ == 0 ? 0 : current_ - 1); }

    // One tick of the frame rate: the next frame when playing; at the last
    // frame it wraps when looping, else it stops. Answers whether the frame
    // that shows changed.
    bool Advance();

private:
    size_t Clamp(size_t frame) const;

    size_t frameCount_;
    size_t current_ = 0;
    bool playing_ = true;
    bool loop_ = true;
};

}
