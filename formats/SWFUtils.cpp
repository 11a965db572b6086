#include "SWFUtils.h"

void TBitsEngine::FlushBits(bool write)
{
    if (pendingBits_ > 0 && write) {
        uint8_t byte = static_cast<uint8_t>(pending_ << (8 - pendingBits_));
        stream_.WriteBuffer(&byte, 1);
    }
    pending_ = 0;
    pendingBits_ = 0;
}

void TBitsEngine::WriteBits(uint32_t value, int count)
{
    for (int bit = count - 1; bit >= 0; --bit) {
        // A field wider than the value is padded with zeros in front.
        const uint32_t next = bit < 32 ? value >> bit & 1 : 0;
        pending_ = static_cast<uint8_t>(pending_ << 1 | next);
        if (++pendingBits_ == 8) {
            stream_.WriteBuffer(&pending_, 1);
            pending_ = 0;
            pendingBits_ = 0;
        }
    }
}

void TBitsEngine::WriteByte(uint8_t value)
{
    if (pendingBits_ > 0)
        WriteBits(value, 8);
    else
        stream_.WriteBuffer(&value, 1);
}

std::string TBitsEngine::ReadString(int len)
{
    std::string text(static_cast<size_t>(len > 0 ? len : 0), '\0');
    if (!text.empty()) stream_.ReadBuffer(text.data(), static_cast<int32_t>(text.size()));
    return text.substr(0, text.find('\0'));
}

uint8_t TBitsEngine::ReadByte()
{
    uint8_t byte = 0;
    stream_.ReadBuffer(&byte, 1);
    return byte;
}

uint16_t TBitsEngine::ReadWord()
{
    uint8_t bytes[2];
    stream_.ReadBuffer(bytes, 2);
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

uint32_t TBitsEngine::ReadUB(int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        if (pendingBits_ == 0) {
            pending_ = ReadByte();
            pendingBits_ = 8;
        }
        --pendingBits_;
        value = value << 1 | (pending_ >> pendingBits_ & 1);
    }
    return value;
}

int32_t TBitsEngine::ReadSB(int count)
{
    uint32_t value = ReadUB(count);
    if (count > 0 && count < 32 && (value >> (count - 1) & 1)) value |= ~0u << count;
    return static_cast<int32_t>(value);
}

void TBitsEngine::ReadRect(RECT& rect)
{
    int bits = static_cast<int>(ReadUB(5));
    rect.left = ReadSB(bits);
    rect.right = ReadSB(bits);
    rect.top = ReadSB(bits);
    rect.bottom = ReadSB(bits);
    FlushBits(false);
}

float FixedToSingle(uint16_t value)
{
    return static_cast<float>(value >> 8) + static_cast<float>(value & 0xFF) / 256.0f;
}
