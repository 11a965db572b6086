#pragma once
// One stream of the output file: its encoder, what brings the input's
// pictures or sound to the encoder's format (a filter graph for video,
// swresample and a sample FIFO for audio), and the writing of its packets.
#include "AVCodecStubs.h"
#include "AVFilterStubs.h"
#include "AVFormatStubs.h"
#include "FFOptions.h"
#include "FFUtils.h"
#include "ProgramInput.h"
#include "SwResampleStubs.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// An encoder by name; "libxvid" and "libfaac", which the program's FFmpeg
// lacks, become "mpeg4" (tagged XVID) and "aac", each logged. Null when none.
const AVCodec* FindEncoderByName(const std::string& name, std::string& tag);

class TOutputStream {
public:
    TOutputStream(AVFormatContext* output, int inputIndex, const TProgramStreamInfo& input);
    ~TOutputStream();
    TOutputStream(const TOutputStream&) = delete;
    TOutputStream& operator=(const TOutputStream&) = delete;

    // Opens the encoder and adds the stream to the output; raises
    // FFmpegException with the reason.
    void OpenVideo(const TEngineOptions& options, const TOptionContext& context);
    void OpenAudio(const TEngineOptions& options, const TOptionContext& context);
    // Takes one input frame; null flushes the stream to its end.
    void SendFrame(AVFrame* frame);

    AVMediaType Type() const { return type_; }
    int InputIndex() const { return inputIndex_; }
    AVCodecContext* Encoder() const { return encoder_; }
    AVStream* Stream() const { return stream_; }
    // Frames encoded; the last packet's pts in microseconds.
    int64_t FrameNumber() const { return frameNumber_; }
    int64_t LastPts() const { return lastPts_; }
    int64_t Bytes() const { return bytes_; }
    // The quantiser of the last packet; -1 when unknown.
    double Quality() const { return quality_; }
    int64_t FramesIn() const { return framesIn_; }

private:
    void ConfigureVideoFilters(const TEngineOptions& options);
    // Options: the option context's for the kind; Extra: the encoder's own.
    void OpenEncoder(const AVCodec* codec, AVDictionary* options,
                     const std::vector<std::pair<std::string, std::string>>& extra);
    void FilterVideo(AVFrame* frame);
    void ResampleAudio(AVFrame* frame);
    // Inserts silence in front of a frame that comes later than the sound
    // so far reaches, when the sync method asks for it.
    void PadAudioGap(const AVFrame* frame);
    void EncodeFifo(bool flush);
    void Encode(AVFrame* frame);

    AVFormatContext* output_;
    int inputIndex_;
    TProgramStreamInfo input_;
    AVMediaType type_;
    AVCodecContext* encoder_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    AVFrame* work_ = nullptr;
    AVPacket* packet_ = nullptr;
    int audioSync_ = 0;
    int64_t inputSamples_ = 0;  // at the input's rate
    int64_t nextAudioPts_ = 0;
    int64_t frameNumber_ = 0;
    int64_t framesIn_ = 0;
    int64_t lastPts_ = AV_NOPTS_VALUE;
    int64_t lastInputPts_ = AV_NOPTS_VALUE;  // microseconds
    int64_t bytes_ = 0;
    double quality_ = -1;
    bool flushed_ = false;
};
