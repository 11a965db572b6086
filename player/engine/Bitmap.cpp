#include "Bitmap.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <atomic>

#include "GifDecoder.h"
#include "PngDecoder.h"
#include "SwfUnpack.h"

namespace tvmplayer {
namespace {

enum : uint16_t {
    TagDefineBits = 6,
    TagDefineBitsLossless = 20,
    TagDefineBitsJpeg2 = 21,
    TagDefineBitsJpeg3 = 35,
    TagDefineBitsLossless2 = 36,
    TagDefineBitsJpeg4 = 90,
};

struct JpegFailure {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void FailJpeg(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->Jump, 1);
}

void QuietJpeg(j_common_ptr, int) {}

bool Allocate(Bitmap& bitmap, size_t width, size_t height)
{
    if (width == 0 || height == 0 || width * height > MaxBitmapPixels)
        return false;
    bitmap.Width = static_cast<int>(width);
    bitmap.Height = static_cast<int>(height);
    bitmap.Pixels.assign(width * height, 0);
    return true;
}

// libjpeg reports errors by longjmp: only plain data lives in this frame.
// The tables come first when given; an image stream may itself carry a
// tables-only stream before the image.
bool DecodeJpegInto(std::span<const uint8_t> tables, std::span<const uint8_t> data, Bitmap& out)
{
    jpeg_decompress_struct info;
    JpegFailure failure;
    info.err = jpeg_std_error(&failure.Manager);
    failure.Manager.error_exit = FailJpeg;
    failure.Manager.emit_message = QuietJpeg;
    if (setjmp(failure.Jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    if (!tables.empty()) {
        jpeg_mem_src(&info, tables.data(), static_cast<unsigned long>(tables.size()));
        jpeg_read_header(&info, FALSE);
    }
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    int header = jpeg_read_header(&info, FALSE);
    for (int extra = 0; header == JPEG_HEADER_TABLES_ONLY && extra < 4; ++extra)
        header = jpeg_read_header(&info, FALSE);
    if (header != JPEG_HEADER_OK || !Allocate(out, info.image_width, info.image_height)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRA;  // 0xAARRGGBB in little-endian words
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(out.Pixels.data() + size_t{info.output_scanline} * out.Width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

std::optional<Bitmap> DecodeJpeg(std::span<const uint8_t> tables, std::span<const uint8_t> data)
{
    // Older writers put an end marker and a start marker before the real start.
    static constexpr uint8_t erroneous[4] = {0xFF, 0xD9, 0xFF, 0xD8};
    if (data.size() >= 4 && std::equal(data.begin(), data.begin() + 4, erroneous))
        data = data.subspan(4);
    if (tables.size() >= 4 && std::equal(tables.begin(), tables.begin() + 4, erroneous))
        tables = tables.subspan(4);
    Bitmap bitmap;
    if (!DecodeJpegInto(tables, data, bitmap))
        return std::nullopt;
    return bitmap;
}

// The alpha plane beside a JPEG: one byte per pixel, zlib-packed. Pixels it
// does not reach stay opaque.
void ApplyAlpha(Bitmap& bitmap, std::span<const uint8_t> packed)
{
    std::vector<uint8_t> alpha;
    try {
        alpha = Inflate(packed, bitmap.Pixels.size());
    } catch (const SwfFormatError&) {
        return;
    }
    for (size_t i = 0; i < alpha.size(); ++i) {
        uint32_t a = alpha[i], pixel = bitmap.Pixels[i];
        auto channel = [&](int shift) { return (pixel >> shift & 0xFF) * a / 255 << shift; };
        bitmap.Pixels[i] = a << 24 | channel(16) | channel(8) | channel(0);
    }
}

// The image data of DefineBitsJPEG2 to 4 may be a PNG or a GIF instead,
// which carry their own transparency.
std::optional<Bitmap> DecodeImage(std::span<const uint8_t> image, bool& ownAlpha)
{
    ownAlpha = IsPng(image) || IsGif(image);
    return IsPng(image) ? DecodePng(image) : IsGif(image) ? DecodeGif(image) : DecodeJpeg({}, image);
}

std::optional<Bitmap> ReadJpegWithAlpha(uint16_t code, SwfReader& body)
{
    uint32_t imageSize = body.U32();
    if (code == TagDefineBitsJpeg4)
        body.U16();  // deblocking strength: not applied
    std::span<const uint8_t> image = body.Bytes(std::min<size_t>(imageSize, body.Remaining()));
    bool ownAlpha = false;
    std::optional<Bitmap> bitmap = DecodeImage(image, ownAlpha);
    if (bitmap && !ownAlpha)
        ApplyAlpha(*bitmap, body.Bytes(body.Remaining()));
    return bitmap;
}

uint32_t Opaque(uint32_t r, uint32_t g, uint32_t b)
{
    return 0xFF000000u | r << 16 | g << 8 | b;
}

// Premultiplied already, but a channel above its alpha would overflow later.
uint32_t Premultiplied(uint32_t a, uint32_t r, uint32_t g, uint32_t b)
{
    return a << 24 | std::min(r, a) << 16 | std::min(g, a) << 8 | std::min(b, a);
}

std::optional<Bitmap> ReadLossless(uint16_t code, SwfReader& body)
{
    bool withAlpha = code == TagDefineBitsLossless2;
    uint8_t format = body.U8();
    size_t width = body.U16(), height = body.U16();
    size_t colours = format == 3 ? body.U8() + 1u : 0;
    size_t pixelBytes = format == 3 ? 1 : format == 4 ? 2 : format == 5 ? 4 : 0;
    Bitmap bitmap;
    if (pixelBytes == 0 || (format == 4 && withAlpha) || !Allocate(bitmap, width, height))
        return std::nullopt;
    size_t entryBytes = withAlpha ? 4 : 3;
    size_t rowBytes = (width * pixelBytes + 3) & ~size_t{3};
    size_t tableBytes = colours * entryBytes;
    std::vector<uint8_t> data = Inflate(body.Bytes(body.Remaining()), tableBytes + rowBytes * height);
    // What the data does not reach stays transparent.
    data.resize(tableBytes + rowBytes * height);
    const uint8_t* table = data.data();
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* row = data.data() + tableBytes + y * rowBytes;
        uint32_t* out = bitmap.Pixels.data() + y * width;
        for (size_t x = 0; x < width; ++x) {
            if (format == 3) {
                size_t index = row[x];
                if (index >= colours)
                    continue;
                const uint8_t* e = table + index * entryBytes;
                out[x] = withAlpha ? Premultiplied(e[3], e[0], e[1], e[2]) : Opaque(e[0], e[1], e[2]);
            } else if (format == 4) {
                uint32_t v = row[2 * x] << 8 | row[2 * x + 1];
                auto five = [&](int shift) { return (v >> shift & 31) * 255 / 31; };
                out[x] = Opaque(five(10), five(5), five(0));
            } else {
                const uint8_t* p = row + 4 * x;
                out[x] = withAlpha ? Premultiplied(p[0], p[1], p[2], p[3]) : Opaque(p[1], p[2], p[3]);
            }
        }
    }
    return bitmap;
}

}

uint64_t NewDrawingSerial()
{
    static std::atomic<uint64_t> serials{0};
    return ++serials;
}

std::optional<Bitmap> ReadBitmap(uint16_t code, SwfReader& body, std::span<const uint8_t> tables)
{
    try {
        switch (code) {
        case TagDefineBits:
            return DecodeJpeg(tables, body.Bytes(body.Remaining()));
        case TagDefineBitsJpeg2: {
            bool ownAlpha = false;
            return DecodeImage(body.Bytes(body.Remaining()), ownAlpha);
        }
        case TagDefineBitsJpeg3:
        case TagDefineBitsJpeg4:
            return ReadJpegWithAlpha(code, body);
        case TagDefineBitsLossless:
        case TagDefineBitsLossless2:
            return ReadLossless(code, body);
        default:
            return std::nullopt;
        }
    } catch (const SwfFormatError&) {
        return std::nullopt;
    }
}

}
