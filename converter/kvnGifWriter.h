#pragma once
// An animated GIF written while the movie plays: the header with the first
// frame, each frame appended as it comes, the trailer at the end, so that a
// long run never holds more than one frame.
#include <memory>

#include "GifCodec.h"
#include "Streams.h"

// Flattens a frame with alpha onto Background (a TColor) for the GIF writer;
// the result is a transparent bitmap whose fixed transparent colour is white.
void PrepareGifFrame(TBitmap& bitmap, TColor background);

class TkvnGifWriter {
public:
    // Writes into File, from its end. Background: the stage's colour; with
    // Transparent, frames show through where it is.
    TkvnGifWriter(std::unique_ptr<TStream> file, TColor background, bool transparent);
    ~TkvnGifWriter();
    TkvnGifWriter(const TkvnGifWriter&) = delete;
    TkvnGifWriter& operator=(const TkvnGifWriter&) = delete;

    // Appends Frame, shown for Delay milliseconds (kept in hundredths).
    // EWriteError when the file cannot take it.
    void WriteFrame(TBitmap& frame, int delay);
    // The trailer; the file is complete.
    void Finish();
    int Written() const { return written_; }

private:
    std::unique_ptr<TStream> stream_;
    TGIFImage image_;
    TColor background_;
    bool transparent_;
    int written_ = 0;
};
