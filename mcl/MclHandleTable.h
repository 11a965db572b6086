#pragma once
// The objects a caller of the library holds by 32-bit handle. Handles are
// numbers the table hands out, not addresses, so they fit 32 bits in a 64-bit
// process too, and a handle the library never gave out (or already took
// back) finds nothing instead of pointing anywhere.
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

template <class T>
class MclHandleTable {
public:
    uint32_t Add(std::unique_ptr<T> object)
    {
        std::lock_guard<std::mutex> guard(lock_);
        do
            ++last_;
        while (last_ == 0 || objects_.count(last_));
        objects_.emplace(last_, std::move(object));
        return last_;
    }

    // Nullptr for 0 and for every handle not in the table.
    T* Find(uint32_t handle) const
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = objects_.find(handle);
        return found == objects_.end() ? nullptr : found->second.get();
    }

    // Frees the object; an unknown handle changes nothing.
    void Remove(uint32_t handle)
    {
        std::unique_ptr<T> removed;
        {
            std::lock_guard<std::mutex> guard(lock_);
            auto found = objects_.find(handle);
            if (found == objects_.end()) return;
            removed = std::move(found->second);
            objects_.erase(found);
        }
    }

private:
    mutable std::mutex lock_;
    std::unordered_map<uint32_t, std::unique_ptr<T>> objects_;
    uint32_t last_ = 0;
};
