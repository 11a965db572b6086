#include "kvnImageSequenceBackEnd.h"

#include "kvnWriterLoop.h"

TkvnImageSequenceBackEnd::TkvnImageSequenceBackEnd(const TkvnTavelomaticSettings& settings)
    : settings_(settings), writer_(settings.TargetFilePath + settings.TargetFileName, settings.VideoSettings.CodecID,
                                   settings.VideoSettings.Quality)
{
}

bool TkvnImageSequenceBackEnd::Open()
{
    if (ValidOutputFrameRate(settings_.VideoSettings.FPS)) return true;
    lastState_ = kStateFrameRateInvalid;
    errorText_ = "The frame rate must be above 0";
    return false;
}

bool TkvnImageSequenceBackEnd::Run(TkvnLoopFeed& feed)
{
    TkvnFrameThinner thinner(settings_.VideoSettings.FPS, settings_.CaptureMode);
    bool written = RunWriterLoop(feed, thinner, [&](TBitmap& frame) {
        frame.FreeContext();
        MclDIBToImg(image_, frame.Handle());
        feed.FitToAspect(image_);
        if (!writer_.Write(image_)) return false;
        thinner.SettleImage();
        return true;
    });
    if (!written) {
        lastState_ = kStateTargetNotWritten;
        errorText_ = writer_.ErrorText();
    }
    return written;
}
