#pragma once
// The "waveinput" input ("Wave input"): the program hands the engine PCM
// through a TWaveInputAdapter's event, named by an option string
// "a=<adapter address>;r=<rate>;c=<channels>;f=<bits>"; an address that is
// no live adapter is refused.
#include "AVCodecStubs.h"
#include "FFBaseComponent.h"
#include "ProgramInput.h"

#include <cstdint>
#include <functional>

class TWaveInputAdapter;

struct TInputWaveInfo {
    int64_t PTS = 0;  // of the piece being read, in microseconds
    int PacketCount = 0;
    int PacketSize = 0;  // bytes asked for: 1024 sample frames
    int64_t TotalBytes = 0;  // delivered before the current piece
    int SampleRate = 44100;
    int BitsPerSample = 16;
    int Channels = 2;
    int CodecID = AV_CODEC_ID_NONE;
    int SampleFormat = AV_SAMPLE_FMT_S16;
    TWaveInputAdapter* Adapter = nullptr;
};

// Writes at most PacketSize bytes at Data and answers how many; negative:
// AVERROR(EAGAIN) for nothing yet, anything else for the end.
using TReadWaveDataEvent = std::function<int(TObject* sender, void* data, TInputWaveInfo* info)>;

class TWaveInputAdapter : public TFFBaseComponent {
public:
    explicit TWaveInputAdapter(TComponent* owner);
    ~TWaveInputAdapter() override;

    std::string ClassName() const override { return "TWaveInputAdapter"; }

    int64_t Address() const { return reinterpret_cast<intptr_t>(this); }
    static TWaveInputAdapter* Find(int64_t address);

    TInputWaveInfo* WaveInfo = nullptr;  // of the open input
    TNotifyEvent OnReadHeader;
    TNotifyEvent OnReadClose;
    TReadWaveDataEvent OnReadWaveData;
};

class TWaveInputReader : public TProgramInput {
public:
    ~TWaveInputReader() override { ReadClose(); }
    const char* FormatName() const override { return "waveinput"; }
    AVMediaType MediaType() const override { return AVMEDIA_TYPE_AUDIO; }
    int ReadHeader(const std::string& optionString) override;
    // A piece of 0 bytes answers AVERROR(EAGAIN): no empty frame goes on.
    int ReadFrame(AVFrame* frame) override;
    void ReadClose() override;
    TProgramStreamInfo StreamInfo() const override;

    const TInputWaveInfo& Info() const { return info_; }
    int BlockAlign() const { return info_.BitsPerSample / 8 * info_.Channels; }

private:
    // The PCM bytes of the sample format: 24-bit sound is widened to 32.
    void StoreSamples(AVFrame* frame, const uint8_t* data, int bytes) const;

    TInputWaveInfo info_;
    bool open_ = false;
};
