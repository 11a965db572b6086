#include "MclBackEnd.h"

#include <cmath>

#include "Forms.h"
#include "kvnFramePacing.h"

namespace {

constexpr int32_t AudioCodecMP3 = 85;
constexpr int32_t AudioCodecPCM = 1;

void WINAPI IgnoreVideo(MclHandle, MclImage) {}
void WINAPI IgnoreAudio(MclHandle, void*, int32_t) {}
void WINAPI IgnoreProgress(MclHandle, double) {}

int32_t RoundUpTo4(int32_t value)
{
    return (value + 3) & ~3;
}

// Bit/s to kbit/s; a rate below 1 means none and stays as it is.
int32_t Kbps(int32_t bitsPerSecond)
{
    return bitsPerSecond >= 1 ? bitsPerSecond / 1000 : bitsPerSecond;
}

void SetVideoRates(MclHandle m, const TkvnVideoSettings& video)
{
    MclVideoSetFrameRate(m, video.FPS);
    MclVideoSetKeyFrameRate(m, static_cast<int32_t>(std::lround(video.KeyFPS)));
    MclVideoSetBitRate(m, Kbps(video.Bitrate), Kbps(video.MinBitrate), Kbps(video.MaxBitrate));
    MclVideoSetQuality(m, video.Quality);
}

void SetAudioFormat(MclHandle m, const TkvnAudioSettings& audio)
{
    MclAudioSetFormat(m, audio.SampleRate, audio.Channels, audio.SampleBits);
    MclAudioSetBitRate(m, Kbps(audio.BitRate));
}

}

void SetUpMclConversion(MclHandle m, const TkvnTavelomaticSettings& settings, const TMclSources& sources)
{
    std::string target = settings.TargetFilePath + settings.TargetFileName;
    const TkvnVideoSettings& video = settings.VideoSettings;
    const TkvnAudioSettings& audio = settings.AudioSettings;
    if (video.IsVideoIncluded) {
        MclAssignVideoSource(m, sources.Video);
        MclAssignVideoFunc(m, IgnoreVideo);
        MclVideoSetFileName(m, target.c_str());
        MclVideoSetKeepDuration(m, -1);
    }
    if (audio.IsAudioIncluded) {
        MclAssignAudioSource(m, sources.Audio);
        MclAssignAudioFunc(m, IgnoreAudio);
        MclAudioSetFileName(m, target.c_str());
        MclAudioSetTruncateToVideo(m, -1);
    }
    MclAssignProgress(m, IgnoreProgress);
    MclAssignError(m, StopOnMclError);
    switch (settings.TargetFileFormat) {
    case 0:
        MclVideoSetFileFormat(m, MCL_FILE_FORMAT_AVI);
        MclVideoSetCodec(m, MCL_FOURCC_DIB);
        MclVideoSetFormat(m, video.Width, video.Height, 32);
        SetVideoRates(m, video);
        MclAudioSetCodec(m, audio.CodecID == 0 ? AudioCodecMP3 : AudioCodecPCM);
        SetAudioFormat(m, audio);
        MclSetSplitting(m, 0, 2147483648.0);
        break;
    case 3:
        MclSetFormatPreset(m, MCL_PRESET_MPEG4, 1);
        MclVideoSetFormat(m, video.Width, video.Height, 24);
        SetVideoRates(m, video);
        SetAudioFormat(m, audio);
        break;
    case 4:
    case 5:
        if (settings.TargetFileFormat == 4)
            MclSetFormatPreset(m, MCL_PRESET_WMV, 1);
        else
            MclVideoSetFileFormat(m, MCL_FILE_FORMAT_OGV);
        MclVideoSetFormat(m, RoundUpTo4(video.Width), RoundUpTo4(video.Height), 24);
        SetVideoRates(m, video);
        SetAudioFormat(m, audio);
        break;
    default: break;
    }
}

int32_t MclStateFromResult(int32_t result)
{
    switch (result) {
    case MCL_ERR_LIBRARIES:
    case MCL_ERR_ENCODER:
    case MCL_ERR_ENCODING: return 99;
    default: return result;
    }
}

void WINAPI StopOnMclError(MclHandle, int32_t, int32_t* action)
{
    if (action) *action = 4;
}

void AnswerMclAudioSource(MclHandle m, const TMclAudioSourceState& state)
{
    // Hands the whole PCM queue over; false when it is empty.
    auto handOverQueued = [&] {
        std::vector<uint8_t> pcm = state.TakeQueuedPcm ? state.TakeQueuedPcm() : std::vector<uint8_t>{};
        if (pcm.size() < 4) return false;
        MclSourceSetSamples(m, pcm.data(), static_cast<int32_t>(pcm.size() / 4), 44100, 2, 16);
        return true;
    };
    if (!state.Running) {
        // The sound of the last captured frames is still queued: it belongs
        // in the file, so the source ends only once the queue is empty.
        if (!handOverQueued()) MclSourceFinished(m);
        return;
    }
    if (state.AudioReplaced) {
        const std::string* name = state.SoundFileName;
        DWORD attributes = name && !name->empty() ? GetFileAttributesA(name->c_str()) : INVALID_FILE_ATTRIBUTES;
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            MclSourceFinished(m);
            return;
        }
        MclSourceSetFile(m, name->c_str());
        state.SoundFileName->clear();
        return;
    }
    if (state.Paused || !handOverQueued()) MclSourceSkip(m);
}

TkvnMclBackEnd::TkvnMclBackEnd(const TkvnTavelomaticSettings& settings, TkvnLoopFeed& video,
                               std::function<TMclAudioSourceState()> audio)
    : settings_(settings), video_(video), audio_(std::move(audio))
{
}

int32_t TkvnMclBackEnd::Run(const std::function<void()>& startMovie)
{
    struct Conversion {
        MclHandle M = MclCreate();
        ~Conversion() { MclFree(M); }
    } conversion;
    MclSetUserData(conversion.M, this);
    SetUpMclConversion(conversion.M, settings_, {MclVideoSourceProc, MclAudioSourceProc});
    startMovie();
    return MclConvert(conversion.M);
}

void WINAPI TkvnMclBackEnd::MclVideoSourceProc(MclHandle m)
{
    static_cast<TkvnMclBackEnd*>(MclGetUserData(m))->AnswerVideo(m);
}

void WINAPI TkvnMclBackEnd::MclAudioSourceProc(MclHandle m)
{
    AnswerMclAudioSource(m, static_cast<TkvnMclBackEnd*>(MclGetUserData(m))->audio_());
    Application->ProcessMessages();
}

void TkvnMclBackEnd::AnswerVideo(MclHandle m)
{
    double clock = video_.Step();
    if (!video_.Running()) {
        // Frames captured before the stop still belong in the file.
        if (HandOverOldest(m)) {
            video_.Progress(2);
        } else {
            MclSourceFinished(m);
            video_.Progress(-1);
        }
    } else if (video_.Paused()) {
        MclSourceSkip(m);
        video_.Progress(-2);
    } else if (clock < 0) {
        MclSourceSkip(m);
        video_.Progress(-3);
    } else if (HandOverOldest(m)) {
        video_.Progress(video_.Command());
    } else {
        MclSourceSkip(m);
    }
}

bool TkvnMclBackEnd::HandOverOldest(MclHandle m)
{
    TBitmap* frame = video_.Frames().Get(0);
    if (!frame) return false;
    frame->FreeContext();
    MclDIBToImg(image_, frame->Handle());
    video_.FitToAspect(image_);
    MclSourceSetImage(m, image_);
    // Grabbed at the rate the file is written at: one picture, one frame.
    MclSourceSetFrameRate(m, GrabbedFrameRate(settings_.VideoSettings.FPS, settings_.CaptureMode).Value());
    video_.Frames().Delete(0);
    return true;
}
