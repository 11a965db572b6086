#include "SwfUnpack.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "SwfReader.h"

namespace tvmplayer {
namespace {

// The output grows as data really comes out, never by the length a movie
// claims: it doubles from a small first piece.
constexpr size_t FirstPiece = 16 * 1024;

// Runs decode(into, room), which answers how many bytes it made, with room
// for more each time until limit; a decode that fills less has ended.
template <class Decode>
std::vector<uint8_t> Unpack(size_t limit, Decode decode)
{
    std::vector<uint8_t> out;
    size_t produced = 0;
    while (produced < limit) {
        size_t room = std::min(std::max(FirstPiece, produced), limit - produced);
        out.resize(produced + room);
        size_t made = decode(out.data() + produced, room);
        produced += made;
        if (made < room)
            break;
    }
    out.resize(produced);
    return out;
}

}

std::vector<uint8_t> Inflate(std::span<const uint8_t> packed, size_t limit)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        throw SwfFormatError("zlib cannot start");
    const uint8_t* input = packed.data();
    size_t inputLeft = packed.size();
    std::vector<uint8_t> out = Unpack(limit, [&](uint8_t* into, size_t room) {
        zs.next_out = into;
        zs.avail_out = static_cast<uInt>(room);
        int result = Z_OK;
        while (zs.avail_out > 0 && result == Z_OK) {
            if (zs.avail_in == 0) {
                if (inputLeft == 0)
                    break;
                uInt take = static_cast<uInt>(std::min<size_t>(inputLeft, UINT_MAX));
                zs.next_in = const_cast<Bytef*>(input);
                zs.avail_in = take;
                input += take;
                inputLeft -= take;
            }
            result = inflate(&zs, Z_NO_FLUSH);
        }
        return room - zs.avail_out;
    });
    inflateEnd(&zs);
    return out;
}

std::vector<uint8_t> UnpackLzma(std::span<const uint8_t> properties, std::span<const uint8_t> packed, size_t limit)
{
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    if (properties.size() != 5
        || lzma_properties_decode(&filters[0], nullptr, properties.data(), properties.size()) != LZMA_OK)
        throw SwfFormatError("bad LZMA properties");
    // A dictionary larger than the whole output is never read from.
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    options->dict_size = static_cast<uint32_t>(
        std::clamp<size_t>(options->dict_size, LZMA_DICT_SIZE_MIN, std::max<size_t>(limit, LZMA_DICT_SIZE_MIN)));
    lzma_stream lz = LZMA_STREAM_INIT;
    lzma_ret result = lzma_raw_decoder(&lz, filters);
    free(options);
    if (result != LZMA_OK)
        throw SwfFormatError("LZMA cannot start");
    lz.next_in = packed.data();
    lz.avail_in = packed.size();
    std::vector<uint8_t> out = Unpack(limit, [&](uint8_t* into, size_t room) {
        lz.next_out = into;
        lz.avail_out = room;
        lzma_ret step = lzma_code(&lz, LZMA_RUN);
        // A damaged stream gives nothing more, so the movie comes out short.
        return step == LZMA_OK || step == LZMA_STREAM_END ? room - lz.avail_out : 0;
    });
    lzma_end(&lz);
    return out;
}

}
