#pragma once
#include <cstdint>
#include <vector>

namespace tvmtest {

using Bytes = std::vector<uint8_t>;

}
