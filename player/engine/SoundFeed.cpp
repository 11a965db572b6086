#include "SoundFeed.h"

#include <algorithm>

#include "SoundDecoder.h"

namespace tvmplayer {

void SoundFeed::Push(std::span<const int16_t> samples)
{
    std::lock_guard lock(lock_);
    queue_.insert(queue_.end(), samples.begin(), samples.end());
}

void SoundFeed::Clear()
{
    std::lock_guard lock(lock_);
    queue_.clear();
    runs_.clear();
    mixed_ = played_ = 0;
}

size_t SoundFeed::Queued() const
{
    std::lock_guard lock(lock_);
    return queue_.size() / MixChannels;
}

uint64_t SoundFeed::Played() const
{
    std::lock_guard lock(lock_);
    return played_;
}

void SoundFeed::Mix(std::span<int32_t> mix, uint64_t position)
{
    std::lock_guard lock(lock_);
    size_t count = std::min(mix.size(), queue_.size()) / MixChannels * MixChannels;
    if (count == 0)
        return;
    for (size_t i = 0; i < count; ++i) mix[i] += queue_[i];
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(count));
    uint64_t frames = count / MixChannels;
    runs_.push_back({position, mixed_, frames});
    mixed_ += frames;
}

void SoundFeed::Played(uint64_t position)
{
    std::lock_guard lock(lock_);
    while (!runs_.empty()) {
        const Run& run = runs_.front();
        if (position <= run.Position)
            break;
        uint64_t done = std::min(position - run.Position, run.Count);
        played_ = std::max(played_, run.First + done);
        if (done < run.Count)
            break;
        runs_.pop_front();
    }
}

}
