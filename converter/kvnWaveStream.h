#pragma once
// The byte queue through which captured PCM reaches a back end. The capture
// appends on the window's thread while an encoder thread may take: every
// operation holds the queue's lock.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Streams.h"

class TkvnWaveStream : public TObject {
public:
    // Copies the whole of Source to the end of the queue; answers Source's
    // size, -1 for a null Source.
    int64_t Append(TStream* source);
    // The first Count bytes as a new stream at position 0, taken off the
    // queue; -1 and no stream when fewer are queued (which also clears the
    // has-data flag).
    int64_t Take(std::unique_ptr<TMemoryStream>& data, int64_t count);
    int64_t Size() const;
    // Set by every append, cleared when a take finds too little.
    bool HasData() const;

private:
    mutable std::mutex lock_;
    std::vector<uint8_t> bytes_;
    size_t head_ = 0;
    bool hasData_ = false;
};
