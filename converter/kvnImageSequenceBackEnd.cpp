#include "kvnImageSequenceBackEnd.h"

#include "kvnFramePacing.h"
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
    bool written = RunWriterLoop(feed, [&](TBitmap& frame) {
        frame.FreeContext();
        MclDIBToImg(image_, frame.Handle());
        feed.FitToAspect(image_);
        return writer_.Write(image_);
    });
    if (!written) {
        lastState_ = kStateTargetNotWritten;
        errorText_ = writer_.ErrorText();
    }
    return written;
}
