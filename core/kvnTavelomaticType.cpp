#include "kvnTavelomaticType.h"

#include <algorithm>
#include <array>
#include <vector>

#include "MclApi.h"
#include "SysUtils.h"

namespace {

struct TargetFormat {
    const char* shortName;
    const char* longName;
    const char* videoCodecs;
    const char* audioCodecs;
    int mclVideoIndex;  // where the "mcl" entry stands in the video names, or -1
};

const std::array<TargetFormat, kTargetFormatCount> kTargetFormats{{
    {"AVI", "AVI(Windows Audio Video Interleaved Format)", "raw,divx,xvid,x264,msmpeg4v2,msmpeg4v1,yuvhuff,ffvhuff,ffv1",
     "mp3,mp2,ac3,flac,pcm", -1},
    {"VCD", "VCD/MPEG1(Moving Pictures Expert Group, MPEG-1)", "vcd_ntsc,vcd_pal", "mp2", -1},
    {"DVD/SVCD", "DVD/SVCD/MPEG2(Moving Pictures Expert Group, MPEG-2)", "dvd_ntsc,dvd_pal,svcd_ntsc,svcd_pal",
     "ac3,mp2", -1},
    {"MPEG4", "MPEG4(Moving Pictures Expert Group, MPEG-4)", "xvid,mpeg4,x264", "aac,mp3", 3},
    {"WMV", "WMV(Windows Media Video Format)", "wmv", "wma", 1},
    {"OGV", "OGV(Ogg Vorbis Video Format)", "theora", "vorbis", 1},
    {"FLV", "FLV(Flash Video Format)", "h263,x264", "mp3", -1},
    {"MOV", "MOV(QuickTime Format)", "xvid,mpeg4,x264", "aac,mp3", -1},
    {"3GP", "3GP(3GPP Video Format)", "xvid,mpeg4,x264", "aac,amr", -1},
    {"3G2", "3G2(3GPP2 Video Format)", "xvid,mpeg4,x264", "aac,amr,mp3", -1},
    {"GIFa", "GIFa(Animated GIF)", "rx", "none", -1},
    {"Image Sequence", "Images(Image Sequence)", "jpg,bmp,gif,pcx,tif,tga,png", "none", -1},
}};

constexpr const char* kUnknown = "unknown";
constexpr int kFormatGif = 10;
constexpr int kFormatImages = 11;

const TargetFormat* FindFormat(TkvnTargetFileFormat code)
{
    unsigned index = code & 0x7F;
    return index < kTargetFormats.size() ? &kTargetFormats[index] : nullptr;
}

std::vector<std::string> SplitCommas(const std::string& list)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(list.substr(start, comma - start));
    items.push_back(list.substr(start));
    return items;
}

// The video names as the lookups see them, with the media library's entry.
std::vector<std::string> VideoCodecNames(const TargetFormat& format)
{
    std::vector<std::string> names = SplitCommas(format.videoCodecs);
    if (format.mclVideoIndex >= 0) names.insert(names.begin() + format.mclVideoIndex, "mcl");
    return names;
}

std::string NameAt(const std::vector<std::string>& names, int index)
{
    if (index < 0 || index >= static_cast<int>(names.size())) return kUnknown;
    return names[static_cast<size_t>(index)];
}

int IndexOfName(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (AnsiSameText(names[i], name)) return static_cast<int>(i);
    return 0;
}

}

void CopyTavelomaticSettings(TkvnTavelomaticSettings& dest, const TkvnTavelomaticSettings& source)
{
    dest = source;
    dest.VideoSettings.IsVideoIncluded = true;
}

void GetTargetFormatName(TkvnTargetFileFormat code, bool longName, std::string& name)
{
    if (const TargetFormat* format = FindFormat(code)) name = longName ? format->longName : format->shortName;
}

void GetVideoCodecList(TkvnTargetFileFormat code, std::string& list)
{
    const TargetFormat* format = FindFormat(code);
    list = format ? format->videoCodecs : kUnknown;
}

void GetAudioCodecList(TkvnTargetFileFormat code, std::string& list)
{
    const TargetFormat* format = FindFormat(code);
    list = format ? format->audioCodecs : kUnknown;
}

void GetVideoCodecName(TkvnTargetFileFormat code, int index, std::string& name)
{
    const TargetFormat* format = FindFormat(code);
    name = format ? NameAt(VideoCodecNames(*format), index) : kUnknown;
}

void GetAudioCodecName(TkvnTargetFileFormat code, int index, std::string& name)
{
    const TargetFormat* format = FindFormat(code);
    if (!format) {
        name = kUnknown;
        return;
    }
    std::vector<std::string> names = SplitCommas(format->audioCodecs);
    // Formats with a single sound codec (or none) answer it for any index.
    name = names.size() == 1 ? names.front() : NameAt(names, index);
}

int GetVideoCodecIndex(TkvnTargetFileFormat code, const std::string& name)
{
    const TargetFormat* format = FindFormat(code);
    return format ? IndexOfName(VideoCodecNames(*format), name) : 0;
}

int GetAudioCodecIndex(TkvnTargetFileFormat code, const std::string& name)
{
    const TargetFormat* format = FindFormat(code);
    return format ? IndexOfName(SplitCommas(format->audioCodecs), name) : 0;
}

std::string GetSequenceModeName(TkvnSequenceMode mode)
{
    return mode == smAlwaysForward ? "Always Forward" : "Interactive";
}

int GetWModeIndex(const std::string& text)
{
    return AnsiSameText(text, "direct") ? 1 : 0;
}

double SnapFrameRate(double rate)
{
    if (rate <= 0) return 0;
    for (double standard : {24000.0 / 1001, 25.0, 30000.0 / 1001, 30.0, 50.0, 60000.0 / 1001})
        if (rate <= standard) return standard;
    return 60;
}

namespace {

// The media library's own default bit rate for a configured encoder, as the
// task stores it: bit/s, no minimum or maximum. The library answers kbit/s,
// and uncompressed frames of a large stage (2560x1440 already) weigh more
// than an Integer holds in bit/s: such a rate saturates instead of wrapping.
template <typename Configure>
void LibraryBitrate(TkvnVideoSettings& video, Configure configure)
{
    MclHandle m = MclCreate();
    configure(m);
    int32_t rate = 0, minRate = 0, maxRate = 0;
    MclVideoGetBitRate(m, &rate, &minRate, &maxRate);
    MclFree(m);
    video.Bitrate = static_cast<int32_t>(std::clamp<int64_t>(int64_t{rate} * 1000, INT32_MIN, INT32_MAX));
    video.MinBitrate = -1;
    video.MaxBitrate = -1;
}

int ClampIndex(int index, int highest)
{
    return index < 0 || index > highest ? 0 : index;
}

struct FrameGeometry {
    int32_t width, height;
    double fps;
};

constexpr double kNtscRate = 30000.0 / 1001;

FrameGeometry VcdGeometry(int index)
{
    switch (index) {
    case 1: return {352, 288, 25};
    case 2: return {704, 480, kNtscRate};
    case 3: return {704, 576, 25};
    default: return {352, 240, kNtscRate};
    }
}

FrameGeometry DvdGeometry(int index)
{
    switch (index) {
    case 1: return {720, 576, 25};
    case 2: return {480, 480, kNtscRate};
    case 3: return {480, 576, 25};
    case 4: return {704, 480, kNtscRate};
    case 5: return {704, 576, 25};
    default: return {720, 480, kNtscRate};
    }
}

void SetGeometry(TkvnVideoSettings& video, FrameGeometry geometry)
{
    video.Width = geometry.width;
    video.Height = geometry.height;
    video.FPS = static_cast<float>(geometry.fps);
}

const char* TargetExtension(TkvnTargetFileFormat code, int videoCodecIndex)
{
    switch (code) {
    case 0: return ".avi";
    case 1: return ".dat";
    case 2: return videoCodecIndex == 0 || videoCodecIndex == 1 || videoCodecIndex > 5 ? ".vob" : ".mpg";
    case 3: return ".mp4";
    case 4: return ".wmv";
    case 5: return videoCodecIndex == 0 ? ".ogg" : ".ogv";
    case 6: return ".flv";
    case 7: return ".mov";
    case 8: return ".3gp";
    case 9: return ".3g2";
    case 10: return ".gif";
    default: return ".img";
    }
}

bool IsAmrBitRate(int32_t rate)
{
    for (int32_t amr : {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200})
        if (rate == amr) return true;
    return false;
}

}

bool ApplyTargetFormatDefaults(const TkvnFlashFileInfo& info, TkvnTargetFileFormat formatCode, int videoCodecIndex,
                               int audioCodecIndex, TkvnTavelomaticSettings& settings)
{
    // 12 ("by extension") and anything above it name no format: there is
    // nothing to set, and a caller that needs a settled format checks for one.
    if (formatCode >= kTargetFormatCount) return true;

    TkvnVideoSettings& video = settings.VideoSettings;
    TkvnAudioSettings& audio = settings.AudioSettings;
    settings.TargetFilePath = ExtractFilePath(info.FileName);
    settings.TargetFileName = ChangeFileExt(ExtractFileName(info.FileName), TargetExtension(formatCode, videoCodecIndex));
    settings.TargetFileFormat = formatCode;
    settings.IsTransparent = formatCode == kFormatGif;

    video.CodecID = videoCodecIndex;
    video.Quality = 100.0;
    video.FPS = info.FPS;
    video.Bitrate = 1500000;
    const int32_t previousMin = video.MinBitrate, previousMax = video.MaxBitrate;
    video.MinBitrate = video.MaxBitrate = -1;
    audio.CodecID = 0;
    audio.SampleBits = 16;
    audio.Channels = 2;
    audio.SampleRate = 44100;
    const int32_t previousAudioBitRate = audio.BitRate;
    audio.BitRate = 128000;

    switch (formatCode) {
    case 0:
        if (videoCodecIndex == 0)
            LibraryBitrate(video, [&](MclHandle m) {
                MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
                MclVideoSetCodec(m, MCL_FOURCC_DIB);
                MclVideoSetFormat(m, info.Width, info.Height, 24);
            });
        audio.CodecID = ClampIndex(audioCodecIndex, 4);
        break;
    case 1:
        SetGeometry(video, VcdGeometry(videoCodecIndex));
        video.Bitrate = video.MinBitrate = video.MaxBitrate = 1150000;
        audio.BitRate = 224000;
        break;
    case 2: {
        SetGeometry(video, DvdGeometry(videoCodecIndex));
        const bool dvd = videoCodecIndex < 2 || videoCodecIndex > 5;
        video.Bitrate = dvd ? 6000000 : 2040000;
        video.MaxBitrate = dvd ? 9000000 : 2516000;
        video.MinBitrate = 0;
        audio.SampleRate = dvd ? 48000 : 44100;
        audio.BitRate = dvd ? 448000 : 224000;
        break;
    }
    case 3:
        if (videoCodecIndex == 3)
            LibraryBitrate(video, [](MclHandle m) { MclSetFormatPreset(m, MCL_PRESET_MPEG4, 1); });
        else if (videoCodecIndex > 3)
            video.CodecID = 0;
        audio.CodecID = ClampIndex(audioCodecIndex, 1);
        break;
    case 4:
        if (videoCodecIndex == 1)
            LibraryBitrate(video, [](MclHandle m) { MclSetFormatPreset(m, MCL_PRESET_WMV, 1); });
        else
            video.CodecID = 0;
        break;
    case 5:
        if (videoCodecIndex == 1)
            LibraryBitrate(video, [](MclHandle m) { MclVideoSetFileFormat(m, MCL_FILE_FORMAT_OGV); });
        else
            video.CodecID = 0;
        break;
    case 6:
        video.MinBitrate = previousMin;
        video.MaxBitrate = previousMax;
        break;
    case 7:
    case 8:
    case 9:
        if (videoCodecIndex > 2) video.CodecID = 0;
        audio.CodecID = ClampIndex(audioCodecIndex, formatCode == 9 ? 2 : 1);
        if (formatCode == 8) {
            audio.Channels = 1;
            audio.SampleRate = 8000;
            audio.BitRate = IsAmrBitRate(previousAudioBitRate) ? previousAudioBitRate : 7400;
        }
        break;
    case kFormatGif:
        video.CodecID = 0;
        video.FPS = 12;
        video.Bitrate = -1;
        audio.IsAudioIncluded = false;
        break;
    case kFormatImages:
        video.Quality = 85.0;
        video.Bitrate = -1;
        audio.IsAudioIncluded = false;
        break;
    }
    return true;
}
