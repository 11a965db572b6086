#pragma once
// The image-sequence back end: the converter's own capture loop grabs frames
// at the task's frame rate and writes each as a numbered picture file beside
// the target.
#include <string>

#include "MclImageHandle.h"
#include "kvnImageSequenceWriter.h"
#include "kvnLoopFeed.h"
#include "kvnTavelomaticType.h"

class TkvnImageSequenceBackEnd {
public:
    explicit TkvnImageSequenceBackEnd(const TkvnTavelomaticSettings& settings);

    // False, with LastState and ErrorText, for a frame rate of 0 or below.
    bool Open();
    // The run; False, with LastState and ErrorText, as soon as a file could
    // not be written.
    bool Run(TkvnLoopFeed& feed);
    int Written() const { return writer_.Written(); }
    int LastState() const { return lastState_; }
    const std::string& ErrorText() const { return errorText_; }

private:
    const TkvnTavelomaticSettings& settings_;
    TkvnImageSequenceWriter writer_;
    TMclImageHandle image_;
    int lastState_ = 0;
    std::string errorText_;
};
