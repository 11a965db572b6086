#include "kvnCaptureStep.h"

#include "Forms.h"
#include "SysUtils.h"
#include "kvnConverterFlags.h"
#include "kvnFlashAVCapture.h"
#include "kvnFrameImages.h"
#include "kvnTavelomatic.h"

namespace {

bool FeedsEncoder(TkvnCaptureLoop loop)
{
    return loop == clFFmpegFrames || loop == clFFmpegWave || loop == clMclVideo;
}

void ApplyStartCondition(const TMclUserData& context, int command)
{
    const TkvnTavelomaticSettings& settings = *context.Settings;
    bool& savingPaused = ConverterFlags().SavingPaused;
    if (settings.StartConvertingMode == 1) savingPaused = context.AudioSeconds < settings.DurationBeforeStartConverting;
    if ((settings.StartConvertingMode == 0 || settings.StartConvertingMode == 1) && settings.IsFSCommandEnabled &&
        command < 0)
        savingPaused = true;
}

// The movie's capture commands: start, stop, pause, resume, pause saving,
// resume saving.
void ApplyCommand(int& command, TkvnCaptureLoop loop)
{
    TkvnConverterFlags& flags = ConverterFlags();
    switch (command) {
    case 1: flags.Paused = false; flags.SavingPaused = false; break;
    case 2:
        flags.Running = false;
        // The FFmpeg hooks take the stop once; the other loops keep seeing it.
        if (loop == clFFmpegFrames || loop == clFFmpegWave) command = -1;
        return;
    case 3: flags.Paused = true; break;
    case 4: flags.Paused = false; break;
    case 5: flags.SavingPaused = true; break;
    case 6: flags.SavingPaused = false; break;
    default: return;
    }
    command = 0;
}

bool QueueShort(const TMclUserData& context, const TkvnCaptureCall& call)
{
    if (call.Loop == clFFmpegWave) return context.PCMQueue->Size() < call.PcmWanted;
    return context.Frames->Count() == 0;
}

// Sound the encoder is to take from the movie: without its sound, or with a
// replacing file the encoder reads itself, nothing would ever drain it.
bool QueuesMovieSound(const TkvnAudioSettings& audio)
{
    return audio.IsAudioIncluded && !(audio.IsAudioReplaced && FileExists(audio.ReplacedAudioFileName));
}

void WriteSideAudio(TkvnAudioEncoder& encoder, TMemoryStream& pcm)
{
    pcm.SetPosition(0);
    if (encoder.Mode() == TkvnAudioEncoder::ModeMP3) {
        double info = 0;
        encoder.WriteData(encoder.EncodeChunk(pcm, info));
    } else if (encoder.Mode() == TkvnAudioEncoder::ModeWAV) {
        encoder.WriteData(&pcm);
    }
}

void KeepSound(TMclUserData& context, TkvnCaptureLoop loop, TMemoryStream& pcm)
{
    const TkvnAudioSettings& audio = *context.AudioSettings;
    if (FeedsEncoder(loop)) {
        if (QueuesMovieSound(audio)) context.PCMQueue->Append(&pcm);
        TCriticalSectionGuard guard(ConverterLock());
        if (audio.IsAudioRipped && context.AudioEncoder) WriteSideAudio(*context.AudioEncoder, pcm);
    } else if (audio.IsAudioRipped && context.AudioEncoder) {
        WriteSideAudio(*context.AudioEncoder, pcm);
    }
}

// Crops (when the task asks) and overlays one grabbed bitmap in place.
void Prepare(const TMclUserData& context, TBitmap& bitmap)
{
    const TkvnVideoSettings& video = *context.VideoSettings;
    if (video.IsFrameCropped) {
        HDC dc = bitmap.Canvas().Handle();
        BitBlt(dc, 0, 0, video.CropWidth, video.CropHeight, dc, video.CropLeft, video.CropTop, SRCCOPY);
        bitmap.SetSize(video.CropWidth, video.CropHeight);
    }
    if (context.HasOverlay)
        OverlayFrame(bitmap, context.PictureImage, context.TextImage, context.PictureX, context.PictureY,
                     context.TextX, context.TextY);
}

void KeepFrames(TMclUserData& context, const TkvnCaptureCall& call, TkvnFramesList& grabbed)
{
    if (context.Settings->IsTransparent) {
        // Each frame was grabbed twice: over black, then over the second background.
        for (int i = 0; i < grabbed.Count() / 2; ++i) {
            TBitmap& overBlack = *grabbed.Get(2 * i);
            TBitmap& overSecond = *grabbed.Get(2 * i + 1);
            Prepare(context, overBlack);
            Prepare(context, overSecond);
            std::unique_ptr<TBitmap> merged = AlphaFromTwoBackgrounds(overBlack, overSecond);
            if (call.PrepareMergedFrame) call.PrepareMergedFrame(*merged);
            context.Frames->Add(merged.get(), true);
            Application->ProcessMessages();
        }
    } else {
        for (int i = 0; i < grabbed.Count(); ++i) {
            Prepare(context, *grabbed.Get(i));
            context.Frames->Add(grabbed.Get(i), true);
            Application->ProcessMessages();
        }
    }
}

double TakeStep(TMclUserData& context, const TkvnCaptureCall& call, int& command)
{
    std::unique_ptr<TkvnFramesList> grabbed;
    std::unique_ptr<TMemoryStream> pcm;
    uint32_t code = 0;
    double clock = CreateCaptureBuffers(context.Capture, grabbed, pcm, code);
    command = static_cast<int>(code);
    const std::string failure = context.Capture->CaptureError();
    if (!failure.empty()) {
        // No sound device, a movie that never became ready, frames that
        // cannot be grabbed: the run ends here, and says why.
        context.FailureText = failure;
        ConverterFlags().Running = false;
    }
    const int64_t pcmSize = pcm ? pcm->GetSize() : 0;
    if (clock > 0 && !ConverterFlags().SavingPaused) {
        KeepSound(context, call.Loop, *pcm);
        KeepFrames(context, call, *grabbed);
        context.FramesSaved += grabbed->Count();
        context.BytesSaved += static_cast<uint64_t>(pcmSize);
        context.SecondsSaved = context.BytesSaved / kPcmByteRate;
    } else if (ConverterFlags().SavingPaused) {
        clock = -1;
    }
    context.LastPCMSize = pcmSize;
    context.AudioBytes += static_cast<uint64_t>(pcmSize);
    context.AudioSeconds = context.AudioBytes / kPcmByteRate;
    return clock;
}

void CheckStopConditions(const TMclUserData& context)
{
    const TkvnTavelomaticSettings& settings = *context.Settings;
    if (settings.IsStopConvertingByDuration && context.SecondsSaved > settings.DurationOfConverting)
        ConverterFlags().Running = false;
    // FrameNum counts from 0; the task's frame numbers from 1.
    else if (settings.IsStopConvertingByFrameNumber &&
             context.Capture->GetFrameNum() + 1 >= settings.FrameNumberOfStopConverting)
        ConverterFlags().Running = false;
}

}

double CaptureStep(PMclUserData context, const TkvnCaptureCall& call)
{
    TkvnConverterFlags& flags = ConverterFlags();
    const TkvnTavelomaticSettings& settings = *context->Settings;
    int& command = context->CommandCodes[call.Loop];
    ApplyStartCondition(*context, command);
    if (settings.IsFSCommandEnabled) ApplyCommand(command, call.Loop);
    double clock = 0;
    if (flags.Running) {
        if (!flags.Paused) {
            SetCaptureMute(context->Capture, context->Owner->IsMuteWhileConverting);
            if (QueueShort(*context, call) || flags.SavingPaused) clock = TakeStep(*context, call, command);
            context->ElapsedSeconds = (static_cast<double>(GetTickCount64()) - context->StartTick) / 1000.0;
        }
        CheckStopConditions(*context);
    }
    Application->ProcessMessages();
    return clock;
}
