#pragma once
// The decoder component: opens an FLV or F4V source and tells its streams'
// layout and its video stream's codec, size, frame rate and duration.
#include "AVFormatStubs.h"
#include "FFBaseComponent.h"
#include "FFLog.h"

#include <cstdint>
#include <functional>
#include <string>

// What a video stream is; every number -1 until known.
struct TVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1;  // in the stream's time base
    int64_t StartTimeUs = -1;
    // The stream's own, else its file's; 0 when neither is known.
    int64_t Duration = -1;  // in the stream's time base
    int64_t DurationUs = -1;
    int BitRate = -1;
    int Height = -1;
    int Width = -1;
    float DisplayAspectRatio = -1.0f;  // 0 without a pixel aspect ratio or height
    int PixelFormat = -1;
    int FrameRateNum = -1;
    int FrameRateDen = -1;
};

using TBeforeFindStreamInfoEvent = std::function<void(TObject* sender, AVFormatContext* context)>;

class TCustomDecoder : public TFFBaseComponent {
public:
    explicit TCustomDecoder(TComponent* owner);
    ~TCustomDecoder() override;

    std::string ClassName() const override { return "TCustomDecoder"; }

    // Runs before the streams are read, on the GUI thread when
    // TriggerEventInMainThread.
    bool TriggerEventInMainThread = true;
    TBeforeFindStreamInfoEvent OnBeforeFindStreamInfo;

    // Adopts a context opened elsewhere; the decoder never frees it.
    virtual void SetFormatContext(AVFormatContext* context);
    // Forgets the open file, freeing a context of its own.
    virtual void CloseFile();

    AVFormatContext* FormatContext() const { return formatContext_; }
    const std::string& LastErrorMessage() const { return lastErrorMessage_; }
    // The format name the file was opened with; empty when detected.
    const std::string& FileFormat() const { return fileFormat_; }
    // The stream values are -1 while no file is open.
    int64_t FileSize() const { return fileSize_; }
    int StreamCount() const { return streamCount_; }
    int ProgramCount() const { return programCount_; }
    int AudioStreamCount() const { return audioStreamCount_; }
    int VideoStreamCount() const { return videoStreamCount_; }
    int SubtitleStreamCount() const { return subtitleStreamCount_; }
    int FirstAudioStream() const { return firstAudioStream_; }
    int FirstVideoStream() const { return firstVideoStream_; }
    int FirstSubtitleStream() const { return firstSubtitleStream_; }

protected:
    // Reads the open file's sizes and streams.
    virtual void ScanStreams();
    // Raises Exception "LibAVCodec not loaded." (and so on for avformat,
    // avutil and swscale) unless the decoder's libraries are loaded.
    void CheckLibraries() const;
    // Keeps Message as the last error and logs it at Level.
    void Fail(TLogLevel level, const std::string& message);

    AVFormatContext* formatContext_ = nullptr;
    bool ownsContext_ = false;
    std::string lastErrorMessage_;
    std::string fileFormat_;

private:
    int64_t fileSize_ = -1;
    int streamCount_ = -1;
    int programCount_ = -1;
    int audioStreamCount_ = -1;
    int videoStreamCount_ = -1;
    int subtitleStreamCount_ = -1;
    int firstAudioStream_ = -1;
    int firstVideoStream_ = -1;
    int firstSubtitleStream_ = -1;
};

class TFFDecoder : public TCustomDecoder {
public:
    explicit TFFDecoder(TComponent* owner) : TCustomDecoder(owner) {}

    std::string ClassName() const override { return "TFFDecoder"; }

    // Loads the decoder's libraries from Folder (see TFFLoader).
    bool LoadLibraries(const std::wstring& folder);
    // Opens the file, as Format when given, and reads its streams.
    bool LoadFile(const std::wstring& fileName, const std::string& format = "");
    // StreamIndex -1: the first video stream. A failure leaves Info at -1.
    TVideoStreamInfo GetVideoStreamInfo(int streamIndex = -1);

    // The first video stream, else the first audio stream; -1 without either.
    int DefaultStream() const { return defaultStream_; }
    // Its start time in its time base (the file's without one); 0 when unknown.
    int64_t DefaultStartTime() const { return defaultStartTime_; }

protected:
    void ScanStreams() override;

private:
    int defaultStream_ = -1;
    int64_t defaultStartTime_ = 0;
};
