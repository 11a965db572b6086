#include "kvnGifBackEnd.h"

#include "Exceptions.h"
#include "kvnFramePacing.h"
#include "kvnTools.h"
#include "kvnWriterLoop.h"

TkvnGifBackEnd::TkvnGifBackEnd(const TkvnTavelomaticSettings& settings)
    : settings_(settings),
      background_(static_cast<TColor>(BGRToColor(static_cast<uint32_t>(settings.VideoSettings.StageBackgroundColor))))
{
}

TkvnGifBackEnd::~TkvnGifBackEnd() = default;

bool TkvnGifBackEnd::Open()
{
    if (!ValidOutputFrameRate(settings_.VideoSettings.FPS)) {
        lastState_ = kStateFrameRateInvalid;
        errorText_ = "The frame rate must be above 0";
        return false;
    }
    try {
        writer_ = std::make_unique<TkvnGifWriter>(
            std::make_unique<TFileStream>(settings_.TargetFilePath + settings_.TargetFileName, fmCreate), background_,
            settings_.IsTransparent);
    } catch (const Exception& e) {
        lastState_ = kStateTargetNotWritten;
        errorText_ = e.what();
        return false;
    }
    return true;
}

bool TkvnGifBackEnd::Run(TkvnLoopFeed& feed)
{
    TkvnGifDelays delays(GrabbedFrameRate(settings_.VideoSettings.FPS, settings_.CaptureMode).Value());
    try {
        RunWriterLoop(feed, [&](TBitmap& frame) {
            feed.FitToAspect(frame);
            writer_->WriteFrame(frame, delays.Next());
            return true;
        });
        writer_->Finish();
    } catch (const EStreamError& e) {
        // A frame or the trailer that did not reach the file: the GIF is
        // incomplete, which the run must not report as converted.
        lastState_ = kStateTargetNotWritten;
        errorText_ = e.what();
        return false;
    }
    return true;
}
