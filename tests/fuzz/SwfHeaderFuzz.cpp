// Any bytes as a movie file and as a projector executable: the header and
// trailer readers must answer, never crash, read outside the bytes or
// allocate what a header merely claims. A header that reads is also turned
// into the sizes and rate the task shows.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "SwfHeader.h"

namespace {

// Serves Data in pieces of changing size, as a file stream may.
bool ReadHeader(const uint8_t* data, size_t size, TSwfHeader& header)
{
    size_t at = 0;
    size_t piece = 1;
    return ReadSwfHeader(
        [&](uint8_t* buffer, size_t wanted) {
            const size_t count = std::min({wanted, size - at, piece});
            std::copy(data + at, data + at + count, buffer);
            at += count;
            piece = piece * 3 % 509 + 1;
            return count;
        },
        header);
}

volatile double sink;

void Use(const TSwfHeader& header)
{
    const int64_t width = int64_t(header.Right) - header.Left;
    const int64_t height = int64_t(header.Bottom) - header.Top;
    const double rate = (header.FrameRate >> 8) + (header.FrameRate & 0xFF) / 256.0;
    sink = static_cast<double>(width * height) + (rate > 0 ? header.FrameCount / rate : 0);
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TSwfHeader header;
    if (ReadHeader(data, size, header)) {
        if (!SwfSignatureKind(header.Signature)) std::abort();
        Use(header);
    }
    if (size < kProjectorTrailerSize) return 0;
    const auto movie = FindProjectorMovie(static_cast<int64_t>(size), data + size - kProjectorTrailerSize);
    if (!movie) return 0;
    if (movie->Start < 0 || movie->Start + movie->Size + kProjectorTrailerSize != static_cast<int64_t>(size))
        std::abort();
    const uint8_t* start = data + movie->Start;
    if (IsProjectorMovieSignature(reinterpret_cast<const char*>(start)) && ReadHeader(start, movie->Size, header))
        Use(header);
    return 0;
}
