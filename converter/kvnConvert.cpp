// The converter's Convert: a working copy of the task, the source movie's
// version byte patched for the run when the task asks, and the back end
// its format and codecs choose.
#include "kvnBackEndChoice.h"
#include "kvnBackEnds.h"
#include "kvnTavelomatic.h"

namespace {

// Puts the source movie's own version byte back however the run ends.
class TVersionPatch {
public:
    explicit TVersionPatch(const TkvnTavelomaticSettings& settings) : settings_(settings)
    {
        if (settings_.FlashInterpreter >= 1) PatchSWFVersion(settings_.FileInfo.FileName, 10);
    }
    ~TVersionPatch()
    {
        if (settings_.FlashInterpreter >= 1) PatchSWFVersion(settings_.FileInfo.FileName, settings_.FileInfo.Version);
    }
    TVersionPatch(const TVersionPatch&) = delete;
    TVersionPatch& operator=(const TVersionPatch&) = delete;

private:
    const TkvnTavelomaticSettings& settings_;
};

// A video source converted to its end stops at its own length, to the
// sample as a stop by time does. The FLV player's complete message would
// come only once the last sound has been heard, and a stop takes effect a
// capture step after it: both past the source's end.
void StopAtSourceEnd(TkvnTavelomaticSettings& settings)
{
    if (settings.FileInfo.FileFormat != fmtFLV || settings.IsStopConvertingByDuration ||
        settings.IsStopConvertingByFrameNumber)
        return;
    const double skipped = settings.StartConvertingMode == 1 ? settings.DurationBeforeStartConverting : 0;
    const double left = settings.FileInfo.Duration - skipped;
    if (left <= 0) return;
    settings.IsStopConvertingByDuration = true;
    settings.DurationOfConverting = left;
}

}

int TkvnTavelomatic::Convert(const TkvnTavelomaticSettings& settings)
{
    // A second Convert reached through the message pump leaves the running
    // conversion alone: no flag of it, no movie of it is touched.
    if (ConverterFlags().Running) {
        ConverterFlags().LastStateCode = kStateAlreadyRunning;
        return 0;
    }
    ConverterFlags().Paused = false;
    LastErrorText.clear();
    TkvnTavelomaticSettings working;
    CopyTavelomaticSettings(working, settings);
    StopAtSourceEnd(working);
    int result = 0;
    try {
        TVersionPatch patch(working);
        result = RunBackEnd(working);
    } catch (...) {
        ConverterFlags().Paused = false;
        throw;
    }
    ConverterFlags().Paused = false;
    return result;
}

int TkvnTavelomatic::RunBackEnd(TkvnTavelomaticSettings& settings)
{
    const TkvnBackEndChoice choice = ChooseBackEnd(settings);
    switch (choice.Kind) {
    case bkFFmpeg:
        return ConvertWithFFmpeg(*this, choice.Container, choice.VideoCodec, choice.VideoTag, choice.AudioCodec,
                                 settings);
    case bkMcl: return ConvertWithMcl(*this, settings);
    case bkAnimatedGif: return ConvertToAnimatedGif(*this, settings);
    case bkImageSequence: return ConvertToImageSequence(*this, settings);
    default: return 0;
    }
}
