#include "kvnFFmpegBackEnd.h"

#include "Canvas.h"
#include "FFLoad.h"
#include "FFLog.h"
#include "MyUtils.h"
#include "SysUtils.h"
#include "kvnFramePacing.h"


namespace {

constexpr int TryAgain = -11;  // AVERROR(EAGAIN)
constexpr int EndOfStream = -1;

int RoundUp4(int value)
{
    return (value + 3) / 4 * 4;
}

std::wstring SystemFolder()
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    return IncludeTrailingBackslash(std::wstring(folder, length));
}

// The encoders the converter names that this FFmpeg build cannot have, and
// the nearest one it has.
const struct {
    const char* Named;
    const char* Nearest;
} kNearestEncoders[] = {{"libfaac", "aac"}, {"libxvid", "mpeg4"}, {"msmpeg4v1", "msmpeg4v2"}};

}

std::string TkvnFFmpegBackEnd::EncoderFFmpegHas(const std::string& name)
{
    if (name.empty() || ff::avcodec_find_encoder_by_name(name.c_str())) return name;
    for (const auto& pair : kNearestEncoders)
        if (name == pair.Named) {
            FFLogger().Log(nullptr, llWarning,
                           Format("Encoder %s is not available; %s is used instead", pair.Named, pair.Nearest));
            return pair.Nearest;
        }
    return name;
}

TkvnFFmpegBackEnd::TkvnFFmpegBackEnd(TkvnCaptureFeed& feed, const std::wstring& programFolder)
    : feed_(feed), programFolder_(programFolder)
{
}

bool TkvnFFmpegBackEnd::LoadLibraries(TFFEncoder& encoder) const
{
    for (const std::wstring& folder : {programFolder_ + L"libav", programFolder_, SystemFolder()})
        if (encoder.LoadLibraries(folder)) return true;
    return false;
}

TOutputOptions TkvnFFmpegBackEnd::OutputOptionsOf(const std::string& container, const std::string& videoCodec,
                                                  const std::string& videoTag, const std::string& audioCodec,
                                                  const TkvnTavelomaticSettings& settings)
{
    TOutputOptions options;
    InitOutputOptions(options);
    static const struct {
        const char* Name;
        int Target, Norm;
    } Presets[] = {{"vcd_ntsc", 1, 2}, {"vcd_pal", 1, 1},  {"svcd_ntsc", 2, 2},
                   {"svcd_pal", 2, 1}, {"dvd_ntsc", 3, 2}, {"dvd_pal", 3, 1}};
    bool preset = false;
    for (const auto& p : Presets)
        if (container == p.Name) {
            options.Target = p.Target;
            options.TVNorm = p.Norm;
            preset = true;
        }
    const TkvnVideoSettings& video = settings.VideoSettings;
    const TkvnAudioSettings& audio = settings.AudioSettings;
    if (!preset) {
        options.FileFormat = container;
        options.VideoDisable = !video.IsVideoIncluded;
        options.VideoCodec = EncoderFFmpegHas(videoCodec);
        options.VideoTag = videoTag;
        // XviD's stand-in writes XviD's tag into an AVI file.
        if (videoCodec == "libxvid" && options.VideoCodec != videoCodec && container == "avi")
            options.VideoTag = "XVID";
        options.FrameSize = Format("%dx%d", RoundUp4(video.Width), RoundUp4(video.Height));
        const TkvnFrameRate rate = GrabbedFrameRate(video.FPS, settings.CaptureMode);
        options.FrameRate = Format("%d/%d", rate.Num, rate.Den);
        options.VideoBitrate = video.Bitrate;
        options.VideoMaxRate = video.MaxBitrate;
        options.VideoMinRate = video.MinBitrate;
        options.AudioDisable = !audio.IsAudioIncluded;
        options.AudioCodec = EncoderFFmpegHas(audioCodec);
        options.AudioChannels = audio.Channels;
        options.AudioSampleRate = audio.SampleRate;
        options.AudioBitrate = audio.BitRate;
    }
    switch (video.AspectRatioMode) {
    case 1: options.AspectRatio = "1:1"; break;
    case 2: options.AspectRatio = "4:3"; break;
    case 3: options.AspectRatio = "16:9"; break;
    case 4: options.AspectRatio = "221:100"; break;
    case 5: options.AspectRatio = Format("%d:%d", settings.FileInfo.Width, settings.FileInfo.Height); break;
    default: break;
    }
    return options;
}

int TkvnFFmpegBackEnd::ConvertWithFFmpeg(const std::string& container, const std::string& videoCodec,
                                         const std::string& videoTag, const std::string& audioCodec,
                                         const TkvnTavelomaticSettings& settings)
{
    TFFEncoder encoder(nullptr);
    terminateInfo_ = TTerminateInfo();
    encoder.OnTerminate = [this](TObject*, const TTerminateInfo& info) {
        if (info.TaskIndex >= 0) terminateInfo_ = info;
    };
    if (!LoadLibraries(encoder)) {
        lastErrorText_ = encoder.LastErrorText();
        return 0;
    }
    TFrameInputAdapter frames(nullptr);
    TWaveInputAdapter wave(nullptr);
    frames.OnReadFrameCanvas = [this](TObject* s, TCanvas* c, TInputFrameInfo* i) { return ReadFrameHook(s, c, i); };
    wave.OnReadWaveData = [this](TObject* s, void* d, TInputWaveInfo* i) { return ReadWaveHook(s, d, i); };

    const TkvnVideoSettings& video = settings.VideoSettings;
    // The frames come at the rate the encoder writes: none is grabbed only to be dropped.
    const TkvnFrameRate rate = GrabbedFrameRate(video.FPS, settings.CaptureMode);
    int width = video.IsFrameCropped ? video.CropWidth : video.StageWidth;
    int height = video.IsFrameCropped ? video.CropHeight : video.StageHeight;
    TInputOptions input;
    InitInputOptions(input);
    input.FileFormat = "frameinput";
    std::string frameName = Format("a=%d;r=%d/%d;s=%d*%d;bpp=%d;t=%s;pf=yuv420p", frames.Address(), rate.Num, rate.Den, width,
                                   height, 24, "canvas");
    int task = encoder.AddTask(AnsiToWide(frameName), &input);
    int result = 0;
    if (task >= 0) {
        const TkvnAudioSettings& audio = settings.AudioSettings;
        bool added;
        if (audio.IsAudioReplaced && WideFileExists(AnsiToWide(audio.ReplacedAudioFileName))) {
            added = encoder.AddInputFile(task, AnsiToWide(audio.ReplacedAudioFileName));
        } else {
            InitInputOptions(input);
            input.FileFormat = "waveinput";
            added = encoder.AddInputFile(task, AnsiToWide(Format("a=%d;r=44100;c=2;f=16", wave.Address())), &input);
        }
        TOutputOptions options = OutputOptionsOf(container, videoCodec, videoTag, audioCodec, settings);
        std::wstring target = AnsiToWide(settings.TargetFilePath + settings.TargetFileName);
        if (added && encoder.SetOutputFile(task, target, &options)) {
            feed_.BeginMovie();
            encoder.StartTask(0);
            feed_.EndMovie();
            // A task that failed is no conversion, whatever ran before it.
            result = terminateInfo_.Failed ? 0 : 1;
            if (terminateInfo_.Failed) lastErrorText_ = terminateInfo_.ErrorText;
        } else {
            lastErrorText_ = encoder.LastErrorText();
            encoder.RemoveTask(task);
        }
    } else {
        lastErrorText_ = encoder.LastErrorText();
    }
    frames.OnReadFrameCanvas = nullptr;
    wave.OnReadWaveData = nullptr;
    encoder.OnTerminate = nullptr;
    return result;
}

int TkvnFFmpegBackEnd::EndOfInput(TkvnFeedSide side, bool otherSideHasData)
{
    if (otherSideHasData) return TryAgain;
    feed_.SetCommand(side, -1);
    feed_.Progress(-1);
    return EndOfStream;
}

int TkvnFFmpegBackEnd::ReadFrameHook(TObject*, TCanvas* canvas, TInputFrameInfo*)
{
    const double clock = feed_.CaptureStep(TkvnFeedSide::Frames, 0);
    auto drawOldest = [&] {
        canvas->Draw(0, 0, *feed_.OldestFrame());
        feed_.DeleteOldestFrame();
    };
    if (feed_.Running()) {
        if (feed_.Paused()) {
            feed_.Progress(-2);
            return TryAgain;
        }
        if (clock < 0) {
            feed_.Progress(-3);
            return TryAgain;
        }
        // No frame drawn yet: the engine asks again rather than take a blank one.
        if (feed_.FrameCount() == 0) return TryAgain;
        drawOldest();
        feed_.Progress(0);
        return 0;
    }
    if (feed_.FrameCount() > 0) {
        drawOldest();
        feed_.Progress(2);
        return 0;
    }
    return EndOfInput(TkvnFeedSide::Frames, feed_.PcmHasData());
}

int TkvnFFmpegBackEnd::ReadWaveHook(TObject*, void* data, TInputWaveInfo* info)
{
    const int wanted = info->PacketSize;
    const double clock = feed_.CaptureStep(TkvnFeedSide::Sound, wanted);
    if (feed_.Running()) {
        if (feed_.Paused()) {
            feed_.Progress(-2);
            return TryAgain;
        }
        int got = clock >= 0 ? feed_.ReadPcm(data, wanted) : 0;
        if (got <= 0) {
            feed_.Progress(-4);
            return TryAgain;
        }
        // The piece as long as it really is: no bytes beyond it go on.
        feed_.Progress(got);
        return got;
    }
    int got = feed_.ReadPcm(data, wanted);
    if (got > 0) return got;
    return EndOfInput(TkvnFeedSide::Sound, feed_.FrameCount() > 0);
}
