#pragma once
// The packets of one kind in an FLV file that Debian's ffmpeg wrote: audio
// (tag type 8) or video (9). An audio tag's first byte describes its sound
// exactly as a movie's sound format byte does; a video tag's holds the
// frame type (1: key frame) and the codec number that DefineVideoStream uses.
#include <cstdint>
#include <string>
#include <vector>

#include "Bytes.h"

namespace tvmtest {

struct FlvPacket {
    uint8_t First = 0;
    Bytes Data;  // what follows that byte
};

std::vector<FlvPacket> ReadFlvPackets(const std::string& path, uint8_t tagType);

}
