#pragma once
// JPEG files through libjpeg-turbo.
#include <string>
#include <vector>

#include "MclPicture.h"

// The picture as a baseline JPEG of Quality 1-100 (alpha dropped); empty when
// libjpeg refuses.
std::vector<uint8_t> EncodeJpeg(const MclPicture& picture, int quality);
// Decodes a JPEG file's picture (24 bits); false when libjpeg refuses it.
// Each colour sample is repeated over the pixels it covers, not blended with
// its neighbours, so hard colour edges stay where they were.
bool DecodeJpeg(const std::vector<uint8_t>& bytes, MclPicture& picture);
