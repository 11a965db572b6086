// The runs of the back ends whose loops the converter drives itself: the
// task check, the movie, the loop and the end event around the animated-GIF,
// image-sequence and media-library back ends.
#include <cstring>

#include "SysUtils.h"

#include "MclBackEnd.h"
#include "kvnBackEnds.h"
#include "kvnCaptureStep.h"
#include "kvnConverterFlags.h"
#include "kvnFrameImages.h"
#include "kvnGifBackEnd.h"
#include "kvnImageSequenceBackEnd.h"
#include "kvnTavelomatic.h"

namespace {

// The loops' view of a running conversion: its context and the converter's
// flags.
class TkvnContextLoopFeed : public TkvnLoopFeed {
public:
    TkvnContextLoopFeed(PMclUserData context, TkvnCaptureCall call) : context_(context), call_(std::move(call)) {}
    double Step() override { return CaptureStep(context_, call_); }
    bool Running() const override { return ConverterFlags().Running; }
    bool Paused() const override { return ConverterFlags().Paused; }
    TkvnFramesList& Frames() override { return *context_->Frames; }
    int Command() const override { return context_->CommandCodes[call_.Loop]; }
    void Progress(int state) override { ConvertingProgress(context_, state); }
    void FitToAspect(TBitmap& frame) override { FitFrameToAspect(frame, Aspect()); }
    void FitToAspect(MclImage frame) override { FitFrameToAspect(frame, Aspect()); }

private:
    int Aspect() const { return context_->VideoSettings->AspectRatioMode; }

    PMclUserData context_;
    TkvnCaptureCall call_;
};

// A back end that refused to start: its state is the task's, and no event
// fires, as for a task the check refused.
int Refused(TkvnTavelomatic& converter, int state, const std::string& reason)
{
    ConverterFlags().LastStateCode = state;
    converter.LastErrorText = reason;
    return 0;
}

// Written: the back end finished its target. A capture that could not go on
// ended the run early, which is no finished target either.
int Ended(PMclUserData context, int state, bool written, const std::string& reason)
{
    context->ElapsedSeconds = (static_cast<double>(GetTickCount64()) - context->StartTick) / 1000.0;
    ConverterFlags().LastStateCode = state;
    const std::string& failure = context->FailureText;
    context->Owner->LastErrorText = failure.empty() ? reason : failure;
    context->Owner->ConvertingEnd(state);
    return written && failure.empty() ? 1 : 0;
}

// What the media library's sound source sees of the run at each call.
TMclAudioSourceState AudioSourceState(PMclUserData context)
{
    TMclAudioSourceState state;
    state.Running = ConverterFlags().Running;
    state.Paused = ConverterFlags().Paused;
    state.AudioReplaced = context->AudioSettings->IsAudioReplaced;
    state.SoundFileName = &context->SoundFileName;
    state.TakeQueuedPcm = [context] {
        TCriticalSectionGuard guard(ConverterLock());
        std::vector<uint8_t> pcm;
        std::unique_ptr<TMemoryStream> data;
        int64_t size = context->PCMQueue->Size();
        if (size > 0 && context->PCMQueue->Take(data, size) == size) {
            pcm.resize(static_cast<size_t>(size));
            std::memcpy(pcm.data(), data->Memory(), pcm.size());
        }
        return pcm;
    };
    return state;
}

}

int ConvertToAnimatedGif(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings)
{
    TkvnConversionRun run(converter, settings);
    if (!run.Accepted()) return 0;
    TkvnGifBackEnd gif(settings);
    if (!gif.Open()) return Refused(converter, gif.LastState(), gif.ErrorText());
    StartMovie(run.Context(), true);
    TColor background = gif.Background();
    TkvnContextLoopFeed feed(run.Context(),
                             {clGif, 0, [background](TBitmap& frame) { PrepareGifFrame(frame, background); }});
    bool written = gif.Run(feed);
    return Ended(run.Context(), gif.LastState(), written, gif.ErrorText());
}

int ConvertToImageSequence(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings)
{
    TkvnConversionRun run(converter, settings);
    if (!run.Accepted()) return 0;
    TkvnImageSequenceBackEnd images(settings);
    if (!images.Open()) return Refused(converter, images.LastState(), images.ErrorText());
    StartMovie(run.Context(), true);
    TkvnContextLoopFeed feed(run.Context(), {clImages, 0, nullptr});
    bool written = images.Run(feed);
    return Ended(run.Context(), images.LastState(), written, images.ErrorText());
}

int ConvertWithMcl(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings)
{
    TkvnConversionRun run(converter, settings);
    if (!run.Accepted()) return 0;
    PMclUserData context = run.Context();
    TkvnContextLoopFeed feed(context, {clMclVideo, 0, nullptr});
    TkvnMclBackEnd backEnd(settings, feed, [context] { return AudioSourceState(context); });
    int32_t result = backEnd.Run([context] { StartMovie(context, false); });
    std::string reason = result == MCL_OK ? "" : Format("The media library could not convert (error %d)", result);
    return Ended(context, MclStateFromResult(result), result == MCL_OK, reason);
}
