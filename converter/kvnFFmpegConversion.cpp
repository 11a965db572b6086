// The FFmpeg back end fed by the converter: its two inputs pull from the
// context's frame queue and PCM queue, each through a capture loop of its own.
#include "Forms.h"
#include "kvnBackEnds.h"
#include "kvnCaptureStep.h"
#include "kvnConverterFlags.h"
#include "kvnFFmpegBackEnd.h"
#include "kvnFlashAVCapture.h"
#include "kvnTavelomatic.h"

namespace {

class TContextFeed : public TkvnCaptureFeed {
public:
    explicit TContextFeed(PMclUserData context) : context_(context) {}

    bool Running() const override { return ConverterFlags().Running; }
    bool Paused() const override { return ConverterFlags().Paused; }
    double CaptureStep(TkvnFeedSide side, int packetSize) override
    {
        TkvnCaptureCall call;
        call.Loop = LoopOf(side);
        call.PcmWanted = packetSize;
        return ::CaptureStep(context_, call);
    }
    int FrameCount() const override { return context_->Frames->Count(); }
    TBitmap* OldestFrame() override { return context_->Frames->Get(0); }
    void DeleteOldestFrame() override { context_->Capture->RecycleFrame(context_->Frames->Extract(0)); }
    bool PcmHasData() const override { return context_->PCMQueue->Size() > 0; }
    int ReadPcm(void* data, int size) override
    {
        const int64_t count = std::min<int64_t>(size, context_->PCMQueue->Size());
        std::unique_ptr<TMemoryStream> piece;
        if (count <= 0 || context_->PCMQueue->Take(piece, count) != count) return 0;
        piece->ReadBuffer(data, static_cast<int>(count));
        return static_cast<int>(count);
    }
    void Progress(int state) override { ConvertingProgress(context_, state); }
    void SetCommand(TkvnFeedSide side, int code) override { context_->CommandCodes[LoopOf(side)] = code; }
    void BeginMovie() override { StartMovie(context_, false); }
    void EndMovie() override { context_->Owner->ConvertingEnd(0); }

private:
    static TkvnCaptureLoop LoopOf(TkvnFeedSide side)
    {
        return side == TkvnFeedSide::Frames ? clFFmpegFrames : clFFmpegWave;
    }

    PMclUserData context_;
};

}

int ConvertWithFFmpeg(TkvnTavelomatic& converter, const std::string& container, const std::string& videoCodec,
                      const std::string& videoTag, const std::string& audioCodec, TkvnTavelomaticSettings& settings)
{
    TkvnConversionRun run(converter, settings);
    if (!run.Accepted()) return 0;
    TContextFeed feed(run.Context());
    TkvnFFmpegBackEnd backEnd(feed, AnsiToWide(converter.ProgramFolder()));
    const int result = backEnd.ConvertWithFFmpeg(container, videoCodec, videoTag, audioCodec, settings);
    const std::string& failure = run.Context()->FailureText;
    converter.LastErrorText = failure.empty() ? backEnd.LastErrorText() : failure;
    return failure.empty() ? result : 0;
}
