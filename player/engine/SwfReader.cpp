#include "SwfReader.h"

#include <algorithm>

namespace tvmplayer {

std::span<const uint8_t> SwfReader::Bytes(size_t count)
{
    Align();
    if (count > Remaining())
        throw SwfFormatError("movie data ends early");
    std::span<const uint8_t> part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
}

uint8_t SwfReader::U8()
{
    return Bytes(1)[0];
}

uint16_t SwfReader::U16()
{
    std::span<const uint8_t> b = Bytes(2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t SwfReader::U32()
{
    std::span<const uint8_t> b = Bytes(4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}

std::string SwfReader::String()
{
    Align();
    std::span<const uint8_t> rest = bytes_.subspan(position_);
    auto end = std::find(rest.begin(), rest.end(), uint8_t{0});
    if (end == rest.end())
        throw SwfFormatError("string without its end");
    std::string text(rest.begin(), end);
    position_ += text.size() + 1;
    return text;
}

uint32_t SwfReader::UnsignedBits(int count)
{
    if (count < 0 || count > 32)
        throw SwfFormatError("bit field too wide");
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        if (bitsLeft_ == 0) {
            if (Remaining() == 0)
                throw SwfFormatError("movie data ends early");
            bitBuffer_ = bytes_[position_++];
            bitsLeft_ = 8;
        }
        --bitsLeft_;
        value = value << 1 | (bitBuffer_ >> bitsLeft_ & 1);
    }
    return value;
}

int32_t SwfReader::SignedBits(int count)
{
    uint32_t value = UnsignedBits(count);
    if (count > 0 && count < 32 && (value >> (count - 1) & 1))
        value |= ~0u << count;
    return static_cast<int32_t>(value);
}

TagHeader ReadTag(SwfReader& reader)
{
    uint16_t codeAndLength = reader.U16();
    uint32_t length = codeAndLength & 0x3F;
    if (length == 0x3F)
        length = reader.U32();
    return {static_cast<uint16_t>(codeAndLength >> 6), reader.Bytes(length)};
}

}
