#pragma once
// An input file on disk: its first video stream and its first audio stream
// demuxed and decoded, handed to the engine as frames with times counted
// from the file's start.
#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "ProgramInput.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

using TBeforeStreamInfo = std::function<void(AVFormatContext* context)>;

class TFileInput : public TEngineInput {
public:
    TFileInput() = default;
    ~TFileInput() override { ReadClose(); }
    TFileInput(const TFileInput&) = delete;
    TFileInput& operator=(const TFileInput&) = delete;

    // Where to read from: the file's format (empty: found from the file),
    // the position to start at in microseconds from the file's start, and
    // the one program to keep (-1: any).
    struct TChoice {
        std::string Format;
        int64_t StartTime = AV_NOPTS_VALUE;
        int ProgramID = -1;
    };

    // Opens the file and its decoders: 0 or a negative FFmpeg code with
    // ErrorText. Before runs between the opening and the reading of the
    // streams' parameters. A failed seek is logged and reading starts at
    // the beginning.
    int Open(const std::wstring& fileName, const TChoice& choice, const TBeforeStreamInfo& before);
    const std::string& ErrorText() const { return errorText_; }

    std::vector<TProgramStreamInfo> Streams() const override;
    int ReadNextFrame(AVFrame* frame, int& stream) override;
    void ReadClose() override;
    int64_t Duration() const override;

private:
    struct TDecodedStream {
        int Index;  // in the file
        AVCodecContext* Decoder;
        TProgramStreamInfo Info;
    };

    int Fail(int code, const std::string& message);
    int KeepProgram(int programId);
    void SeekTo(const std::string& name, int64_t position);
    int OpenDecoder(AVMediaType type);
    // Decodes the next packet, or drains the decoders at the file's end,
    // into the queue; AVERROR_EOF once everything is out.
    int DecodeMore();
    void Receive(int stream);

    AVFormatContext* context_ = nullptr;
    std::vector<TDecodedStream> streams_;
    std::deque<std::pair<int, AVFrame*>> decoded_;
    AVPacket* packet_ = nullptr;
    int64_t startTime_ = 0;  // microseconds
    // Decoded frames before this time (from the key frame a seek lands on)
    // are dropped; it is 0 after a seek, as times count from there.
    int64_t firstKept_ = INT64_MIN;
    int relatedStream_ = -1;  // a stream of the kept program
    bool draining_ = false;
    std::string errorText_;
};
