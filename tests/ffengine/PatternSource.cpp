#include "PatternSource.h"

#include "MyUtils.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>

namespace tvmtest {

TPatternSource::TPatternSource(int width, int height, int num, int den, double seconds)
    : width_(width), height_(height), num_(num), den_(den),
      frameCount_(static_cast<int>(std::lround(seconds * num / den))), samples_(std::llround(seconds * 44100))
{
    Frames.TriggerEventInMainThread = false;
    Frames.OnReadFrameCanvas = [this](TObject*, TCanvas*, TInputFrameInfo* info) {
        if (framesRead_ >= frameCount_) return -1;
        if (OnFrame) OnFrame(framesRead_);
        // Rows of a bitmap are padded to 32 bits and may run either way.
        uint8_t* top = static_cast<uint8_t*>(info->Bitmap->ScanLine(0));
        int stride = static_cast<int>(static_cast<uint8_t*>(info->Bitmap->ScanLine(height_ > 1 ? 1 : 0)) - top);
        DrawFrame(framesRead_, top, stride);
        ++framesRead_;
        return 0;
    };
    Frames.OnReadFrameYUV = [this](TObject*, void* data, TInputFrameInfo*) {
        if (framesRead_ >= frameCount_) return -1;
        if (OnFrame) OnFrame(framesRead_);
        DrawFrame(framesRead_, static_cast<uint8_t*>(data), width_ * 3);
        ++framesRead_;
        return 0;
    };
    Wave.OnReadWaveData = [this](TObject*, void* data, TInputWaveInfo* info) {
        int64_t count = std::min<int64_t>(info->PacketSize / 4, samples_ - samplesRead_);
        if (count <= 0) return -1;
        auto* out = static_cast<int16_t*>(data);
        for (int64_t i = 0; i < count; ++i) {
            double t = double(samplesRead_ + i) / 44100;
            auto value = static_cast<int16_t>(std::lround(12000 * std::sin(2 * std::numbers::pi * 440 * t)));
            out[2 * i] = out[2 * i + 1] = value;
        }
        samplesRead_ += count;
        return static_cast<int>(count * 4);
    };
}

void TPatternSource::DrawFrame(int index, uint8_t* pixels, int stride) const
{
    if (!stride) return;
    constexpr double Tau = 2 * std::numbers::pi;
    for (int y = 0; y < height_; ++y) {
        uint8_t* p = pixels + int64_t(y) * stride;
        for (int x = 0; x < width_; ++x, p += 3) {
            p[0] = static_cast<uint8_t>(128 + 90 * std::sin(Tau * (x + 3 * index) / 80.0));
            p[1] = static_cast<uint8_t>(128 + 90 * std::sin(Tau * (y + 2 * index) / 60.0));
            p[2] = static_cast<uint8_t>(128 + 90 * std::sin(Tau * (x + y + 4 * index) / 100.0));
        }
    }
}

void TPatternSource::WriteReference(const std::string& fileName) const
{
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) return;
    std::vector<uint8_t> frame(size_t(width_) * height_ * 3);
    for (int i = 0; i < frameCount_; ++i) {
        DrawFrame(i, frame.data(), width_ * 3);
        std::fwrite(frame.data(), 1, frame.size(), file);
    }
    std::fclose(file);
}

std::wstring TPatternSource::FrameInputName(const char* type) const
{
    return AnsiToWide(Format("a=%d;r=%d/%d;s=%d*%d;bpp=24;t=%s;pf=bgr24", Frames.Address(), num_, den_, width_,
                             height_, type));
}

std::wstring TPatternSource::WaveInputName() const
{
    return AnsiToWide(Format("a=%d;r=44100;c=2;f=16", Wave.Address()));
}

int AddPatternTask(TFFEncoder& encoder, const TPatternSource& source, bool wave)
{
    TInputOptions frames;
    InitInputOptions(frames);
    frames.FileFormat = "frameinput";
    int task = encoder.AddTask(source.FrameInputName(), &frames);
    EXPECT_GE(task, 0) << encoder.LastErrorText();
    if (task < 0 || !wave) return task;
    TInputOptions tone;
    InitInputOptions(tone);
    tone.FileFormat = "waveinput";
    EXPECT_TRUE(encoder.AddInputFile(task, source.WaveInputName(), &tone)) << encoder.LastErrorText();
    return task;
}

}
