#include "SWFStreams.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "Exceptions.h"
#include "SWFUtils.h"

namespace {

constexpr int64_t kHeaderSize = 8;
constexpr int64_t kLzmaPropertiesOffset = 12;
constexpr int64_t kLzmaDataOffset = 17;
constexpr size_t kLzmaPropertiesSize = 5;
// Enough decoded bytes for the widest frame rectangle plus rate and count.
constexpr size_t kMovieFieldsRead = 28;
constexpr size_t kInputChunk = 256;

// Feeds Source's bytes from its position to Decode until Out is full or the
// data ends; answers how much of Out was filled. Decode answers False when
// it cannot go on.
template <typename Decode>
size_t DecodeFirstBytes(TStream& source, uint8_t* out, size_t outSize, Decode decode)
{
    uint8_t input[kInputChunk];
    size_t produced = 0;
    bool more = true;
    while (produced < outSize && more) {
        int32_t got = source.Read(input, sizeof input);
        if (got <= 0) break;
        more = decode(input, static_cast<size_t>(got), out, outSize, produced);
    }
    return produced;
}

size_t InflateFirstBytes(TStream& source, uint8_t* out, size_t outSize)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return 0;
    size_t produced = DecodeFirstBytes(source, out, outSize,
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

size_t LzmaFirstBytes(TStream& source, const uint8_t* properties, uint8_t* out, size_t outSize)
{
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
    size_t produced = DecodeFirstBytes(source, out, outSize,
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

}

int64_t TBasedSWFStream::ReadHeader(TStream& stream, THeaderPart part)
{
    const int64_t start = stream.GetPosition();
    TBitsEngine bits(stream);
    if (part != hpMovie) {
        stream.ReadBuffer(Signature, 3);
        Version = bits.ReadByte();
        FileLength = bits.ReadWord();
        FileLength |= static_cast<uint32_t>(bits.ReadWord()) << 16;
    }
    if (part != hpHeader) {
        bits.ReadRect(FrameRect);
        FrameRate = bits.ReadWord();
        FrameCount = bits.ReadWord();
    }
    return stream.GetPosition() - start;
}

float TBasedSWFStream::GetFrameRate() const
{
    return FixedToSingle(FrameRate);
}

TSWFStreamReader::TSWFStreamReader(const std::string& fileName)
{
    if (fileName.empty()) return;
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

bool TSWFStreamReader::CheckHeader(TStream& stream)
{
    char signature[4] = {};
    stream.SetPosition(0);
    Valid = stream.GetSize() >= 4 && stream.Read(signature, 3) == 3 &&
            (std::memcmp(signature, "FWS", 3) == 0 || std::memcmp(signature, "CWS", 3) == 0 ||
             std::memcmp(signature, "ZWS", 3) == 0);
    Compressed = Valid && signature[0] != 'F';
    CompressionName = !Compressed ? "" : signature[0] == 'C' ? "ZLIB" : "LZMA";
    return Valid;
}

void TSWFStreamReader::LoadFromStream(TStream& stream)
{
    if (!CheckHeader(stream)) return;
    try {
        stream.SetPosition(0);
        if (!Compressed) {
            ReadHeader(stream, hpHeaderAndMovie);
            return;
        }
        // The header's file length is not trusted: only the bytes the movie
        // fields need are decoded.
        ReadHeader(stream, hpHeader);
        uint8_t fields[kMovieFieldsRead];
        size_t decoded;
        if (CompressionName == "ZLIB") {
            decoded = InflateFirstBytes(stream, fields, sizeof fields);
        } else {
            uint8_t properties[kLzmaPropertiesSize];
            stream.SetPosition(kLzmaPropertiesOffset);
            stream.ReadBuffer(properties, sizeof properties);
            stream.SetPosition(kLzmaDataOffset);
            decoded = LzmaFirstBytes(stream, properties, fields, sizeof fields);
        }
        TMemoryStream movie;
        movie.WriteBuffer(fields, static_cast<int32_t>(decoded));
        movie.SetPosition(0);
        ReadHeader(movie, hpMovie);
    } catch (const EReadError&) {
        Valid = false;
    }
}
