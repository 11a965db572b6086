#pragma once
// GIF images, as DefineBitsJPEG2 and 3 may hold them instead of a JPEG: the
// first image on its logical screen, with its transparent colour. The
// codes themselves go through the program's own GIF LZW decoder.
#include <cstdint>
#include <optional>
#include <span>

#include "Bitmap.h"

namespace tvmplayer {

bool IsGif(std::span<const uint8_t> data);
std::optional<Bitmap> DecodeGif(std::span<const uint8_t> data);

}
