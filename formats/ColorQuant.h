#pragma once
// Bitmaps turned into BMP file images of a chosen pixel format, reduced to a
// palette of at most 256 colours on the way.
#include <memory>

#include "ColorReduction.h"
#include "Graphics.h"
#include "Streams.h"

// A new stream at position 0 holding a BMP file of Bitmap in Format: a
// bitmap already in that format saves itself (unless the method is
// crGrayscale); 1 and 4 bits per pixel take the nearest colours; 8 bits per
// pixel reduce by Method, with a 256-entry colour table and biClrImportant
// set to the colours used where the method counts them. TransparentColor is
// handed to the reduction and back (see ReduceColors). A bitmap without
// picture raises EInvalidGraphic "Bitmap image is not valid", as does one
// whose file would not fit in 2 GB; any other format raises
// EInvalidGraphicOperation "Function not yet implemented".
std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap& bitmap, TPixelFormat format, TColorReduction method,
                                                 TColor& transparentColor);

// 2, 16 and 256 for 1, 4 and 8 bits per pixel; 0 otherwise.
int PixelFormatToColors(TPixelFormat format);
// Bytes of a DIB row of Bits bits: ((Bits + 31) div 32) x 4.
inline int64_t WidthBytes(int64_t bits) { return (bits + 31) / 32 * 4; }
