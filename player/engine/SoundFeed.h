#pragma once
// Sound that the movie's thread has decoded itself and hands to the mixer:
// the sound of a video file a script plays. The mixer adds it in as it
// comes and tells how much of it the device has played, which is what the
// video's time follows while it has sound.
#include <cstdint>
#include <deque>
#include <mutex>
#include <span>

namespace tvmplayer {

class SoundFeed {
public:
    // ---- The movie's thread ----

    // Interleaved stereo samples at MixRate, after those queued before.
    void Push(std::span<const int16_t> samples);
    // Drops what is queued and counts the played sound from nothing again.
    void Clear();
    // Sample frames (one per channel pair) waiting for the mixer.
    size_t Queued() const;
    // Sample frames the device has finished playing since the last Clear.
    uint64_t Played() const;

    // ---- The mixer's thread ----

    // Adds what is queued into mix, whose first sample frame is the
    // mixer's sample frame number position.
    void Mix(std::span<int32_t> mix, uint64_t position);
    // The device has finished playing every sample frame before position.
    void Played(uint64_t position);

private:
    // Where a run of this feed's frames went in the mixer's output.
    struct Run {
        uint64_t Position;  // the mixer's frame number of its first frame
        uint64_t First;     // the feed's frame number of its first frame
        uint64_t Count;
    };

    mutable std::mutex lock_;
    std::deque<int16_t> queue_;
    std::deque<Run> runs_;
    uint64_t mixed_ = 0;
    uint64_t played_ = 0;
};

}
