#pragma once
// The files of an image sequence: "<target without extension>_<number>.<ext>",
// numbered from 1 with at least six digits, written through the media
// library in the format the task's video codec index chooses.
#include <cstdint>
#include <string>

#include "MclApi.h"

// The decimal text of Number with "0" put in front up to Width characters.
std::string FormatSequenceNumber(int64_t number, int width);
// ".jpg", ".bmp", ".gif", ".pcx", ".tif", ".tga", ".png" for codec indexes
// 0 to 6; any other index ".jpg".
std::string SequenceImageExtension(int codecIndex);

class TkvnImageSequenceWriter {
public:
    // Target: the task's target file ("clip.img"); Quality: the JPEG quality
    // of codec index 0.
    TkvnImageSequenceWriter(const std::string& target, int codecIndex, double quality);

    // The name the next picture gets.
    std::string NextFileName() const;
    // Writes Image as the next file; False, with ErrorText, when the file
    // could not be written.
    bool Write(MclImage image);
    int Written() const { return counter_; }
    const std::string& ErrorText() const { return errorText_; }

private:
    std::string stem_;
    std::string extension_;
    double quality_;
    int counter_ = 0;
    std::string errorText_;
};
