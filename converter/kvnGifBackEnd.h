#pragma once
// The animated-GIF back end: the converter's own capture loop grabs frames at
// the task's frame rate and writes each into the target file as it comes,
// with its time at that rate as its delay.
#include <memory>
#include <string>

#include "kvnGifWriter.h"
#include "kvnLoopFeed.h"
#include "kvnTavelomaticType.h"

class TkvnGifBackEnd {
public:
    explicit TkvnGifBackEnd(const TkvnTavelomaticSettings& settings);
    ~TkvnGifBackEnd();
    TkvnGifBackEnd(const TkvnGifBackEnd&) = delete;
    TkvnGifBackEnd& operator=(const TkvnGifBackEnd&) = delete;

    // Creates the target; False, with LastState and ErrorText, for a frame
    // rate of 0 or below or a target that cannot be created.
    bool Open();
    // The run, up to the file's trailer; False, with LastState and
    // ErrorText, as soon as the file does not take a frame or the trailer.
    bool Run(TkvnLoopFeed& feed);
    // The stage's colour, which frames with alpha are flattened onto.
    TColor Background() const { return background_; }
    int LastState() const { return lastState_; }
    const std::string& ErrorText() const { return errorText_; }

private:
    const TkvnTavelomaticSettings& settings_;
    TColor background_;
    std::unique_ptr<TkvnGifWriter> writer_;
    int lastState_ = 0;
    std::string errorText_;
};
