#pragma once
// The engine's only source of time. Readings are milliseconds that wrap
// around at 2^32, as the system's multimedia clock does; only differences
// between them count.
#include <cstdint>

namespace tvmplayer {

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
};

}
