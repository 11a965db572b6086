#pragma once
// The video-effects record a task carries to the frame pipeline, with its
// list of filter entries. Its fields have fixed order, widths and defaults.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct TkvnVideoFilterEntry {
    std::array<int32_t, 5> Values{};
    std::array<uint8_t, 2> Flags{};
    bool operator==(const TkvnVideoFilterEntry&) const = default;
};

class TkvnVideoFiltersList {
public:
    // Nil outside the range.
    TkvnVideoFilterEntry* Item(int index);
    int Count() const { return static_cast<int>(entries_.size()); }
    void Add(const TkvnVideoFilterEntry& entry) { entries_.push_back(entry); }
    bool Clear();
    void Assign(const TkvnVideoFiltersList& other);
    bool operator==(const TkvnVideoFiltersList&) const = default;

private:
    std::vector<TkvnVideoFilterEntry> entries_;
};

struct TkvnVideoEffects {
    static constexpr size_t kMaxNameLength = 12;

    std::array<bool, 2> Switches{};
    std::array<std::string, 2> Names;  // at most kMaxNameLength characters each
    std::array<double, 3> Factors{1.0, 1.0, 1.0};
    std::array<int32_t, 8> Levels{0, 255, 255, 255, 0, 255, 255, 255};
    std::array<int32_t, 2> Offsets{};
    TkvnVideoFiltersList Filters;
    bool operator==(const TkvnVideoEffects&) const = default;
};
