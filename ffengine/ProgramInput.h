#pragma once
// What the engine reads from an input: decoded pictures or PCM, one AVFrame
// at a time, with times in microseconds; either fed by the program itself,
// one stream per input, or decoded from a file.
#include "AVUtilStubs.h"
#include "Threads.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

// The time base of every program-fed stream.
constexpr AVRational MicrosecondBase = {1, 1000000};

// What one stream of an opened input delivers.
struct TProgramStreamInfo {
    AVMediaType Type = AVMEDIA_TYPE_UNKNOWN;
    int Width = 0, Height = 0;
    AVPixelFormat PixelFormat = AV_PIX_FMT_NONE;
    AVRational FrameRate = {0, 1};
    int SampleRate = 0, Channels = 0;
    AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
};

class TEngineInput {
public:
    virtual ~TEngineInput() = default;
    // Valid once the input is open.
    virtual std::vector<TProgramStreamInfo> Streams() const = 0;
    // 0 with Frame filled (pts in microseconds from the input's start) and
    // Stream its index in Streams; AVERROR(EAGAIN) when nothing is there
    // yet; another negative code at the input's end.
    virtual int ReadNextFrame(AVFrame* frame, int& stream) = 0;
    virtual void ReadClose() = 0;
    // Microseconds; 0 when unknown.
    virtual int64_t Duration() const { return 0; }
};

// An input of one stream that the program feeds.
class TProgramInput : public TEngineInput {
public:
    // "frameinput" or "waveinput".
    virtual const char* FormatName() const = 0;
    virtual AVMediaType MediaType() const = 0;
    // Parses the option string and prepares the input: 0 or a negative
    // FFmpeg error code, its reason logged.
    virtual int ReadHeader(const std::string& optionString) = 0;
    // 0 with Frame filled (pts in microseconds); AVERROR(EAGAIN) when the
    // program has nothing yet; another negative code at the input's end.
    virtual int ReadFrame(AVFrame* frame) = 0;
    // Valid after a successful ReadHeader.
    virtual TProgramStreamInfo StreamInfo() const = 0;

    std::vector<TProgramStreamInfo> Streams() const override { return {StreamInfo()}; }
    int ReadNextFrame(AVFrame* frame, int& stream) override
    {
        stream = 0;
        return ReadFrame(frame);
    }
};

// The adapters alive: an address read from an option string is taken only
// when it names one of them.
template <typename TAdapter>
class TLiveAdapters {
public:
    void Add(TAdapter* adapter)
    {
        TCriticalSectionGuard guard(lock_);
        adapters_.insert(adapter);
    }
    void Remove(TAdapter* adapter)
    {
        TCriticalSectionGuard guard(lock_);
        adapters_.erase(adapter);
    }
    TAdapter* Find(int64_t address)
    {
        TCriticalSectionGuard guard(lock_);
        for (TAdapter* adapter : adapters_)
            if (reinterpret_cast<intptr_t>(adapter) == address) return adapter;
        return nullptr;
    }

private:
    TCriticalSection lock_;
    std::set<TAdapter*> adapters_;
};

// The items of an option string "key=value;key=value": keys lower-cased, an
// item without "=" a key with an empty value, empty items skipped.
std::vector<std::pair<std::string, std::string>> SplitInputOptions(const std::string& optionString);
// A whole decimal number, sign allowed; False for anything else.
bool ParseDecimal(const std::string& text, int64_t& value);
// True for the formats the program feeds itself.
bool IsProgramFedFormat(const std::string& name);
// A new input of the named program-fed format, or null.
TProgramInput* NewProgramInput(const std::string& name);
// Logs one line through FFmpeg's logging, as the input formats did.
void InputLog(int level, const std::string& message);
// Logs Message as an error and answers Code.
int InputError(int code, const std::string& message);
