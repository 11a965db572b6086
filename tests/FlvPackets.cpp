#include "FlvPackets.h"

#include <fstream>
#include <iterator>

namespace tvmtest {

std::vector<FlvPacket> ReadFlvPackets(const std::string& path, uint8_t tagType)
{
    std::ifstream file(path, std::ios::binary);
    Bytes flv{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<FlvPacket> packets;
    for (size_t at = 13; at + 11 <= flv.size();) {
        size_t size = static_cast<size_t>(flv[at + 1]) << 16 | flv[at + 2] << 8 | flv[at + 3];
        if (at + 11 + size > flv.size())
            break;
        if (flv[at] == tagType && size > 1) {
            packets.push_back({flv[at + 11], Bytes(flv.begin() + static_cast<std::ptrdiff_t>(at + 12),
                                                   flv.begin() + static_cast<std::ptrdiff_t>(at + 11 + size))});
        }
        at += 11 + size + 4;
    }
    return packets;
}

}
