#pragma once
// Pictures of shapes kept from frame to frame. A shape drawn again with the
// same matrix but for whole pixels of translation, the same colours and the
// same bitmaps is copied from its picture instead of filled again: moving
// shapes then cost one blended copy each, whatever their gradients and
// bitmaps. A picture is drawn the second time its key comes, so that a
// shape seen once (a tween's step) costs nothing more.
#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>
#include <vector>

#include "Records.h"

struct _cairo_surface;

namespace tvmplayer {

// All a shape's picture depends on.
struct PictureKey {
    uint64_t Shape = 0;
    ColourTransform Colours;
    bool Masking = false;
    std::vector<uint64_t> Bitmaps;  // of its bitmap fills, 0 for one missing
    // The matrix to the surface without its whole pixels of translation.
    Matrix Placement;

    bool operator==(const PictureKey& other) const;
};

struct PictureKeyHash {
    size_t operator()(const PictureKey& key) const;
};

struct ShapePicture {
    _cairo_surface* Image = nullptr;  // null until drawn
    // Its top left pixel, from the whole pixels of the shape's translation.
    int X = 0, Y = 0;
    bool Seen = false;
};

// Pictures kept, in bytes, and keys remembered; the least recently used go
// first.
inline constexpr size_t MaxPictureBytes = 64u << 20;
inline constexpr size_t MaxPictureKeys = 8192;
// A larger picture is not kept: the shape is drawn straight.
inline constexpr int MaxPicturePixels = 1 << 20;

class ShapeCache {
public:
    ShapeCache() = default;
    ~ShapeCache();
    ShapeCache(const ShapeCache&) = delete;
    ShapeCache& operator=(const ShapeCache&) = delete;

    // The picture of key, remembered from now on if it was not: valid until
    // the next call.
    ShapePicture& Visit(const PictureKey& key);
    // The picture Visit last gave now holds an image: older ones go while
    // they take more than MaxPictureBytes.
    void Keep(ShapePicture& picture);
    void Clear();

private:
    using Entry = std::pair<PictureKey, ShapePicture>;
    void DropOldest();

    std::list<Entry> used_;  // most recent first
    std::unordered_map<PictureKey, std::list<Entry>::iterator, PictureKeyHash> index_;
    size_t bytes_ = 0;
};

}
