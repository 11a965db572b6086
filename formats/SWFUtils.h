#pragma once
// Bit fields, bytes and little-endian words on a stream, bits most
// significant first inside each byte, as SWF headers and MPEG audio frame
// headers store them. One object either reads or writes, never both.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Streams.h"

class TBitsEngine : public TObject {
public:
    explicit TBitsEngine(TStream& stream) : stream_(stream) {}

    // With Write, pending bits are padded with zeros to a byte and written;
    // either way the pending state is dropped.
    void FlushBits(bool write);
    // The low Count bits of Value; each completed byte goes out at once. A
    // Count above 32 writes zeros before Value's 32 bits; 0 or less, nothing.
    void WriteBits(uint32_t value, int count);
    void WriteByteBits(uint32_t value, int count) { WriteBits(value & 0xFF, count); }
    void WriteByte(uint8_t value);

    // Len bytes; the text ends at the first zero byte.
    std::string ReadString(int len);
    uint8_t ReadByte();
    uint16_t ReadWord();
    // The next Count bits across byte boundaries; leftover bits stay pending.
    uint32_t ReadUB(int count);
    int32_t ReadSB(int count);
    // An SWF RECT into Left, Right, Top, Bottom; the next read starts on a byte.
    void ReadRect(RECT& rect);

private:
    TStream& stream_;
    uint8_t pending_ = 0;
    int pendingBits_ = 0;
};

// SWF's 8.8 fixed-point value: high byte + low byte / 256.
float FixedToSingle(uint16_t value);
