// PNG and GIF images inside DefineBitsJPEG2 and 3, drawn pixel for pixel:
// every PNG row filter, packed palettes with transparency, interlacing, and
// GIF through the program's own LZW codec; damaged data never crashes.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "GifLzw.h"
#include "StageDrawing.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"

namespace {

using namespace tvmtest;

constexpr uint16_t TagDefineBitsJpeg2 = 21;
constexpr uint32_t White = 0xFFFFFFFF;

// Byte by byte: GCC 12 warns falsely about inserting short lists.
void Add(Bytes& out, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes) out.push_back(b);
}

void PutBig(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& body)
{
    PutBig(png, static_cast<uint32_t>(body.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), body.begin(), body.end());
    PutBig(png, 0);  // the checksum is not checked
}

struct PngPicture {
    int width, height, depth, colourType;
    bool interlaced = false;
    Bytes palette, transparency;
    // The raw rows as the file holds them, filter byte first.
    Bytes rows;
};

Bytes Png(const PngPicture& picture)
{
    Bytes png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Bytes header;
    PutBig(header, static_cast<uint32_t>(picture.width));
    PutBig(header, static_cast<uint32_t>(picture.height));
    Add(header, {static_cast<uint8_t>(picture.depth), static_cast<uint8_t>(picture.colourType), 0, 0,
                                 static_cast<uint8_t>(picture.interlaced)});
    Chunk(png, "IHDR", header);
    if (!picture.palette.empty()) Chunk(png, "PLTE", picture.palette);
    if (!picture.transparency.empty()) Chunk(png, "tRNS", picture.transparency);
    Bytes packed = Deflate(picture.rows);
    // Split over two IDAT chunks, as writers may.
    size_t half = packed.size() / 2;
    Chunk(png, "IDAT", Bytes(packed.begin(), packed.begin() + static_cast<long>(half)));
    Chunk(png, "IDAT", Bytes(packed.begin() + static_cast<long>(half), packed.end()));
    Chunk(png, "IEND", {});
    return png;
}

uint8_t Paeth(int a, int b, int c)
{
    int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// RGBA rows, row y filtered with filter y % 5.
Bytes FilteredRows(const std::vector<uint32_t>& argb, int width, int height)
{
    Bytes out;
    Bytes previous(static_cast<size_t>(width) * 4, 0);
    for (int y = 0; y < height; ++y) {
        Bytes raw;
        for (int x = 0; x < width; ++x) {
            uint32_t p = argb[static_cast<size_t>(y * width + x)];
            Add(raw, {static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 8), static_cast<uint8_t>(p),
                                   static_cast<uint8_t>(p >> 24)});
        }
        uint8_t type = static_cast<uint8_t>(y % 5);
        out.push_back(type);
        for (size_t i = 0; i < raw.size(); ++i) {
            int left = i >= 4 ? raw[i - 4] : 0, up = y > 0 ? previous[i] : 0, upLeft = i >= 4 && y > 0 ? previous[i - 4] : 0;
            int predicted = type == 1 ? left : type == 2 ? up : type == 3 ? (left + up) / 2 : type == 4 ? Paeth(left, up, upLeft) : 0;
            out.push_back(static_cast<uint8_t>(raw[i] - predicted));
        }
        previous = raw;
    }
    return out;
}

Bytes Gif(int width, int height, const std::vector<uint8_t>& indices, int transparent)
{
    Bytes gif{'G', 'I', 'F', '8', '9', 'a'};
    Add(gif, {static_cast<uint8_t>(width), 0, static_cast<uint8_t>(height), 0, 0xF1, 0, 0});
    Add(gif, {0xFF, 0, 0, 0, 0, 0xFF, 0, 0x80, 0, 0xFF, 0xFF, 0xFF});  // red, blue, green, white
    Add(gif, {0x21, 0xF9, 4, 1, 0, 0, static_cast<uint8_t>(transparent), 0});
    Add(gif, {0x2C, 0, 0, 0, 0, static_cast<uint8_t>(width), 0, static_cast<uint8_t>(height), 0, 0});
    TGifBitmapInfo info{width, height, 8};
    // Bottom-up rows, as the codec wants them.
    Bytes bits(static_cast<size_t>(GifImageSize(info)), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bits[static_cast<size_t>((height - 1 - y) * GifRowStride(info) + x)] = indices[static_cast<size_t>(y * width + x)];
    EncodeGIFImage(gif, info, false, {}, bits.data());
    gif.push_back(0x3B);
    return gif;
}

// The image fills the stage's top left, each of its pixels 10 stage pixels wide.
Bytes ImageMovie(const Bytes& image)
{
    Bytes body(image.size() + 2);
    body[0] = 9;  // the bitmap's id
    std::copy(image.begin(), image.end(), body.begin() + 2);
    SwfMatrix scale{.a = 10 * Px, .d = 10 * Px};
    return StageMovie(SwfTags()
                          .Background(0xFFFFFF)
                          .Tag(TagDefineBitsJpeg2, body)
                          .Tag(32, RectangleShape(1, {0, 0, 100 * Px, 100 * Px}, BitmapFill(0x43, 9, scale)))
                          .Tag(26, PlaceObject2({.depth = 1, .id = 1}))
                          .ShowFrame()
                          .End()
                          .Take());
}

// The centre of image pixel (x, y).
Probe At(int x, int y, uint32_t argb)
{
    return {x * 10 + 5, y * 10 + 5, argb};
}

struct ImageCase {
    const char* name;
    std::function<Bytes()> image;
    std::vector<Probe> probes;
};

std::ostream& operator<<(std::ostream& out, const ImageCase& c)
{
    return out << c.name;
}

class ImageTag : public testing::TestWithParam<ImageCase> {};

TEST_P(ImageTag, PixelsAreExact)
{
    ExpectProbes(DrawStage(ImageMovie(GetParam().image())), GetParam().probes, 0);
}

std::vector<uint32_t> Gradient5x5()
{
    std::vector<uint32_t> argb;
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x) argb.push_back(0xFF000000u | (x * 60) << 16 | (y * 60) << 8 | ((x * y * 17) & 0xFF));
    return argb;
}

INSTANTIATE_TEST_SUITE_P(
    InJpegTags, ImageTag,
    testing::Values(
        ImageCase{"png rgba through every row filter",
                  [] { return Png({5, 5, 8, 6, false, {}, {}, FilteredRows(Gradient5x5(), 5, 5)}); },
                  [] {
                      std::vector<Probe> probes;
                      std::vector<uint32_t> argb = Gradient5x5();
                      for (int y = 0; y < 5; ++y)
                          for (int x = 0; x < 5; ++x) probes.push_back(At(x, y, argb[static_cast<size_t>(y * 5 + x)]));
                      return probes;
                  }()},
        // Two bits a pixel: 0 red, 1 transparent, 2 blue, 3 out of the palette.
        ImageCase{"png packed palette with transparency",
                  [] { return Png({4, 1, 2, 3, false, {255, 0, 0, 0, 0, 0, 0, 0, 255}, {255, 0}, {0, 0b00011011}}); },
                  {At(0, 0, 0xFFFF0000), At(1, 0, White), At(2, 0, 0xFF0000FF), At(3, 0, White)}},
        // 16-bit grey, interlaced: each of the seven passes holds one pixel of
        // an 8x8 image here, and the rest.
        ImageCase{"png interlaced 16-bit grey",
                  [] {
                      PngPicture picture{8, 8, 16, 0, true, {}, {}, {}};
                      // Passes' sizes: 1x1, 1x1, 2x1, 2x2, 4x2, 4x4, 8x4.
                      const int sizes[7][2] = {{1, 1}, {1, 1}, {2, 1}, {2, 2}, {4, 2}, {4, 4}, {8, 4}};
                      for (int pass = 0; pass < 7; ++pass)
                          for (int y = 0; y < sizes[pass][1]; ++y) {
                              picture.rows.push_back(0);
                              for (int x = 0; x < sizes[pass][0]; ++x) {
                                  uint8_t grey = static_cast<uint8_t>(pass * 40);
                                  Add(picture.rows, {grey, 0x55});
                              }
                          }
                      return Png(picture);
                  },
                  {At(0, 0, 0xFF000000), At(4, 0, 0xFF282828), At(0, 4, 0xFF505050), At(2, 0, 0xFF787878),
                   At(0, 2, 0xFFA0A0A0), At(1, 0, 0xFFC8C8C8), At(0, 1, 0xFFF0F0F0), At(7, 7, 0xFFF0F0F0)}},
        ImageCase{"gif with a transparent index",
                  [] { return Gif(3, 2, {0, 1, 2, 3, 0, 1}, 3); },
                  {At(0, 0, 0xFFFF0000), At(1, 0, 0xFF0000FF), At(2, 0, 0xFF008000), At(0, 1, White),
                   At(1, 1, 0xFFFF0000), At(2, 1, 0xFF0000FF)}}));

// Damaged images draw nothing and end.
TEST(ImageTagDamage, CutAndLyingImagesDrawNothing)
{
    Bytes png = Png({5, 5, 8, 6, false, {}, {}, FilteredRows(Gradient5x5(), 5, 5)});
    Bytes gif = Gif(3, 2, {0, 1, 2, 3, 0, 1}, 3);
    Bytes huge = png;
    huge[16] = huge[20] = 0x7F;  // 2 billion pixels square
    for (const Bytes& image : {Bytes(png.begin(), png.begin() + 40), huge, Bytes(gif.begin(), gif.begin() + 30)}) {
        std::vector<uint32_t> pixels = DrawStage(ImageMovie(image));
        EXPECT_TRUE(pixels[95 * 100 + 95] == White);
    }
}

}
