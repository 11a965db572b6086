#pragma once
// Sound on its way to an encoder: whatever comes in is converted at once to
// the encoder's format, rate and channels and waits here until the encoder
// takes it in frames.
#include <cstdint>
#include <string>
#include <vector>

#include "MclFFmpeg.h"

class MclAudioQueue {
public:
    MclAudioQueue() = default;
    ~MclAudioQueue();
    MclAudioQueue(const MclAudioQueue&) = delete;
    MclAudioQueue& operator=(const MclAudioQueue&) = delete;

    // The format everything is converted to; empties the queue.
    bool SetTarget(AVSampleFormat format, int rate, const AVChannelLayout& layout);
    int Rate() const { return rate_; }
    // Converts and queues Frames sample frames; false when FFmpeg refuses.
    bool Add(const uint8_t* const* planes, int frames, int rate, const AVChannelLayout& layout, AVSampleFormat format);
    // Decodes the sound of a file into the queue; false when it cannot be read.
    bool AddFile(const std::string& fileName);
    int64_t Available() const { return available_; }
    // Moves up to Count sample frames into a new frame, silence-padded to
    // Size when Size is larger; nullptr when FFmpeg refuses.
    FramePtr Take(int count, int size);
    // Drops what is queued.
    void Clear();

private:
    AVSampleFormat format_ = AV_SAMPLE_FMT_NONE;
    int rate_ = 0;
    AVChannelLayout layout_{};
    int planeCount_ = 0;
    int bytesPerFrame_ = 0;  // per plane
    std::vector<std::vector<uint8_t>> planes_;
    // Sample frames already taken at the front of the planes, and waiting after them.
    int64_t start_ = 0;
    int64_t available_ = 0;
    ResamplePtr resample_;
    // What the resampler was made for.
    int sourceRate_ = 0;
    AVSampleFormat sourceFormat_ = AV_SAMPLE_FMT_NONE;
    AVChannelLayout sourceLayout_{};
};
