#pragma once
// PNG images, as DefineBitsJPEG2 and 3 may hold them instead of a JPEG:
// every colour type and bit depth, interlaced or not, with transparency.
// Sizes are checked against what the data can hold before anything is
// allocated; data that ends early leaves the rest transparent.
#include <cstdint>
#include <optional>
#include <span>

#include "Bitmap.h"

namespace tvmplayer {

bool IsPng(std::span<const uint8_t> data);
std::optional<Bitmap> DecodePng(std::span<const uint8_t> data);

}
