#include "kvnCaptureStep.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "Forms.h"
#include "SysUtils.h"
#include "kvnConverterFlags.h"
#include "kvnFlashAVCapture.h"
#include "kvnFrameImages.h"
#include "kvnTavelomatic.h"

namespace {

// Each pump asks the window server for messages even when none wait, and
// the capture comes here several times a frame, far more often than a user
// or the player posts anything: pumping every 10 ms keeps the window as
// responsive at a fraction of the cost.
void PumpMessages()
{
    thread_local ULONGLONG lastPump = 0;
    const ULONGLONG now = GetTickCount64();
    if (now - lastPump < 10) return;
    lastPump = now;
    Application->ProcessMessages();
}

bool FeedsEncoder(TkvnCaptureLoop loop)
{
    return loop == clFFmpegFrames || loop == clFFmpegWave || loop == clMclVideo;
}

// The PCM bytes of Seconds of sound, in whole samples, none short of it. The
// start and stop by time are kept to these, so that a run starts and ends on
// the very sample (and so the frame) of its moment.
uint64_t SoundBytes(double seconds)
{
    return seconds > 0 ? static_cast<uint64_t>(std::ceil(seconds * 44100)) * 4 : 0;
}

void ApplyStartCondition(const TMclUserData& context, int command)
{
    const TkvnTavelomaticSettings& settings = *context.Settings;
    bool& savingPaused = ConverterFlags().SavingPaused;
    if (settings.StartConvertingMode == 1)
        savingPaused = context.AudioBytes < SoundBytes(settings.DurationBeforeStartConverting);
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

// Queues Frame, which the queue then owns.
void Queue(TMclUserData& context, std::unique_ptr<TBitmap> frame)
{
    if (context.Frames->Add(frame.get(), false)) frame.release();
    PumpMessages();
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
            Queue(context, std::move(merged));
        }
    } else {
        // The grabbed bitmaps themselves move to the queue: no copies.
        while (grabbed.Count() > 0) {
            std::unique_ptr<TBitmap> frame = grabbed.Extract(0);
            Prepare(context, *frame);
            Queue(context, std::move(frame));
        }
    }
}

// The most sound a step may take: no more than reaches the moment saving
// starts after some seconds, nor the duration to convert.
int64_t SoundWanted(const TMclUserData& context)
{
    const TkvnTavelomaticSettings& settings = *context.Settings;
    uint64_t most = std::numeric_limits<int64_t>::max();
    const uint64_t start = SoundBytes(settings.DurationBeforeStartConverting);
    if (settings.StartConvertingMode == 1 && context.AudioBytes < start) most = start - context.AudioBytes;
    const uint64_t stop = SoundBytes(settings.DurationOfConverting);
    if (settings.IsStopConvertingByDuration && !ConverterFlags().SavingPaused && context.BytesSaved < stop)
        most = std::min(most, stop - context.BytesSaved);
    return static_cast<int64_t>(most);
}

double TakeStep(TMclUserData& context, const TkvnCaptureCall& call)
{
    std::unique_ptr<TkvnFramesList> grabbed;
    std::unique_ptr<TMemoryStream> pcm;
    uint32_t code = 0;
    double clock = CreateCaptureBuffers(context.Capture, grabbed, pcm, code, SoundWanted(context));
    // Every loop takes the command before it steps again: the FFmpeg back
    // end's two hooks step the one capture, and a step by either must not
    // keep frames or sound that the command, taken by the other, ruled out.
    std::fill(std::begin(context.CommandCodes), std::end(context.CommandCodes), static_cast<int>(code));
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
        context.FramesSaved += grabbed->Count();
        KeepFrames(context, call, *grabbed);
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
    if (settings.IsStopConvertingByDuration && context.BytesSaved > 0 &&
        context.BytesSaved >= SoundBytes(settings.DurationOfConverting))
        ConverterFlags().Running = false;
    // The capture holds the stop frame: its steps end there.
    else if (context.Capture->ReachedStopFrame())
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
            if (QueueShort(*context, call) || flags.SavingPaused) clock = TakeStep(*context, call);
            context->ElapsedSeconds = (static_cast<double>(GetTickCount64()) - context->StartTick) / 1000.0;
        }
        CheckStopConditions(*context);
    }
    PumpMessages();
    return clock;
}
