#include "ShapeCache.h"

#include <cairo.h>

#include <algorithm>
#include <functional>

namespace tvmplayer {
namespace {

size_t Mix(size_t seed, size_t value)
{
    return seed ^ (value + 0x9E3779B97F4A7C15ull + (seed << 6) + (seed >> 2));
}

size_t PictureBytes(const ShapePicture& picture)
{
    return picture.Image ? static_cast<size_t>(cairo_image_surface_get_stride(picture.Image))
                               * static_cast<size_t>(cairo_image_surface_get_height(picture.Image))
                         : 0;
}

}

bool PictureKey::operator==(const PictureKey& other) const
{
    return Shape == other.Shape && Masking == other.Masking && Bitmaps == other.Bitmaps
           && std::equal(Colours.Mul, Colours.Mul + 4, other.Colours.Mul)
           && std::equal(Colours.Add, Colours.Add + 4, other.Colours.Add) && Placement.A == other.Placement.A
           && Placement.B == other.Placement.B && Placement.C == other.Placement.C && Placement.D == other.Placement.D
           && Placement.Tx == other.Placement.Tx && Placement.Ty == other.Placement.Ty;
}

size_t PictureKeyHash::operator()(const PictureKey& key) const
{
    std::hash<double> real;
    size_t hash = Mix(std::hash<uint64_t>()(key.Shape), key.Masking);
    for (uint64_t bitmap : key.Bitmaps) hash = Mix(hash, std::hash<uint64_t>()(bitmap));
    for (int i = 0; i < 4; ++i) hash = Mix(Mix(hash, real(key.Colours.Mul[i])), real(key.Colours.Add[i]));
    const Matrix& m = key.Placement;
    for (double value : {m.A, m.B, m.C, m.D, m.Tx, m.Ty}) hash = Mix(hash, real(value));
    return hash;
}

ShapeCache::~ShapeCache()
{
    Clear();
}

ShapePicture& ShapeCache::Visit(const PictureKey& key)
{
    auto found = index_.find(key);
    if (found != index_.end()) {
        used_.splice(used_.begin(), used_, found->second);
        return found->second->second;
    }
    if (index_.size() >= MaxPictureKeys)
        DropOldest();
    used_.emplace_front(key, ShapePicture());
    index_.emplace(key, used_.begin());
    return used_.front().second;
}

void ShapeCache::Keep(ShapePicture& picture)
{
    bytes_ += PictureBytes(picture);
    // The picture just drawn is the most recent: it stays.
    while (bytes_ > MaxPictureBytes && used_.size() > 1) DropOldest();
}

void ShapeCache::Clear()
{
    while (!used_.empty()) DropOldest();
}

void ShapeCache::DropOldest()
{
    Entry& oldest = used_.back();
    if (oldest.second.Image) {
        bytes_ -= PictureBytes(oldest.second);
        cairo_surface_destroy(oldest.second.Image);
    }
    index_.erase(oldest.first);
    used_.pop_back();
}

}
