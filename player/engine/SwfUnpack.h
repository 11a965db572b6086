#pragma once
// The bodies of compressed movies: "CWS" is a zlib stream, "ZWS" raw LZMA1
// with five property bytes. Both unpack at most `limit` bytes and answer
// fewer when their stream ends first, so a lying length costs nothing.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tvmplayer {

std::vector<uint8_t> Inflate(std::span<const uint8_t> packed, size_t limit);
std::vector<uint8_t> UnpackLzma(std::span<const uint8_t> properties, std::span<const uint8_t> packed, size_t limit);

}
