#include "AniFile.h"

TAnimatedCursorImage::~TAnimatedCursorImage()
{
    for (const TAniFrame& frame : frames_) DestroyIcon(frame.Icon);
}

void TAnimatedCursorImage::AddFrame(HICON icon, uint32_t rate)
{
    frames_.push_back({icon, rate});
}

int AniGetFrameCount(const TAnimatedCursorImage& image)
{
    return static_cast<int>(image.Frames().size());
}

TAniFrame AniGetFrame(const TAnimatedCursorImage& image, int index)
{
    return index >= 0 && index < AniGetFrameCount(image) ? image.Frames()[static_cast<size_t>(index)] : TAniFrame{};
}

HICON AniGetFrameImage(const TAnimatedCursorImage& image, int index)
{
    return AniGetFrame(image, index).Icon;
}
