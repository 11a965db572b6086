#include "ColorReduction.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr uint8_t Levels4[] = {0x00, 0x55, 0xAA, 0xFF};
constexpr uint8_t Levels6[] = {0x00, 0x33, 0x66, 0x99, 0xCC, 0xFF};
constexpr uint8_t Levels7[] = {0x00, 0x2B, 0x55, 0x80, 0xAA, 0xD5, 0xFF};
constexpr uint8_t Levels8[] = {0x00, 0x24, 0x49, 0x6D, 0x92, 0xB6, 0xDB, 0xFF};

const uint8_t* LevelTable(int levels)
{
    switch (levels) {
    case 4: return Levels4;
    case 6: return Levels6;
    case 7: return Levels7;
    default: return Levels8;
    }
}

// For every byte value, the index of its nearest level: built once.
struct TruncationTables {
    std::array<std::array<uint8_t, 256>, 9> Index{};
    TruncationTables()
    {
        for (int levels : {4, 6, 7, 8}) {
            const uint8_t* table = LevelTable(levels);
            for (int v = 0; v < 256; ++v) {
                int best = 0;
                for (int i = 1; i < levels; ++i)
                    if (std::abs(table[i] - v) < std::abs(table[best] - v)) best = i;
                Index[levels][v] = static_cast<uint8_t>(best);
            }
        }
    }
};

const TruncationTables& Truncation()
{
    static const TruncationTables tables;
    return tables;
}

TPaletteEntry Entry(int red, int green, int blue)
{
    return {static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red), 0};
}

// Calls Fn(pixel, index, x, image row) for every pixel.
template <typename Fn>
void ForEachPixel(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, Fn fn)
{
    for (int32_t y = 0; y < source.Height; ++y) {
        const uint8_t* in = source.Row(y);
        uint8_t* out = indices.Row(y);
        for (int32_t x = 0; x < source.Width; ++x) fn(in + 3 * x, out[x], x, source.Height - 1 - y);
    }
}

// crHistogram: exact colours while at most 2049 occur, else coarser masks.
class Histogram {
public:
    void Reduce(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, uint32_t& transparent,
                TReducedPalette& palette)
    {
        while (!Count(source)) Coarsen();
        MakePalette(palette);
        const uint32_t given = transparent;
        ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t, int32_t) {
            const Entry& entry = entries_[slots_[Find(p[2] & red_, p[1] & green_, p[0] & blue_)]];
            index = entry.Index;
            if ((p[0] | p[1] << 8 | p[2] << 16) == static_cast<int>(given))
                transparent = entry.Blue | entry.Green << 8 | entry.Red << 16;
        });
    }

private:
    static constexpr int Slots = 5191;
    static constexpr size_t MaxEntries = 2049;
    static constexpr uint16_t Empty = 0xFFFF;
    struct Entry {
        uint8_t Blue, Green, Red;
        uint32_t Count;
        uint8_t Index;
    };

    int Find(int r, int g, int b) const
    {
        int slot = (r + g) * (b + g) * (r + b) % Slots;
        while (slots_[slot] != Empty) {
            const Entry& e = entries_[slots_[slot]];
            if (e.Red == r && e.Green == g && e.Blue == b) break;
            slot = (slot + 1) % Slots;
        }
        return slot;
    }
    bool Count(const TPixelRows<const uint8_t>& source)
    {
        entries_.clear();
        slots_.fill(Empty);
        for (int32_t y = 0; y < source.Height; ++y) {
            const uint8_t* p = source.Row(y);
            for (int32_t x = 0; x < source.Width; ++x, p += 3) {
                const int r = p[2] & red_, g = p[1] & green_, b = p[0] & blue_;
                const int slot = Find(r, g, b);
                if (slots_[slot] != Empty) {
                    ++entries_[slots_[slot]].Count;
                    continue;
                }
                if (entries_.size() == MaxEntries) return false;
                slots_[slot] = static_cast<uint16_t>(entries_.size());
                entries_.push_back({static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r), 1, 0});
            }
        }
        return true;
    }
    // Blue loses a bit first, then red, then green, and round again.
    void Coarsen()
    {
        auto drop = [](uint8_t& mask) { mask = static_cast<uint8_t>(mask & (mask - 1)); };
        if (red_ < green_) drop(green_);
        else if (blue_ < red_) drop(red_);
        else drop(blue_);
    }
    void MakePalette(TReducedPalette& palette)
    {
        std::vector<size_t> order(entries_.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return entries_[a].Count > entries_[b].Count; });
        const size_t kept = std::min(order.size(), palette.size());
        palette.fill(::Entry(128, 128, 128));
        for (size_t i = 0; i < kept; ++i) {
            Entry& e = entries_[order[i]];
            e.Index = static_cast<uint8_t>(i);
            palette[i] = ::Entry(e.Red, e.Green, e.Blue);
        }
        for (size_t i = kept; i < order.size(); ++i) {
            Entry& e = entries_[order[i]];
            int best = 0, bestDistance = -1;
            for (int j = 0; j < static_cast<int>(palette.size()); ++j) {
                const int dr = palette[j].Red - e.Red, dg = palette[j].Green - e.Green, db = palette[j].Blue - e.Blue;
                const int distance = dr * dr + dg * dg + db * db;
                if (bestDistance < 0 || distance < bestDistance) best = j, bestDistance = distance;
            }
            e.Index = static_cast<uint8_t>(best);
        }
    }

    uint8_t red_ = 0xFF, green_ = 0xFF, blue_ = 0xFF;
    std::vector<Entry> entries_;
    std::array<uint16_t, Slots> slots_{};
};

// crMedianCut over 4096 bins of 4 bits per channel.
class MedianCut {
public:
    int Reduce(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TReducedPalette& palette)
    {
        ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t&, int32_t, int32_t) { ++bins_[BinOf(p)].Count; });
        Box first;
        for (int bin = 0; bin < BinCount; ++bin) {
            if (bins_[bin].Count == 0) continue;
            first.Bins.push_back(bin);
            first.Pixels += bins_[bin].Count;
        }
        boxes_.push_back(std::move(first));
        while (boxes_.size() < 256 && Split()) {
        }
        palette.fill({});
        for (size_t i = 0; i < boxes_.size(); ++i) {
            palette[i] = Colour(boxes_[i]);
            for (int bin : boxes_[i].Bins) bins_[bin].Box = static_cast<uint8_t>(i);
        }
        ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t, int32_t) { index = bins_[BinOf(p)].Box; });
        return static_cast<int>(boxes_.size());
    }

private:
    static constexpr int BinCount = 4096;
    struct Bin {
        uint64_t Count = 0;
        uint8_t Box = 0;
    };
    struct Box {
        int Low[3] = {0, 0, 0};
        int High[3] = {255, 255, 255};
        std::vector<int> Bins;
        uint64_t Pixels = 0;
    };
    static int BinOf(const uint8_t* p) { return (p[2] >> 4) << 8 | (p[1] >> 4) << 4 | p[0] >> 4; }
    // Channel 0 red, 1 green, 2 blue: the bin's 4-bit value.
    static int Value(int bin, int channel) { return bin >> (8 - 4 * channel) & 15; }

    bool Split()
    {
        int boxIndex = -1, channel = 0, extent = -1;
        for (size_t b = 0; b < boxes_.size(); ++b) {
            if (boxes_[b].Bins.size() < 2) continue;
            for (int c = 0; c < 3; ++c) {
                if (boxes_[b].High[c] - boxes_[b].Low[c] > extent)
                    boxIndex = static_cast<int>(b), channel = c, extent = boxes_[b].High[c] - boxes_[b].Low[c];
            }
        }
        if (boxIndex < 0) return false;
        Box& box = boxes_[boxIndex];
        std::stable_sort(box.Bins.begin(), box.Bins.end(),
                         [&](int a, int b) { return Value(a, channel) < Value(b, channel); });
        // Each side keeps at least one bin, even when the first holds more
        // than half of the pixels.
        size_t cut = 0;
        uint64_t running = 0;
        while (cut + 1 < box.Bins.size() && running + bins_[box.Bins[cut]].Count <= box.Pixels / 2)
            running += bins_[box.Bins[cut++]].Count;
        cut = std::max<size_t>(cut, 1);
        Box added;
        std::copy(std::begin(box.Low), std::end(box.Low), added.Low);
        std::copy(std::begin(box.High), std::end(box.High), added.High);
        added.Bins.assign(box.Bins.begin() + static_cast<std::ptrdiff_t>(cut), box.Bins.end());
        box.Bins.resize(cut);
        added.Low[channel] = 16 * Value(added.Bins.front(), channel);
        box.High[channel] = 16 * Value(box.Bins.back(), channel);
        box.Pixels = 0;
        for (int bin : box.Bins) box.Pixels += bins_[bin].Count;
        for (int bin : added.Bins) added.Pixels += bins_[bin].Count;
        boxes_.push_back(std::move(added));
        return true;
    }
    // The unweighted mean of the bins' values, lifted to the top of their step.
    static TPaletteEntry Colour(const Box& box)
    {
        int channel[3] = {0, 0, 0};
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (int bin : box.Bins) sum += Value(bin, c);
            channel[c] = (16 * sum + 15) / static_cast<int>(box.Bins.size());
        }
        if (channel[0] <= 16 && channel[1] <= 16 && channel[2] <= 16) return {};
        return Entry(channel[0], channel[1], channel[2]);
    }

    std::array<Bin, BinCount> bins_{};
    std::vector<Box> boxes_;
};

int Truncate784(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TReducedPalette& palette)
{
    const auto& t = Truncation().Index;
    palette.fill({});
    for (int r = 0; r < 7; ++r)
        for (int g = 0; g < 8; ++g)
            for (int b = 0; b < 4; ++b) palette[r * 32 + g * 4 + b] = Entry(Levels7[r], Levels8[g], Levels4[b]);
    ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t, int32_t) {
        index = static_cast<uint8_t>(t[7][p[2]] * 32 + t[8][p[1]] * 4 + t[4][p[0]]);
    });
    return 224;
}

int Truncate666(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TReducedPalette& palette)
{
    const auto& t = Truncation().Index[6];
    palette.fill({});
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) palette[r * 36 + g * 6 + b] = Entry(Levels6[r], Levels6[g], Levels6[b]);
    ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t, int32_t) {
        index = static_cast<uint8_t>(t[p[2]] * 36 + t[p[1]] * 6 + t[p[0]]);
    });
    return 216;
}

void ChannelRamps(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TReducedPalette& palette)
{
    palette.fill({});
    for (int i = 0; i < 64; ++i) {
        palette[i] = Entry(4 * i, 0, 0);
        palette[64 + i] = Entry(0, 4 * i, 0);
        palette[128 + i] = Entry(0, 0, 4 * i);
    }
    ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t x, int32_t y) {
        switch ((x + y) % 3) {
        case 0: index = static_cast<uint8_t>(p[2] / 4); break;
        case 1: index = static_cast<uint8_t>(64 + p[1] / 4); break;
        default: index = static_cast<uint8_t>(128 + p[0] / 4); break;
        }
    });
}

void Grayscale(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TReducedPalette& palette)
{
    for (int i = 0; i < 256; ++i) palette[i] = Entry(i, i, i);
    ForEachPixel(source, indices, [&](const uint8_t* p, uint8_t& index, int32_t, int32_t) {
        index = static_cast<uint8_t>((p[2] * 77 + p[1] * 150 + p[0] * 29) / 256);
    });
}

}  // namespace

int NearestLevelIndex(int levels, uint8_t value)
{
    return Truncation().Index[levels][value];
}

uint8_t LevelValue(int levels, int index)
{
    return LevelTable(levels)[index];
}

int ReduceColors(const TPixelRows<const uint8_t>& source, const TPixelRows<uint8_t>& indices, TColorReduction method,
                 uint32_t& transparent, TReducedPalette& palette)
{
    switch (method) {
    case crHistogram: {
        auto histogram = std::make_unique<Histogram>();
        histogram->Reduce(source, indices, transparent, palette);
        return 0;
    }
    case crMedianCut: return std::make_unique<MedianCut>()->Reduce(source, indices, palette);
    case crTrunc784: return Truncate784(source, indices, palette);
    case crTrunc666: return Truncate666(source, indices, palette);
    case crChannelRamps: ChannelRamps(source, indices, palette); return 0;
    case crGrayscale: Grayscale(source, indices, palette); return 0;
    }
    return 0;
}
