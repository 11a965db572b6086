#pragma once
// The converter's FFmpeg back end: one encoder task whose inputs the
// converter feeds itself, pictures from its frame queue through the frame
// input and sound from its PCM queue through the wave input. The engine
// runs inside the call; whenever an input finds its queue empty, the hook
// takes one capture step.
#include "FFEncode.h"
#include "FrameInput.h"
#include "WaveInput.h"
#include "kvnTavelomaticType.h"

#include <memory>
#include <string>

// The two inputs of the encoder task, each pulled by a loop of its own.
enum class TkvnFeedSide { Frames, Sound };

// What the back end needs of the converter: its run flags, one call of a
// side's capture loop, the frame queue, the PCM queue and its events.
class TkvnCaptureFeed {
public:
    virtual ~TkvnCaptureFeed() = default;
    virtual bool Running() const = 0;
    virtual bool Paused() const = 0;
    // One call of Side's capture loop; the sound side asks for PacketSize
    // bytes. Answers the call's clock, below 0 when the step kept nothing.
    virtual double CaptureStep(TkvnFeedSide side, int packetSize) = 0;
    virtual int FrameCount() const = 0;
    // The oldest queued frame; null when none.
    virtual TBitmap* OldestFrame() = 0;
    virtual void DeleteOldestFrame() = 0;
    // Whether the PCM queue holds any sound, and how many bytes.
    virtual bool PcmHasData() const = 0;
    // Takes up to Size bytes from the front of the queue; answers how many.
    virtual int ReadPcm(void* data, int size) = 0;
    virtual void Progress(int state) = 0;
    // Side's input has ended: its loop's command code becomes Code.
    virtual void SetCommand(TkvnFeedSide side, int code) = 0;
    // The movie's start (OnConvertingBegin included) and end (OnConvertingEnd).
    virtual void BeginMovie() = 0;
    virtual void EndMovie() = 0;
};

class TkvnFFmpegBackEnd {
public:
    // ProgramFolder: with its trailing "\"; FFmpeg is looked for in its
    // "libav" folder, then in it, then in the system's.
    TkvnFFmpegBackEnd(TkvnCaptureFeed& feed, const std::wstring& programFolder);

    // 1 when the encoder took the output and ran it, else 0 with
    // LastErrorText.
    int ConvertWithFFmpeg(const std::string& container, const std::string& videoCodec, const std::string& videoTag,
                          const std::string& audioCodec, const TkvnTavelomaticSettings& settings);
    int ReadFrameHook(TObject* sender, TCanvas* canvas, TInputFrameInfo* info);
    int ReadWaveHook(TObject* sender, void* data, TInputWaveInfo* info);
    // Name when FFmpeg has that encoder, else the nearest one it has (told
    // to the log): "aac" for "libfaac", "mpeg4" for "libxvid", "msmpeg4v2"
    // for "msmpeg4v1".
    static std::string EncoderFFmpegHas(const std::string& name);

    const std::string& LastErrorText() const { return lastErrorText_; }
    // The last run's end as the encoder told it.
    const TTerminateInfo& TerminateInfo() const { return terminateInfo_; }

private:
    bool LoadLibraries(TFFEncoder& encoder) const;
    static TOutputOptions OutputOptionsOf(const std::string& container, const std::string& videoCodec,
                                          const std::string& videoTag, const std::string& audioCodec,
                                          const TkvnTavelomaticSettings& settings);
    // Drains the queues once the run has stopped: -11 while the other
    // side still has data, -1 when both are empty.
    int EndOfInput(TkvnFeedSide side, bool otherSideHasData);

    TkvnCaptureFeed& feed_;
    std::wstring programFolder_;
    std::string lastErrorText_;
    TTerminateInfo terminateInfo_;
};
