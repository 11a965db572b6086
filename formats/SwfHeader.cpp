#include "SwfHeader.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kLzmaLengthSize = 4;  // the compressed length, not needed here
constexpr size_t kLzmaPropertiesSize = 5;
// Enough bytes for the widest frame rectangle plus rate and count.
constexpr size_t kMovieFieldsRead = 28;
constexpr size_t kInputChunk = 256;
constexpr uint32_t kProjectorMagic = 0xFA123456;
constexpr uint32_t kMinMovieSize = 3;

// Reads until Out is full or the data ends; answers how much was read.
size_t ReadFully(const TSwfReadBytes& read, uint8_t* out, size_t size)
{
    size_t done = 0;
    while (done < size) {
        size_t got = read(out + done, size - done);
        if (got == 0) break;
        done += std::min(got, size - done);
    }
    return done;
}

// Feeds Read's bytes to Decode until Out is full or the data ends; answers
// how much of Out was filled. Decode answers False when it cannot go on.
template <typename Decode>
size_t DecodeFirstBytes(const TSwfReadBytes& read, uint8_t* out, size_t outSize, Decode decode)
{
    uint8_t input[kInputChunk];
    size_t produced = 0;
    bool more = true;
    while (produced < outSize && more) {
        size_t got = std::min(read(input, sizeof input), sizeof input);
        if (got == 0) break;
        more = decode(input, got, out, outSize, produced);
    }
    return produced;
}

size_t InflateFirstBytes(const TSwfReadBytes& read, uint8_t* out, size_t outSize)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    size_t produced = DecodeFirstBytes(read, out, outSize,
        [&](uint8_t* in, size_t inSize, uint8_t* dest, size_t destSize, size_t& done) {
            z.next_in = in;
            z.avail_in = static_cast<uInt>(inSize);
            z.next_out = dest + done;
            z.avail_out = static_cast<uInt>(destSize - done);
            int result = inflate(&z, Z_NO_FLUSH);
            done = destSize - z.avail_out;
            return result == Z_OK;
        });
    inflateEnd(&z);
    return produced;
}

size_t LzmaFirstBytes(const TSwfReadBytes& read, uint8_t* out, size_t outSize)
{
    uint8_t skipped[kLzmaLengthSize];
    uint8_t properties[kLzmaPropertiesSize];
    if (ReadFully(read, skipped, sizeof skipped) != sizeof skipped ||
        ReadFully(read, properties, sizeof properties) != sizeof properties)
        return 0;
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (lzma_properties_decode(&filters[0], nullptr, properties, kLzmaPropertiesSize) != LZMA_OK) return 0;
    std::unique_ptr<void, decltype(&free)> options(filters[0].options, &free);
    // The decoder allocates the dictionary the header asks for, up to 4 GiB,
    // before it decodes anything. A match reaches back only into bytes
    // already decoded, and the decoder decodes no further than Out has room
    // for, so a dictionary of Out's size (at least liblzma's smallest, 4 KiB)
    // serves every movie; anything larger could only cost memory.
    auto* lzma = static_cast<lzma_options_lzma*>(filters[0].options);
    const auto enough = static_cast<uint32_t>(std::max<size_t>(outSize, LZMA_DICT_SIZE_MIN));
    lzma->dict_size = std::min(lzma->dict_size, enough);
    lzma_stream lz = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&lz, filters) != LZMA_OK) return 0;
    size_t produced = DecodeFirstBytes(read, out, outSize,
        [&](uint8_t* in, size_t inSize, uint8_t* dest, size_t destSize, size_t& done) {
            lz.next_in = in;
            lz.avail_in = inSize;
            lz.next_out = dest + done;
            lz.avail_out = destSize - done;
            lzma_ret result = lzma_code(&lz, LZMA_RUN);
            done = destSize - lz.avail_out;
            return result == LZMA_OK;
        });
    lzma_end(&lz);
    return produced;
}

// Bits most significant first across the bytes; reading past them fails.
class TFieldBits {
public:
    TFieldBits(const uint8_t* data, size_t size) : data_(data), bits_(size * 8) {}

    bool UB(int count, uint32_t& value)
    {
        if (static_cast<size_t>(count) > bits_ - at_) return false;
        value = 0;
        for (int i = 0; i < count; ++i, ++at_) value = value << 1 | (data_[at_ / 8] >> (7 - at_ % 8) & 1);
        return true;
    }

    bool SB(int count, int32_t& value)
    {
        uint32_t raw;
        if (!UB(count, raw)) return false;
        if (count > 0 && count < 32 && (raw >> (count - 1) & 1)) raw |= ~0u << count;
        value = static_cast<int32_t>(raw);
        return true;
    }

    bool Word(uint16_t& value)
    {
        at_ = (at_ + 7) / 8 * 8;
        uint32_t low, high;
        if (!UB(8, low) || !UB(8, high)) return false;
        value = static_cast<uint16_t>(low | high << 8);
        return true;
    }

private:
    const uint8_t* data_;
    size_t bits_;
    size_t at_ = 0;
};

bool ParseMovieFields(const uint8_t* data, size_t size, TSwfHeader& header)
{
    TFieldBits bits(data, size);
    uint32_t width;
    return bits.UB(5, width) && bits.SB(static_cast<int>(width), header.Left) &&
           bits.SB(static_cast<int>(width), header.Right) && bits.SB(static_cast<int>(width), header.Top) &&
           bits.SB(static_cast<int>(width), header.Bottom) && bits.Word(header.FrameRate) &&
           bits.Word(header.FrameCount);
}

uint32_t LittleEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
}

}

char SwfSignatureKind(const char signature[3])
{
    if (signature[1] != 'W' || signature[2] != 'S') return 0;
    return signature[0] == 'F' || signature[0] == 'C' || signature[0] == 'Z' ? signature[0] : 0;
}

bool ReadSwfHeader(const TSwfReadBytes& read, TSwfHeader& header)
{
    uint8_t fixed[kHeaderSize];
    if (ReadFully(read, fixed, sizeof fixed) != sizeof fixed) return false;
    std::memcpy(header.Signature, fixed, 3);
    header.Version = fixed[3];
    header.FileLength = LittleEndian32(fixed + 4);
    uint8_t fields[kMovieFieldsRead];
    size_t got;
    switch (SwfSignatureKind(header.Signature)) {
    case 'F': got = ReadFully(read, fields, sizeof fields); break;
    case 'C': got = InflateFirstBytes(read, fields, sizeof fields); break;
    case 'Z': got = LzmaFirstBytes(read, fields, sizeof fields); break;
    default: return false;
    }
    return ParseMovieFields(fields, got, header);
}

std::optional<TProjectorMovie> FindProjectorMovie(int64_t fileSize, const uint8_t trailer[kProjectorTrailerSize])
{
    if (fileSize < kProjectorTrailerSize + kMinMovieSize || LittleEndian32(trailer) != kProjectorMagic) return {};
    // The trailer's length is the file's own word: it must leave room for a
    // movie signature and stay inside the file.
    const uint32_t size = LittleEndian32(trailer + 4);
    if (size < kMinMovieSize || size > fileSize - kProjectorTrailerSize) return {};
    return TProjectorMovie{fileSize - kProjectorTrailerSize - size, size};
}

bool IsProjectorMovieSignature(const char signature[3])
{
    const char kind = SwfSignatureKind(signature);
    return kind == 'F' || kind == 'C';
}
