#pragma once
// Bit fields as movies store them: most significant bit first, the last
// byte padded with zeros.
#include <cstdint>

#include "Bytes.h"

namespace tvmtest {

class BitWriter {
public:
    void Put(uint32_t value, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit) {
            current_ = static_cast<uint8_t>(current_ << 1 | (value >> bit & 1));
            if (++used_ == 8) Flush();
        }
    }
    void PutSigned(int32_t value, int count) { Put(static_cast<uint32_t>(value), count); }
    // Whole bytes, little-endian, after the bits so far are padded out.
    void Bytes(uint32_t value, int count)
    {
        Align();
        for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void Append(const tvmtest::Bytes& bytes)
    {
        Align();
        bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    }
    void Align()
    {
        if (used_) {
            current_ = static_cast<uint8_t>(current_ << (8 - used_));
            Flush();
        }
    }
    tvmtest::Bytes Finish()
    {
        Align();
        return bytes_;
    }

private:
    void Flush()
    {
        bytes_.push_back(current_);
        current_ = 0;
        used_ = 0;
    }
    tvmtest::Bytes bytes_;
    uint8_t current_ = 0;
    int used_ = 0;
};

}
