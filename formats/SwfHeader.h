#pragma once
// The fixed header of a Flash movie - plain ("FWS"), zlib ("CWS") or LZMA
// ("ZWS") - with the movie fields that follow it, and the trailer by which a
// projector executable carries a movie. Plain C++, no system headers: the
// header and trailer readers run wherever the bytes come from.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

// Reads up to Size bytes into Buffer from where the previous read stopped;
// answers how many, 0 at the end of the data.
using TSwfReadBytes = std::function<size_t(uint8_t* buffer, size_t size)>;

struct TSwfHeader {
    char Signature[3] = {};
    uint8_t Version = 5;
    uint32_t FileLength = 0;  // as the header claims it
    // The frame rectangle in twips.
    int32_t Left = 0;
    int32_t Right = 0;
    int32_t Top = 0;
    int32_t Bottom = 0;
    uint16_t FrameRate = 0;  // 8.8 fixed point
    uint16_t FrameCount = 0;
};

// 'F', 'C' or 'Z' for a movie signature; 0 for anything else.
char SwfSignatureKind(const char signature[3]);

// Reads the whole header from the first byte Read gives. The header's file
// length is not trusted: of a compressed body only the bytes the movie fields
// need are decoded. False when the signature is no movie's or the fields
// cannot be read in full (short or damaged data).
bool ReadSwfHeader(const TSwfReadBytes& read, TSwfHeader& header);

// Where a projector executable of FileSize bytes, ending in the 8 bytes
// Trailer, keeps its movie; nothing when the trailer is no projector's or
// its length leaves no room for a signature inside the file.
struct TProjectorMovie {
    int64_t Start = 0;
    uint32_t Size = 0;
};
constexpr int64_t kProjectorTrailerSize = 8;
std::optional<TProjectorMovie> FindProjectorMovie(int64_t fileSize, const uint8_t trailer[kProjectorTrailerSize]);
// A projector carries only a plain or zlib movie.
bool IsProjectorMovieSignature(const char signature[3]);
