#pragma once
// The picture work of the frame pipeline: the display-aspect fit, the place
// of an overlay, the text overlay's image and overlay insertion.
#include "Graphics.h"
#include "MclApi.h"

struct TkvnPlacement {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TkvnPlacement&) const = default;
};

// Where a Width x Height frame's picture goes when it is given the display
// ratio of Aspect (1 "1:1", 2 "4:3", 3 "16:9") inside black bars, without
// cropping. Other codes leave the picture as it is (the whole frame).
TkvnPlacement AspectFitPlacement(int aspect, int width, int height);
// The frame keeps its size: its picture is resampled to the placement and
// drawn there over black. Codes other than 1-3 change nothing.
void FitFrameToAspect(MclImage frame, int aspect);
void FitFrameToAspect(TBitmap& frame, int aspect);

// The overlay's top-left corner for Position (0 and above 7 centre, 1 top
// left, 2 top centre, 3 top right, 4 bottom left, 5 bottom centre, 6 bottom
// right, 7 at X, Y), Margin pixels in from the frame's edges.
void GetOverlayPosition(int position, int margin, int frameWidth, int frameHeight, int overlayWidth,
                        int overlayHeight, int x, int y, int& left, int& top);

// An image of Text with a grey shadow, transparent around the letters.
// FontStyle: 1 bold, 2 italic, 4 underline, 8 strikeout.
MclImage MakeTextImage(const std::string& text, const std::string& fontName, int fontSize, int fontStyle,
                       int fontColor);

// Draws the picture overlay, then the text overlay, into Bitmap.
void OverlayFrame(TBitmap& bitmap, MclImage pictureImage, MclImage textImage, int pictureX, int pictureY, int textX,
                  int textY);
