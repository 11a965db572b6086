#include "FlvPackets.h"

#include <fstream>
#include <iterator>

namespace tvmtest {

FlvPackets ReadFlvPackets(const std::string& path, uint8_t tagType)
{
    std::ifstream file(path, std::ios::binary);
    Bytes flv{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    FlvPackets packets;
    for (size_t at = 13; at + 11 <= flv.size();) {
        size_t size = static_cast<size_t>(flv[at + 1]) << 16 | flv[at + 2] << 8 | flv[at + 3];
        if (at + 11 + size > flv.size())
            break;
        if (flv[at] == tagType && size > 1) {
            packets.First = flv[at + 11];
            packets.Packets.emplace_back(flv.begin() + static_cast<std::ptrdiff_t>(at + 12),
                                         flv.begin() + static_cast<std::ptrdiff_t>(at + 11 + size));
        }
        at += 11 + size + 4;
    }
    return packets;
}

}
