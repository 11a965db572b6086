#pragma once
// Animated cursors as images: frames that each show an icon for a while.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "Persistent.h"

// One frame: its picture, and how long it shows in sixtieths of a second.
struct TAniFrame {
    HICON Icon = nullptr;
    uint32_t Rate = 0;
};

// An animated cursor; it owns its frames' icons.
class TAnimatedCursorImage : public TPersistent {
public:
    TAnimatedCursorImage() = default;
    TAnimatedCursorImage(const TAnimatedCursorImage&) = delete;
    TAnimatedCursorImage& operator=(const TAnimatedCursorImage&) = delete;
    ~TAnimatedCursorImage() override;
    std::string ClassName() const override { return "TAnimatedCursorImage"; }

    // Appends a frame; the image takes Icon over.
    void AddFrame(HICON icon, uint32_t rate);
    const std::vector<TAniFrame>& Frames() const { return frames_; }

private:
    std::vector<TAniFrame> frames_;
};

int AniGetFrameCount(const TAnimatedCursorImage& image);
// Null for an index outside the frames.
HICON AniGetFrameImage(const TAnimatedCursorImage& image, int index);
// An empty record for an index outside the frames.
TAniFrame AniGetFrame(const TAnimatedCursorImage& image, int index);
