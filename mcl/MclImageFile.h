#pragma once
// Picture files: the first picture of any file FFmpeg reads, and writing by
// the name's extension.
#include <string>

#include "MclPicture.h"

// MCL_OK when the file's first picture is in Picture.
int32_t ReadFirstImage(const std::string& fileName, MclPicture& picture);
// .jpg/.jpeg (Quality 0-100), .bmp, .gif, .pcx, .tif/.tiff, .tga, .png;
// another extension answers MCL_ERR_NOT_SUPPORTED.
int32_t WriteImage(const MclPicture& picture, const std::string& fileName, double quality);
