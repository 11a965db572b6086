#include "MclTarget.h"

namespace {

constexpr int32_t AudioCodecPCM = 1;
constexpr int32_t AudioCodecMP3 = 85;

bool ChooseAVI(const MclConversion& c, MclTarget& target)
{
    if (c.VideoCodec != 0 && c.VideoCodec != MCL_FOURCC_DIB) return false;
    target.Container = "avi";
    target.VideoCodec = "rawvideo";
    target.PixelFormat = c.Bits == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    switch (c.AudioCodec) {
    case AudioCodecMP3: target.AudioCodec = "libmp3lame"; return true;
    case 0:
    case AudioCodecPCM: target.AudioCodec = c.AudioBits == 8 ? "pcm_u8" : "pcm_s16le"; return true;
    default: return false;
    }
}

}

bool ChooseTarget(const MclConversion& c, MclTarget& target)
{
    switch (c.FormatPreset) {
    case MCL_PRESET_MPEG4: target = {"mp4", "mpeg4", AV_PIX_FMT_YUV420P, "aac"}; return true;
    case MCL_PRESET_WMV: target = {"asf", "wmv2", AV_PIX_FMT_YUV420P, "wmav2"}; return true;
    case 0: break;
    default: return false;
    }
    switch (c.FileFormat) {
    case MCL_FILE_FORMAT_AVI: return ChooseAVI(c, target);
    case MCL_FILE_FORMAT_OGV: target = {"ogg", "libtheora", AV_PIX_FMT_YUV420P, "libvorbis"}; return true;
    default: return false;
    }
}
