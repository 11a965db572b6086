#pragma once
// PNG files of a test's pictures, so that a reader can look at them. The
// rows are kept in stored (uncompressed) deflate blocks: pictures for eyes
// need no more, and no library is pulled in for them.
#include <cstdint>
#include <functional>

#include "Bytes.h"

namespace tvmtest {

// Pixel(x, y) answers 0xAARRGGBB; without Alpha the top byte is ignored.
Bytes EncodePng(int width, int height, bool alpha, const std::function<uint32_t(int x, int y)>& pixel);

}
