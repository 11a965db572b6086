#include "kvnImageSequenceWriter.h"

#include "SysUtils.h"

std::string FormatSequenceNumber(int64_t number, int width)
{
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string SequenceImageExtension(int codecIndex)
{
    static const char* const Extensions[] = {".jpg", ".bmp", ".gif", ".pcx", ".tif", ".tga", ".png"};
    return codecIndex >= 0 && codecIndex < 7 ? Extensions[codecIndex] : ".jpg";
}

TkvnImageSequenceWriter::TkvnImageSequenceWriter(const std::string& target, int codecIndex, double quality)
    : stem_(ChangeFileExt(target, "")), extension_(SequenceImageExtension(codecIndex)),
      // Only the JPEG of index 0 takes the task's quality; the best for the rest.
      quality_(codecIndex == 0 ? quality : 2147483647.0)
{
}

std::string TkvnImageSequenceWriter::NextFileName() const
{
    return stem_ + "_" + FormatSequenceNumber(counter_ + 1, 6) + extension_;
}

bool TkvnImageSequenceWriter::Write(MclImage image)
{
    std::string name = NextFileName();
    int32_t result = MclSimpleWriteImage(image, name.c_str(), 0x7FFFFFFF, quality_);
    if (result != MCL_OK) {
        errorText_ = Format("Cannot write the image file \"%s\" (error %d)", name.c_str(), result);
        return false;
    }
    ++counter_;
    return true;
}
