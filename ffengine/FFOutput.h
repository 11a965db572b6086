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
#include <functional>
#include <string>
#include <utility>
#include <vector>

// An encoder by name; "libxvid" and "libfaac", which the program's FFmpeg
// lacks, become "mpeg4" (tagged XVID) and "aac", each logged. Null when none.
const AVCodec* FindEncoderByName(const std::string& name, std::string& tag);

// Runs on each picture just before it is encoded: its number (from 1) and
// time in microseconds; the picture may be changed in place.
using TEncodeFrameHook = std::function<void(AVFrame* picture, int frameNumber, int64_t pts)>;

class TOutputStream {
public:
    // Fed by stream SourceStream of input SourceFile.
    TOutputStream(AVFormatContext* output, int sourceFile, int sourceStream, const TProgramStreamInfo& input);
    ~TOutputStream();
    TOutputStream(const TOutputStream&) = delete;
    TOutputStream& operator=(const TOutputStream&) = delete;

    // Opens the encoder and adds the stream to the output; raises
    // FFmpegException with the reason.
    void OpenVideo(const TEngineOptions& options, const TOptionContext& context);
    void OpenAudio(const TEngineOptions& options, const TOptionContext& context);
    // Takes one input frame; null flushes the stream to its end.
    void SendFrame(AVFrame* frame);
    // The stream goes on with another input's stream (one input after
    // another in one output); a different picture or sound layout is taken
    // from here on.
    void ChangeSource(int sourceFile, int sourceStream, const TProgramStreamInfo& input);

    AVMediaType Type() const { return type_; }
    int SourceFile() const { return sourceFile_; }
    int SourceStream() const { return sourceStream_; }
    // Flushed: it takes no more frames.
    bool Finished() const { return flushed_; }
    TEncodeFrameHook OnEncodeFrame;
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
    void ConfigureVideoFilters();
    // Passes the graph's pictures on to the encoder; with Close, every one
    // the graph still holds, EndEncoder telling whether the encoder ends too.
    void DrainFilters(bool close, bool endEncoder);
    void CreateResampler();
    // Options: the option context's for the kind; Extra: the encoder's own.
    void OpenEncoder(const AVCodec* codec, AVDictionary* options,
                     const std::vector<std::pair<std::string, std::string>>& extra);
    void FilterVideo(AVFrame* frame);
    // Null drains the resampler; Flush ends the encoder too.
    void ResampleAudio(AVFrame* frame, bool flush);
    // Inserts silence in front of a frame that comes later than the sound
    // so far reaches, when the sync method asks for it.
    void PadAudioGap(const AVFrame* frame);
    void EncodeFifo(bool flush);
    void Encode(AVFrame* frame);

    AVFormatContext* output_;
    TEngineOptions options_;
    int sourceFile_, sourceStream_;
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
