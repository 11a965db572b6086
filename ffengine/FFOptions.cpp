#include "FFOptions.h"

#include "FFmpeg.h"
#include "FrameHook.h"
#include "MyUtils.h"
#include "SysUtils.h"

#include <cmath>
#include <cstdlib>

namespace {

using TEngine = TCustomFFmpeg;

TEngineOptions& Opts(TEngine& engine)
{
    return engine.Options();
}

void Refuse(const std::string& name, const std::string& value)
{
    throw FFmpegException(Format("Invalid value \"%s\" for option \"%s\"", value, name));
}

int ToInt(const std::string& name, const std::string& value)
{
    int number = 0;
    if (!TryStrToInt(value, number)) Refuse(name, value);
    return number;
}

void SetMetadata(TEngine& e, const std::string& n, const std::string& v)
{
    size_t equals = v.find('=');
    if (equals == std::string::npos || equals == 0) Refuse(n, v);
    Opts(e).Metadata.emplace_back(v.substr(0, equals), v.substr(equals + 1));
}

// Options this FFmpeg no longer has an equivalent of.
void Ignored(TEngine&, const std::string& name, const std::string&)
{
    FFLogger().Log(nullptr, llWarning, Format("Option \"%s\" is not supported by this FFmpeg and is ignored", name));
}

void SetFormat(TEngine& e, const std::string&, const std::string& v) { Opts(e).FormatName = v; }
void SetVideoCodec(TEngine& e, const std::string&, const std::string& v) { Opts(e).VideoCodec = v; }
void SetAudioCodec(TEngine& e, const std::string&, const std::string& v) { Opts(e).AudioCodec = v; }
void SetSubtitleCodec(TEngine& e, const std::string&, const std::string& v) { Opts(e).SubtitleCodec = v; }
void SetDataCodec(TEngine& e, const std::string&, const std::string& v) { Opts(e).DataCodec = v; }
void SetVideoTag(TEngine& e, const std::string&, const std::string& v) { Opts(e).VideoTag = v; }
void SetAudioTag(TEngine& e, const std::string&, const std::string& v) { Opts(e).AudioTag = v; }
void SetVideoFilters(TEngine& e, const std::string&, const std::string& v) { Opts(e).VideoFilters = v; }
void SetVideoLanguage(TEngine& e, const std::string&, const std::string& v) { Opts(e).VideoLanguage = v; }
void SetAudioLanguage(TEngine& e, const std::string&, const std::string& v) { Opts(e).AudioLanguage = v; }
void SetSubtitleLanguage(TEngine& e, const std::string&, const std::string& v) { Opts(e).SubtitleLanguage = v; }
void DisableVideo(TEngine& e, const std::string&, const std::string&) { Opts(e).VideoDisable = true; }
void DisableAudio(TEngine& e, const std::string&, const std::string&) { Opts(e).AudioDisable = true; }
void DisableSubtitles(TEngine& e, const std::string&, const std::string&) { Opts(e).SubtitleDisable = true; }
void SetCopyTimestamps(TEngine& e, const std::string&, const std::string&) { Opts(e).CopyTimestamps = true; }

// A plug-in and its arguments, split at vertical bars when there are any, else at blanks.
void AddVideoHook(TEngine& e, const std::string&, const std::string& v)
{
    char separator = v.find('|') != std::string::npos ? '|' : ' ';
    std::vector<std::string> args;
    std::string rest = v;
    while (!rest.empty() && args.size() < 254) {
        std::string word = SplitAt(rest, separator);
        if (!word.empty()) args.push_back(word);
    }
    if (AddFrameHook(e.Hooks().Plugins, args) < 0) throw FFmpegException("Failed to add video hook function: " + v);
}

void SetFrameSize(TEngine& e, const std::string& n, const std::string& v)
{
    if (!ParseFrameSize(v, Opts(e).FrameWidth, Opts(e).FrameHeight)) Refuse(n, v);
}

void SetFrameRate(TEngine& e, const std::string& n, const std::string& v)
{
    if (!ParseFrameRate(v, Opts(e).FrameRate)) Refuse(n, v);
}

void SetAspect(TEngine& e, const std::string& n, const std::string& v)
{
    Opts(e).AspectRatio = ParseAspectRatio(v);
    if (Opts(e).AspectRatio <= 0) Refuse(n, v);
}

int64_t Bitrate(const std::string& n, const std::string& v)
{
    int64_t rate = ParseBitrate(v);
    if (rate < 0) Refuse(n, v);
    return rate;
}

void SetVideoBitrate(TEngine& e, const std::string& n, const std::string& v)
{
    int64_t rate = Bitrate(n, v);
    // Below 1000 the transcoder took kilobits.
    if (rate < 1000) {
        FFLogger().Log(nullptr, llWarning, "Setting video bitrate in kbit/s, use the k suffix next time");
        rate *= 1000;
    }
    Opts(e).VideoBitrate = rate;
}

void SetAudioBitrate(TEngine& e, const std::string& n, const std::string& v)
{
    int64_t rate = Bitrate(n, v);
    if (rate < 1000) rate *= 1000;
    Opts(e).AudioBitrate = rate;
}

void SetMaxRate(TEngine& e, const std::string& n, const std::string& v) { Opts(e).MaxRate = Bitrate(n, v); }
void SetMinRate(TEngine& e, const std::string& n, const std::string& v) { Opts(e).MinRate = Bitrate(n, v); }
void SetBufferSize(TEngine& e, const std::string& n, const std::string& v) { Opts(e).BufferSize = Bitrate(n, v); }
void SetTolerance(TEngine& e, const std::string& n, const std::string& v) { Opts(e).BitrateTolerance = Bitrate(n, v); }
void SetAudioTolerance(TEngine& e, const std::string& n, const std::string& v)
{
    Opts(e).AudioBitrateTolerance = Bitrate(n, v);
}
void SetGOP(TEngine& e, const std::string& n, const std::string& v) { Opts(e).GOPSize = ToInt(n, v); }
void SetChannels(TEngine& e, const std::string& n, const std::string& v) { Opts(e).AudioChannels = ToInt(n, v); }
void SetSampleRate(TEngine& e, const std::string& n, const std::string& v) { Opts(e).AudioSampleRate = ToInt(n, v); }
void SetVolume(TEngine& e, const std::string& n, const std::string& v) { Opts(e).AudioVolume = ToInt(n, v); }
void SetAudioSync(TEngine& e, const std::string& n, const std::string& v) { Opts(e).AudioSyncMethod = ToInt(n, v); }
void SetVideoSync(TEngine& e, const std::string& n, const std::string& v) { Opts(e).VideoSyncMethod = ToInt(n, v); }
void SetInputSync(TEngine& e, const std::string& n, const std::string& v)
{
    Opts(e).InputSync = v.empty() || ToInt(n, v) != 0;
}
void SetPacketSize(TEngine& e, const std::string& n, const std::string& v)
{
    Opts(e).PacketSize = ToInt(n, v);
}
void SetMuxRate(TEngine& e, const std::string& n, const std::string& v)
{
    Opts(e).MuxRate = ToInt(n, v);
}
void SetMuxDelay(TEngine& e, const std::string&, const std::string& v) { Opts(e).MuxDelay = std::atof(v.c_str()); }
void SetMuxPreload(TEngine& e, const std::string&, const std::string& v) { Opts(e).MuxPreload = std::atof(v.c_str()); }

int64_t Time(const std::string& n, const std::string& v)
{
    int64_t time = 0;
    if (ff::av_parse_time(&time, v.c_str(), 1) < 0) Refuse(n, v);
    return time;
}
void SetRecordingTime(TEngine& e, const std::string& n, const std::string& v) { Opts(e).RecordingTime = Time(n, v); }
void SetStartTime(TEngine& e, const std::string& n, const std::string& v) { Opts(e).StartTime = Time(n, v); }
void SetProgramID(TEngine& e, const std::string& n, const std::string& v) { Opts(e).ProgramID = ToInt(n, v); }

void SetIntraMatrix(TEngine& e, const std::string& n, const std::string& v)
{
    if (!ParseMatrix(v, Opts(e).IntraMatrix)) throw FFmpegException("incorrect matrix for option \"" + n + "\"");
}
void SetInterMatrix(TEngine& e, const std::string& n, const std::string& v)
{
    if (!ParseMatrix(v, Opts(e).InterMatrix)) throw FFmpegException("incorrect matrix for option \"" + n + "\"");
}

void SetLoopOutput(TEngine& e, const std::string& n, const std::string& v)
{
    ToInt(n, v);
    FFLogger().Log(nullptr, llWarning, "Option \"loop_output\" is kept as the muxer's \"loop\" option");
    Opts(e).PrivateFormatOptions.emplace_back("loop", v);
}

void SetTimestamp(TEngine& e, const std::string&, const std::string& v)
{
    FFLogger().Log(nullptr, llVerbose, "Option \"timestamp\" is written as the metadata \"creation_time\"");
    Opts(e).Metadata.emplace_back("creation_time", v);
}

// "+scan_offset" among the flags was the MPEG-2 encoder's; it is now its own option.
void SetFlags(TEngine& e, const std::string& n, const std::string& v)
{
    std::string flags = v;
    size_t at = flags.find("+scan_offset");
    if (at != std::string::npos) {
        flags.erase(at, 12);
        Opts(e).ScanOffset = true;
        FFLogger().Log(nullptr, llVerbose, "Flag \"+scan_offset\" is set as the encoder's option \"scan_offset\"");
        Opts(e).PrivateVideoOptions.emplace_back("scan_offset", "1");
    }
    if (!flags.empty()) e.SetGenericOption(n, flags);
}

struct TTargetPreset {
    const char* Name;
    const char* Format;
    const char* VideoCodec;
    const char* AudioCodec;
    int Width, PalHeight, NtscHeight;
    const char* Bitrate;
    const char* MaxRate;
    const char* MinRate;
    const char* BufferSize;
    int SampleRate;
    const char* AudioBitrate;
    int PacketSize;
    const char* MuxRate;
};

const TTargetPreset TargetPresets[] = {
    {"vcd", "vcd", "mpeg1video", "mp2", 352, 288, 240, "1150k", "1150k", "1150k", "327680", 44100, "224k", 2324,
     "1411200"},
    {"svcd", "svcd", "mpeg2video", "mp2", 480, 576, 480, "2040k", "2516k", "0", "1835008", 44100, "224k", 2324, ""},
    {"dvd", "dvd", "mpeg2video", "ac3", 720, 576, 480, "6000k", "9000k", "0", "1835008", 48000, "448k", 2048,
     "10080000"},
};

void SetTarget(TEngine& e, const std::string&, const std::string& v)
{
    // "vcd", or with its norm: "pal-vcd", "ntsc-dvd", "film-svcd"; no norm is PAL.
    std::string kind = LowerCase(v);
    bool pal = true;
    for (const char* norm : {"pal-", "ntsc-", "film-"})
        if (kind.starts_with(norm)) {
            pal = kind.starts_with("pal-");
            kind = kind.substr(strlen(norm));
        }
    for (const TTargetPreset& preset : TargetPresets) {
        if (kind != preset.Name) continue;
        TEngineOptions& o = Opts(e);
        o.FormatName = preset.Format;
        o.VideoCodec = preset.VideoCodec;
        o.AudioCodec = preset.AudioCodec;
        o.FrameWidth = preset.Width;
        o.FrameHeight = pal ? preset.PalHeight : preset.NtscHeight;
        o.FrameRate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
        o.GOPSize = pal ? 15 : 18;
        o.VideoBitrate = ParseBitrate(preset.Bitrate);
        o.MaxRate = ParseBitrate(preset.MaxRate);
        o.MinRate = ParseBitrate(preset.MinRate);
        o.BufferSize = ParseBitrate(preset.BufferSize);
        o.AudioSampleRate = preset.SampleRate;
        o.AudioBitrate = ParseBitrate(preset.AudioBitrate);
        o.AudioChannels = 2;
        o.PacketSize = preset.PacketSize;
        o.MuxRate = *preset.MuxRate ? std::atoi(preset.MuxRate) : -1;
        if (kind == "svcd") o.PrivateVideoOptions.emplace_back("scan_offset", "1");
        return;
    }
    throw FFmpegException("Unknown target: " + v);
}

const std::vector<TOptionDef> Table = {
    {"f", true, "force format", SetFormat},
    {"t", true, "record or transcode \"duration\" seconds of audio/video", SetRecordingTime},
    {"ss", true, "set the start time offset", SetStartTime},
    {"programid", true, "desired program number", SetProgramID},
    {"timestamp", true, "set the recording timestamp ('now' to set the current time)", SetTimestamp},
    {"target", true, "specify target file type (\"vcd\", \"svcd\", \"dvd\", \"dv\", \"dv50\", \"pal-vcd\", \"ntsc-svcd\", ...)", SetTarget},
    {"loop_output", true, "number of times to loop output in formats that support looping (0 loops forever)", SetLoopOutput},
    {"loop_input", false, "deprecated, use -loop", Ignored},
    {"vsync", true, "video sync method", SetVideoSync},
    {"async", true, "audio sync method", SetAudioSync},
    {"isync", false, "sync read on input", SetInputSync},
    {"copyts", false, "copy timestamps", SetCopyTimestamps},
    {"packetsize", true, "set packet size in bits", SetPacketSize},
    {"muxrate", true, "set mux rate", SetMuxRate},
    {"muxdelay", true, "set the maximum demux-decode delay", SetMuxDelay},
    {"muxpreload", true, "set the initial demux-decode delay", SetMuxPreload},
    {"vb", true, "set bitrate (in bits/s)", SetVideoBitrate},
    {"b", true, "set bitrate (in bits/s)", SetVideoBitrate},
    {"maxrate", true, "set max bitrate (in bits/s)", SetMaxRate},
    {"minrate", true, "set min bitrate (in bits/s)", SetMinRate},
    {"bufsize", true, "set ratecontrol buffer size (in bits)", SetBufferSize},
    {"bt", true, "set bitrate tolerance (in bits/s)", SetTolerance},
    {"s", true, "set frame size (WxH or abbreviation)", SetFrameSize},
    {"r", true, "set frame rate (Hz value, fraction or abbreviation)", SetFrameRate},
    {"aspect", true, "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)", SetAspect},
    {"g", true, "set the group of picture size", SetGOP},
    {"vn", false, "disable video", DisableVideo},
    {"vcodec", true, "force video codec ('copy' to copy stream)", SetVideoCodec},
    {"vtag", true, "force video tag/fourcc", SetVideoTag},
    {"vf", true, "video filters", SetVideoFilters},
    {"vfilters", true, "video filters", SetVideoFilters},
    {"vhook", true, "insert pre-processing video module", AddVideoHook},
    {"vlang", true, "set the ISO 639 language code (3 letters) of the current video stream", SetVideoLanguage},
    {"intra_matrix", true, "specify intra matrix coeffs", SetIntraMatrix},
    {"inter_matrix", true, "specify inter matrix coeffs", SetInterMatrix},
    {"flags", true, "codec flags", SetFlags},
    {"vc", true, "deprecated, use -channel", Ignored},
    {"tvstd", true, "deprecated, use -standard", Ignored},
    {"me_threshold", true, "motion estimation threshold", Ignored},
    {"ab", true, "set bitrate (in bits/s)", SetAudioBitrate},
    {"abt", true, "set audio bitrate tolerance (in bits/s)", SetAudioTolerance},
    {"ar", true, "set audio sampling rate (in Hz)", SetSampleRate},
    {"ac", true, "set number of audio channels", SetChannels},
    {"an", false, "disable audio", DisableAudio},
    {"acodec", true, "force audio codec ('copy' to copy stream)", SetAudioCodec},
    {"atag", true, "force audio tag/fourcc", SetAudioTag},
    {"vol", true, "change audio volume (256=normal)", SetVolume},
    {"alang", true, "set the ISO 639 language code (3 letters) of the current audio stream", SetAudioLanguage},
    {"sn", false, "disable subtitle", DisableSubtitles},
    {"scodec", true, "force subtitle codec ('copy' to copy stream)", SetSubtitleCodec},
    {"slang", true, "set the ISO 639 language code (3 letters) of the current subtitle stream", SetSubtitleLanguage},
    {"dcodec", true, "force data codec ('copy' to copy stream)", SetDataCodec},
    {"metadata", true, "add metadata", SetMetadata},
};

}

const std::vector<TOptionDef>& OptionTable()
{
    return Table;
}

const TOptionDef* FindOption(const std::string& name)
{
    for (const TOptionDef& def : Table)
        if (name == def.Name) return &def;
    return nullptr;
}

bool ParseFrameSize(const std::string& text, int& width, int& height)
{
    int w = 0, h = 0;
    if (ff::av_parse_video_size(&w, &h, text.c_str()) < 0 || w < 1 || h < 1) return false;
    width = w;
    height = h;
    return true;
}

bool ParseFrameRate(const std::string& text, AVRational& rate)
{
    AVRational parsed = {0, 1};
    if (ff::av_parse_video_rate(&parsed, text.c_str()) < 0 || parsed.num <= 0 || parsed.den <= 0) return false;
    rate = parsed;
    return true;
}

double ParseAspectRatio(const std::string& text)
{
    size_t split = text.find_first_of(":/");
    if (split != std::string::npos) {
        double num = std::atof(text.substr(0, split).c_str()), den = std::atof(text.substr(split + 1).c_str());
        return num > 0 && den > 0 ? num / den : 0;
    }
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    return end && !*end && value > 0 ? value : 0;
}

int64_t ParseBitrate(const std::string& text)
{
    if (text.empty()) return -1;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || value < 0) return -1;
    std::string suffix = end;
    double scale = suffix.empty() ? 1 : suffix == "k" || suffix == "K" ? 1e3 : suffix == "M" ? 1e6 : suffix == "G" ? 1e9 : -1;
    if (scale < 0) return -1;
    return std::llround(value * scale);
}

bool ParseMatrix(const std::string& text, std::vector<uint16_t>& matrix)
{
    std::vector<uint16_t> values;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        int value = 0;
        if (!TryStrToInt(Trim(text.substr(start, end - start)), value) || value < 1 || value > 255) return false;
        values.push_back(static_cast<uint16_t>(value));
        start = end + 1;
    }
    if (values.size() != 64) return false;
    matrix = values;
    return true;
}
