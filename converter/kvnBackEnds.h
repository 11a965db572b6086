#pragma once
// The converter's back ends. Each checks the task (the result goes into the
// last state code), runs one conversion of the working copy of the settings
// through the converter's context and capture step, and answers 1 when the
// target was written, else 0.
#include <string>

#include "kvnTavelomaticType.h"

class TkvnTavelomatic;

int ConvertWithFFmpeg(TkvnTavelomatic& converter, const std::string& container, const std::string& videoCodec,
                      const std::string& videoTag, const std::string& audioCodec, TkvnTavelomaticSettings& settings);
// Defined with the media-library back end.
int ConvertWithMcl(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings);
// Defined with the animated-GIF and image-sequence back ends.
int ConvertToAnimatedGif(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings);
int ConvertToImageSequence(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings);

#include "kvnMclUserData.h"

// What every back end does around its own work: the task check, the
// running flag and the context.
class TkvnConversionRun {
public:
    // Checks Settings into the last state code; when the task is accepted,
    // raises the running flag and builds the context.
    TkvnConversionRun(TkvnTavelomatic& converter, TkvnTavelomaticSettings& settings);
    // Frees the context and clears the running flag, also when an exception
    // passes.
    ~TkvnConversionRun();
    TkvnConversionRun(const TkvnConversionRun&) = delete;
    TkvnConversionRun& operator=(const TkvnConversionRun&) = delete;

    bool Accepted() const { return context_ != nullptr; }
    PMclUserData Context() const { return context_; }

private:
    PMclUserData context_ = nullptr;
};
