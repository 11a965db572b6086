#pragma once
// A reader over a movie's bytes that never reads past its end: every read
// that would raises SwfFormatError, so a damaged movie ends its parse
// instead of reading foreign memory.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace tvmplayer {

class SwfFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SwfReader {
public:
    explicit SwfReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    // A zero-terminated string; the terminator must lie inside the bytes.
    std::string String();
    // The next count bytes, checked against what is left.
    std::span<const uint8_t> Bytes(size_t count);
    void Skip(size_t count) { Bytes(count); }

    // Bit fields, most significant bit first; a byte read realigns.
    uint32_t UnsignedBits(int count);
    int32_t SignedBits(int count);
    void Align() { bitsLeft_ = 0; }

private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
    uint8_t bitBuffer_ = 0;
    int bitsLeft_ = 0;
};

// A tag's code and body; the long length form included.
struct TagHeader {
    uint16_t Code;
    std::span<const uint8_t> Body;
};

TagHeader ReadTag(SwfReader& reader);

}
