#pragma once
// A known moving picture and a 440 Hz tone, fed to the engine through its
// program-fed inputs, and the option strings that name them.
#include "FFEncode.h"
#include "FrameInput.h"
#include "WaveInput.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tvmtest {

class TPatternSource {
public:
    // Frames of Width x Height at Num/Den frames per second, Seconds long,
    // and as much stereo 16-bit sound at 44100 Hz.
    TPatternSource(int width, int height, int num, int den, double seconds);

    // One frame's pixels, bgr24, top row first, rows packed.
    void DrawFrame(int index, uint8_t* pixels, int stride) const;
    // Raw bgr24 frames of the whole pattern, for the Linux-side checks.
    void WriteReference(const std::string& fileName) const;

    std::wstring FrameInputName(const char* type = "canvas") const;
    std::wstring WaveInputName() const;

    int FrameCount() const { return frameCount_; }
    int FramesRead() const { return framesRead_; }
    // Runs before each frame is drawn, with its index.
    std::function<void(int index)> OnFrame;

    TFrameInputAdapter Frames{nullptr};
    TWaveInputAdapter Wave{nullptr};

private:
    int width_, height_, num_, den_;
    int frameCount_;
    int64_t samples_;
    int framesRead_ = 0;
    int64_t samplesRead_ = 0;
};

// A task of Encoder reading Source's pattern and, with Wave, its tone; its index.
int AddPatternTask(TFFEncoder& encoder, const TPatternSource& source, bool wave = true);

}
