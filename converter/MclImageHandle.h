#pragma once
// A media-library image that is freed with its owner.
#include "MclApi.h"

class TMclImageHandle {
public:
    TMclImageHandle() : image_(MclImgCreate()) {}
    ~TMclImageHandle() { MclImgFree(image_); }
    TMclImageHandle(const TMclImageHandle&) = delete;
    TMclImageHandle& operator=(const TMclImageHandle&) = delete;
    operator MclImage() const { return image_; }

private:
    MclImage image_;
};
