#pragma once
// The packets of one kind in an FLV file that Debian's ffmpeg wrote: audio
// (tag type 8) or video (9). An audio tag's first byte describes its sound
// exactly as a movie's sound format byte does; a video tag's holds the
// frame type and the codec number that DefineVideoStream uses.
#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

struct FlvPackets {
    uint8_t First = 0;  // the first byte of the last tag
    std::vector<Bytes> Packets;  // what follows that byte
};

FlvPackets ReadFlvPackets(const std::string& path, uint8_t tagType);

}
