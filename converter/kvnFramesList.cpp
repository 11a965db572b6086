#include "kvnFramesList.h"

TBitmap* TkvnFramesList::Get(int index) const
{
    return index >= 0 && index < Count() ? frames_[static_cast<size_t>(index)].get() : nullptr;
}

TBitmap* TkvnFramesList::Add(TBitmap* bitmap, bool copy)
{
    if (!bitmap) return nullptr;
    try {
        std::unique_ptr<TBitmap> stored;
        if (copy) {
            stored = std::make_unique<TBitmap>();
            stored->Assign(bitmap);
        }
        frames_.emplace_back();
        frames_.back() = copy ? std::move(stored) : std::unique_ptr<TBitmap>(bitmap);
        return frames_.back().get();
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<TBitmap> TkvnFramesList::Extract(int index)
{
    if (index < 0 || index >= Count()) return nullptr;
    std::unique_ptr<TBitmap> bitmap = std::move(frames_[static_cast<size_t>(index)]);
    frames_.erase(frames_.begin() + index);
    return bitmap;
}

bool TkvnFramesList::Delete(int index)
{
    if (index < 0 || index >= Count()) return false;
    frames_.erase(frames_.begin() + index);
    return true;
}

bool TkvnFramesList::Clear()
{
    frames_.clear();
    return true;
}
