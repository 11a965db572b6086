#pragma once
// One file a conversion writes: the container, and an encoder and a stream
// for the pictures and for the sound. A conversion split by size writes
// several of these one after the other.
#include <string>

#include "MclAudioQueue.h"
#include "MclConversion.h"
#include "MclFFmpeg.h"
#include "MclTarget.h"

struct MclVideoFormat {
    int Width = 0;
    int Height = 0;
    AVRational FrameRate{25, 1};
};

class MclOutputFile {
public:
    MclOutputFile() = default;
    // Closes the file when Close was not called, without the answer.
    ~MclOutputFile();
    MclOutputFile(const MclOutputFile&) = delete;
    MclOutputFile& operator=(const MclOutputFile&) = delete;

    // A file with a video stream when Video is given, and a sound stream
    // when Audio is true; MCL_OK or the result of the failure.
    int32_t Open(const std::string& fileName, const MclConversion& conversion, const MclTarget& target,
                 const MclVideoFormat* video, bool audio);
    // The format the audio encoder takes (for the conversion's sound queue).
    bool ConfigureQueue(MclAudioQueue& queue) const;
    // Encodes the picture as the next frame, scaled to the video's size.
    int32_t WriteVideo(const MclPicture& picture);
    // Encodes whole frames from the queue while this file's sound stays
    // within Limit sample frames; Final also encodes the rest up to Limit.
    int32_t WriteAudio(MclAudioQueue& queue, int64_t limit, bool final);
    // Flushes the encoders and finishes the file.
    int32_t Close();

    int64_t VideoFrames() const { return videoFrames_; }
    int64_t AudioSamples() const { return audioSamples_; }
    int64_t BytesWritten() const;
    bool HasVideo() const { return video_ != nullptr; }
    bool HasAudio() const { return audio_ != nullptr; }

private:
    int32_t OpenVideo(const MclConversion& c, const MclTarget& target, const MclVideoFormat& format);
    int32_t OpenAudio(const MclConversion& c, const MclTarget& target);
    AVStream* AddStream(AVCodecContext* codec);
    // Sends Frame (nullptr: the end) and writes every packet it gives.
    int32_t Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame);
    void Release();

    AVFormatContext* output_ = nullptr;
    bool headerWritten_ = false;
    CodecPtr video_;
    CodecPtr audio_;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    SwsContext* scale_ = nullptr;
    PacketPtr packet_;
    int64_t videoFrames_ = 0;
    int64_t audioSamples_ = 0;
};
