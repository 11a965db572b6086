#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "GifLzw.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A bottom-up DIB of random pixels (or few values, so that strings repeat).
Bytes Pixels(const TGifBitmapInfo& info, int values, unsigned seed)
{
    Bytes bits(static_cast<size_t>(GifImageSize(info)));
    std::mt19937 random(seed);
    const int perByte = 8 / info.BitsPerPixel;
    for (int32_t row = 0; row < info.Height; ++row) {
        uint8_t* line = bits.data() + row * GifRowStride(info);
        for (int32_t x = 0; x < info.Width; ++x) {
            const int value = static_cast<int>(random() % static_cast<unsigned>(values));
            const int shift = (perByte - 1 - x % perByte) * info.BitsPerPixel;
            line[x / perByte] = static_cast<uint8_t>(line[x / perByte] | value << shift);
        }
    }
    return bits;
}

struct DecodeResult {
    Bytes Bits;
    bool Corrupted = false;
    std::string Error;
};

DecodeResult Decode(const Bytes& data, const TGifBitmapInfo& info, bool interlaced, bool tolerant, int frameBits = 8)
{
    DecodeResult result;
    result.Bits.assign(static_cast<size_t>(GifImageSize(info)), 0);
    try {
        DecodeGIFImage(data.data(), data.size(), info, interlaced, {}, result.Corrupted, result.Bits.data(), frameBits,
                       tolerant);
    } catch (const EGifFormatError& e) {
        result.Error = e.what();
    }
    return result;
}

TEST(GifLzw, RoundTripsEveryDepthSizeAndOrder)
{
    struct Case {
        int32_t width, height, bits, values;
    };
    // Noise of 256 values runs the table past code 4094 several times over.
    const Case cases[] = {{1, 1, 8, 256}, {3, 3, 1, 2}, {37, 19, 4, 16}, {37, 19, 4, 3},
                          {200, 150, 8, 256}, {200, 150, 8, 5}, {129, 64, 1, 2}, {640, 480, 8, 256}};
    for (const Case& c : cases) {
        for (bool interlaced : {false, true}) {
            const TGifBitmapInfo info{c.width, c.height, c.bits};
            const Bytes bits = Pixels(info, c.values, static_cast<unsigned>(c.width * 31 + c.height));
            Bytes encoded;
            EncodeGIFImage(encoded, info, interlaced, {}, bits.data());
            const DecodeResult decoded = Decode(encoded, info, interlaced, false, c.bits);
            SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits << " interlaced " << interlaced);
            EXPECT_EQ(decoded.Error, "");
            EXPECT_FALSE(decoded.Corrupted);
            EXPECT_EQ(decoded.Bits, bits);
        }
    }
}

TEST(GifLzw, WritesTheStandardCodeStream)
{
    // 1 x 1 at 8 bits: clear (256), the pixel, end (257), 9 bits each.
    const TGifBitmapInfo one{1, 1, 8};
    const Bytes pixel = {0x2A, 0, 0, 0};
    Bytes encoded;
    EncodeGIFImage(encoded, one, false, {}, pixel.data());
    const uint32_t codes = 256 | 0x2A << 9 | 257u << 18;
    EXPECT_EQ(encoded, (Bytes{8, 4, static_cast<uint8_t>(codes), static_cast<uint8_t>(codes >> 8),
                              static_cast<uint8_t>(codes >> 16), static_cast<uint8_t>(codes >> 24), 0}));

    // 1 bit per pixel: minimum code size 2, the first code (clear = 4) in 3 bits.
    const TGifBitmapInfo mono{8, 1, 1};
    const Bytes bits = {0xA5, 0, 0, 0};
    encoded.clear();
    EncodeGIFImage(encoded, mono, false, {}, bits.data());
    EXPECT_EQ(encoded[0], 2);
    EXPECT_EQ(encoded[2] & 7, 4);

    // Sub-blocks hold at most 255 bytes and the data end with a zero block.
    const TGifBitmapInfo noise{300, 200, 8};
    const Bytes noisy = Pixels(noise, 256, 7);
    encoded.clear();
    EncodeGIFImage(encoded, noise, false, {}, noisy.data());
    size_t at = 1;
    while (encoded[at] != 0) at += encoded[at] + 1u;
    EXPECT_EQ(at + 1, encoded.size());
}

TEST(GifLzw, InterlaceVisitsRowsInFourPasses)
{
    struct Case {
        int32_t height;
        std::vector<int32_t> rows;
    };
    const Case cases[] = {{1, {0}}, {3, {0, 2, 1}}, {10, {0, 8, 4, 2, 6, 1, 3, 5, 7, 9}}};
    for (const Case& c : cases) {
        std::vector<int32_t> rows;
        int pass = 0;
        for (int32_t row = 0; row < c.height; row = GIFInterlaceStep(row, c.height, pass)) rows.push_back(row);
        EXPECT_EQ(rows, c.rows) << "height " << c.height;
    }
}

TEST(GifLzw, DamagedDataStopsAtTheDamage)
{
    // 3-bit codes of a 2-bit frame, packed from the lowest bit: clear 4,
    // end 5, first table code 6. 0x51 0x01 = codes 1, 2, 5; 46 = 6, 5;
    // 0xCC 0x01 = 4, 1, 7; 28 = 4, 3.
    struct Case {
        const char* what;
        Bytes data;
        TGifBitmapInfo info;
        bool corrupt;
        const char* error;  // with GIFLoadCorrupted clear
        Bytes firstRow;     // what a tolerant decode keeps (bottom row in memory is the last)
    };
    const Case cases[] = {
        {"no clear code first", {2, 2, 0x51, 0x01, 0}, {2, 1, 8}, false, "", {1, 2}},
        {"a string code with nothing before it", {2, 1, 46, 0}, {2, 1, 8}, true, "GIF encoded data is corrupt", {0, 0}},
        {"a code beyond the table", {2, 2, 0xCC, 0x01, 0}, {2, 1, 8}, true, "GIF encoded data is corrupt", {1, 0}},
        {"data ending before the image", {2, 1, 28}, {3, 3, 8}, true, "GIF encoded data is corrupt", {3, 0, 0}},
        {"a block longer than the data", {2, 200, 28}, {3, 1, 8}, true, "GIF encoded data is corrupt", {3, 0, 0}},
        {"nothing at all", {}, {1, 1, 8}, true, "GIF code size not in range 2 to 9", {0}},
        {"code size 11", {11, 2, 0x00, 0x02, 0}, {2, 1, 8}, true, "GIF code size not in range 2 to 9", {0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodeResult tolerant = Decode(c.data, c.info, false, true, 2);
        EXPECT_EQ(tolerant.Error, "");
        EXPECT_EQ(tolerant.Corrupted, c.corrupt);
        EXPECT_EQ(Bytes(tolerant.Bits.end() - GifRowStride(c.info), tolerant.Bits.end() - GifRowStride(c.info) + c.info.Width),
                  c.firstRow);
        EXPECT_EQ(Decode(c.data, c.info, false, false, 2).Error, c.error);
    }
}

TEST(GifLzw, ReportsProgressToTheEndEvenOnFailure)
{
    const TGifBitmapInfo info{16, 16, 8};
    const Bytes bits = Pixels(info, 256, 3);
    Bytes encoded;
    std::vector<int> seen;
    std::string message;
    auto progress = [&](TGifProgressStage stage, int percent, const std::string& text) {
        if (stage == gpsEnding) seen.push_back(-percent), message = text;
        else if (stage == gpsRunning) seen.push_back(percent);
    };
    EncodeGIFImage(encoded, info, false, progress, bits.data());
    EXPECT_EQ(seen.back(), -100);
    EXPECT_EQ(seen[seen.size() - 2], 100);

    seen.clear();
    Bytes out(static_cast<size_t>(GifImageSize(info)));
    bool corrupted = false;
    const Bytes cut(encoded.begin(), encoded.begin() + 20);
    EXPECT_THROW(DecodeGIFImage(cut.data(), cut.size(), info, false, progress, corrupted, out.data(), 8, false),
                 EGifFormatError);
    EXPECT_EQ(seen.back(), 0);
    EXPECT_EQ(message, "GIF encoded data is corrupt");
}

}  // namespace
