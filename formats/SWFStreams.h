#pragma once
// The header of a Flash movie: plain ("FWS"), zlib-compressed ("CWS") or
// LZMA-compressed ("ZWS"). No tags are parsed.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Streams.h"
#include "SwfHeader.h"

class TBasedSWFStream : public TObject {
public:
    // Takes the fields of a header read by ReadSwfHeader.
    void Assign(const TSwfHeader& header);

    float GetFrameRate() const;
    int32_t GetMovieWidth() const { return (FrameRect.right - FrameRect.left) / TwipsUnit; }
    int32_t GetMovieHeight() const { return (FrameRect.bottom - FrameRect.top) / TwipsUnit; }

    char Signature[3] = {};
    uint8_t Version = 5;
    uint32_t FileLength = 0;
    RECT FrameRect{};
    uint16_t FrameRate = 0;  // 8.8 fixed point
    uint16_t FrameCount = 0;
    int32_t TwipsUnit = 1;  // 20 when sizes are in pixels, 1 in twips
};

class TSWFStreamReader : public TBasedSWFStream {
public:
    // Reads FileName when it is not empty.
    explicit TSWFStreamReader(const std::string& fileName);

    // At least 4 bytes beginning "FWS", "CWS" or "ZWS"; sets the valid flag.
    bool CheckHeader(TStream& stream);
    // Reads the header and the movie fields; a movie whose fields cannot be
    // read in full (short or damaged body) is not valid.
    void LoadFromStream(TStream& stream);

    bool Valid = false;
    bool Compressed = false;
    std::string CompressionName;  // "ZLIB" or "LZMA"
};
