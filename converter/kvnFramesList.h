#pragma once
// The queue of grabbed frames: one capture step fills it, the converter's
// loops drain it from the front. Every bitmap in it belongs to the queue.
#include <memory>
#include <vector>

#include "Graphics.h"

class TkvnFramesList : public TObject {
public:
    TkvnFramesList() = default;
    ~TkvnFramesList() override { Clear(); }
    TkvnFramesList(const TkvnFramesList&) = delete;
    TkvnFramesList& operator=(const TkvnFramesList&) = delete;

    // The bitmap at Index, or nullptr outside 0..Count-1.
    TBitmap* Get(int index) const;
    int Count() const { return static_cast<int>(frames_.size()); }
    // With Copy a copy of Bitmap is queued, else Bitmap itself, which the
    // queue then owns. Answers the queued bitmap; nullptr for a null Bitmap
    // or when it could not be queued (Bitmap then stays the caller's).
    TBitmap* Add(TBitmap* bitmap, bool copy);
    // Takes the bitmap at Index out of the queue and gives it to the caller;
    // nullptr for an index outside the queue.
    std::unique_ptr<TBitmap> Extract(int index);
    // Frees the bitmap at Index; False for an index outside the queue.
    bool Delete(int index);
    // Frees every bitmap.
    bool Clear();

private:
    std::vector<std::unique_ptr<TBitmap>> frames_;
};
