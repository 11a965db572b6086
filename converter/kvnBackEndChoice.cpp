#include "kvnBackEndChoice.h"

#include "SysUtils.h"

namespace {

// Bit rates 3GP's AMR encoder takes; any other becomes 7400.
constexpr const char* kAmrBitRates = "4750,5150,5900,6700,7400,7950,10200,12200";

void LimitsOff(TkvnVideoSettings& video)
{
    video.MinBitrate = -1;
    video.MaxBitrate = -1;
}

// The disc formats' fixed picture and sound, limits off included.
void DiscPreset(TkvnTavelomaticSettings& settings, int sampleRate, int audioBitRate, int width, int height, float fps)
{
    LimitsOff(settings.VideoSettings);
    settings.AudioSettings.SampleRate = sampleRate;
    settings.AudioSettings.BitRate = audioBitRate;
    settings.VideoSettings.Width = width;
    settings.VideoSettings.Height = height;
    settings.VideoSettings.FPS = fps;
}

void SetExtension(TkvnTavelomaticSettings& settings, const char* extension)
{
    settings.TargetFileName = ChangeFileExt(settings.TargetFileName, extension);
}

// A back end that takes no encoder names.
TkvnBackEndChoice Only(TkvnBackEndKind kind)
{
    TkvnBackEndChoice choice;
    choice.Kind = kind;
    return choice;
}

TkvnBackEndChoice FFmpeg(const std::string& container, const std::string& video, const std::string& tag,
                         const std::string& audio)
{
    return {bkFFmpeg, container, video, tag, audio};
}

TkvnBackEndChoice ChooseAvi(TkvnTavelomaticSettings& settings, int v, const std::string& audio)
{
    TkvnVideoSettings& video = settings.VideoSettings;
    switch (v) {
    // The rates stay in bit/s: the media-library back end turns them into
    // the library's kbit/s for every format alike.
    case 0: return Only(bkMcl);
    case 1: LimitsOff(video); return FFmpeg("avi", "mpeg4", "DIVX", audio);
    case 3: return FFmpeg("avi", "libx264", "", audio);
    case 4:
    case 5: {
        // These old codecs' AVI files take no FLAC sound.
        std::string sound = audio == "flac" ? "libmp3lame" : audio;
        return FFmpeg("avi", v == 4 ? "msmpeg4v2" : "msmpeg4v1", "", sound);
    }
    case 6: return FFmpeg("avi", "huffyuv", "", audio);
    case 7: return FFmpeg("avi", "ffvhuff", "", audio);
    case 8: return FFmpeg("avi", "ffv1", "", audio);
    default: return FFmpeg("avi", "libxvid", "", audio);
    }
}

TkvnBackEndChoice ChooseMov(TkvnTavelomaticSettings& settings, const std::string& container, int v,
                            const std::string& audio)
{
    switch (v) {
    case 1: LimitsOff(settings.VideoSettings); return FFmpeg(container, "mpeg4", "", audio);
    case 2: return FFmpeg(container, "libx264", "", audio);
    default: return FFmpeg(container, "libxvid", "", audio);
    }
}

}

std::string AudioCodecNameFor(TkvnTargetFileFormat format, int a)
{
    switch (format) {
    case 0: {
        static const char* const names[] = {"libmp3lame", "mp2", "ac3", "flac", "pcm_s16le"};
        return a >= 0 && a <= 4 ? names[a] : "libmp3lame";
    }
    case 1: return "mp2";
    case 2: return a == 1 ? "mp2" : "ac3";
    case 3:
    case 7: return a == 1 ? "libmp3lame" : "libfaac";
    case 8: return a == 1 ? "libopencore_amrnb" : "libfaac";
    case 9: return a == 1 ? "libopencore_amrnb" : a == 2 ? "libmp3lame" : "libfaac";
    default: return "";
    }
}

TkvnBackEndChoice ChooseBackEnd(TkvnTavelomaticSettings& settings)
{
    const TkvnTargetFileFormat format = settings.TargetFileFormat;
    const int v = settings.VideoSettings.CodecID;
    const std::string audio = AudioCodecNameFor(format, settings.AudioSettings.CodecID);
    TkvnVideoSettings& video = settings.VideoSettings;
    switch (format) {
    case 0: return ChooseAvi(settings, v, audio);
    case 1:
        if (v == 0 || v == 1) {
            if (v == 0)
                DiscPreset(settings, 44100, 224000, 352, 240, 29.97f);
            else
                DiscPreset(settings, 44100, 224000, 352, 288, 25);
            SetExtension(settings, ".dat");
            return FFmpeg(v == 0 ? "vcd_ntsc" : "vcd_pal", "mpeg1video", "", audio);
        }
        LimitsOff(video);
        SetExtension(settings, ".mpg");
        return FFmpeg("mpeg", "mpeg1video", "", audio);
    case 2:
        switch (v) {
        case 0:
            DiscPreset(settings, 48000, 448000, 720, 480, 29.97f);
            SetExtension(settings, ".vob");
            return FFmpeg("dvd_ntsc", "mpeg2video", "", audio);
        case 1:
            DiscPreset(settings, 48000, 448000, 720, 576, 25);
            SetExtension(settings, ".vob");
            return FFmpeg("dvd_pal", "mpeg2video", "", audio);
        case 2:
            DiscPreset(settings, 44100, 224000, 480, 480, 29.97f);
            SetExtension(settings, ".mpg");
            return FFmpeg("svcd_ntsc", "mpeg2video", "", "mp2");
        case 3:
            DiscPreset(settings, 44100, 224000, 480, 576, 25);
            SetExtension(settings, ".mpg");
            return FFmpeg("svcd_pal", "mpeg2video", "", "mp2");
        default:
            LimitsOff(video);
            SetExtension(settings, ".mpg");
            return FFmpeg("mpegts", "mpeg2video", "", audio);
        }
    case 3:
        switch (v) {
        case 1: LimitsOff(video); return FFmpeg("mp4", "mpeg4", "", audio);
        case 2: return FFmpeg("mp4", "libx264", "", audio);
        case 3: return Only(bkMcl);
        default: return FFmpeg("mp4", "libxvid", "", audio);
        }
    case 4:
        if (v == 1) return Only(bkMcl);
        LimitsOff(video);
        return FFmpeg("", "wmv2", "", "wmav2");
    case 5:
        if (v == 1) return Only(bkMcl);
        return FFmpeg("", "libtheora", "", "libvorbis");
    case 6:
        if (v == 1) return FFmpeg("mp4", "libx264", "", "libmp3lame");
        LimitsOff(video);
        return FFmpeg("flv", "flv", "", "");
    case 7: return ChooseMov(settings, "mov", v, audio);
    case 8: {
        TkvnAudioSettings& sound = settings.AudioSettings;
        sound.Channels = 1;
        sound.SampleRate = 8000;
        if (std::string(kAmrBitRates).find(std::to_string(sound.BitRate)) == std::string::npos) sound.BitRate = 7400;
        return ChooseMov(settings, "3gp", v, audio);
    }
    case 9: return ChooseMov(settings, "3g2", v, audio);
    case 10: return Only(bkAnimatedGif);
    case 11: return Only(bkImageSequence);
    default: return {};
    }
}
