#pragma once
// A video file that a script plays by name (NetStream.play): an FLV or F4V
// file that the host's libraries read and decode. The engine names no
// container or codec library; the process that hosts it opens the files.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bitmap.h"

namespace tvmplayer {

// One piece of the file in its own order: a picture, or sound as the mixer
// takes it (MixRate stereo 16-bit samples, left first), with the time in
// seconds from the file's start at which it shows or sounds.
struct MediaPiece {
    double Time = 0;
    Bitmap Picture;  // no pixels in a piece of sound
    std::vector<int16_t> Samples;
};

class MediaSource {
public:
    virtual ~MediaSource() = default;
    // Seconds; 0 when the file does not tell.
    virtual double Duration() const = 0;
    // The file's length in bytes.
    virtual uint64_t Size() const = 0;
    virtual bool HasSound() const = 0;
    // The next piece, or nothing at the end of the file.
    virtual std::optional<MediaPiece> Next() = 0;
    // Reading goes on from the key frame at or before seconds; the pieces
    // before seconds still come, for the pictures that lead up to it.
    virtual bool Seek(double seconds) = 0;
};

class MediaSources {
public:
    virtual ~MediaSources() = default;
    // The file a script named (a path or a "file:" address), or null when
    // it cannot be read.
    virtual std::unique_ptr<MediaSource> Open(const std::string& name) = 0;
};

}
