#include "kvnWaveStream.h"

#include <algorithm>
#include <climits>

int64_t TkvnWaveStream::Append(TStream* source)
{
    if (!source) return -1;
    const int64_t size = source->GetSize();
    std::vector<uint8_t> chunk(static_cast<size_t>(size));
    source->SetPosition(0);
    for (int64_t done = 0; done < size;) {
        const auto piece = static_cast<int32_t>(std::min<int64_t>(size - done, INT32_MAX));
        source->ReadBuffer(chunk.data() + done, piece);
        done += piece;
    }
    std::lock_guard<std::mutex> guard(lock_);
    bytes_.insert(bytes_.end(), chunk.begin(), chunk.end());
    hasData_ = true;
    return size;
}

int64_t TkvnWaveStream::Take(std::unique_ptr<TMemoryStream>& data, int64_t count)
{
    data.reset();
    std::lock_guard<std::mutex> guard(lock_);
    const size_t queued = bytes_.size() - head_;
    if (count < 0 || static_cast<uint64_t>(count) > queued) {
        hasData_ = false;
        return -1;
    }
    auto taken = std::make_unique<TMemoryStream>();
    taken->WriteBuffer(bytes_.data() + head_, static_cast<int32_t>(count));
    taken->SetPosition(0);
    head_ += static_cast<size_t>(count);
    // Taken bytes are dropped once they outweigh what is left, so the queue
    // moves each byte a bounded number of times.
    if (head_ > bytes_.size() / 2) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    data = std::move(taken);
    return count;
}

int64_t TkvnWaveStream::Size() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return static_cast<int64_t>(bytes_.size() - head_);
}

bool TkvnWaveStream::HasData() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return hasData_;
}
