#pragma once
// The movie's sound as a file of its own beside the video: MP3 through LAME
// for an ".mp3" target, else a PCM WAV file; none without an extension.
// Takes 44,100 Hz, 2-channel, 16-bit PCM.
#include <cstdint>
#include <memory>
#include <string>

#include "Streams.h"
#include "kvnMP3DataCreator.h"

class TkvnAudioEncoder : public TObject {
public:
    static constexpr int ModeNone = -1;
    static constexpr int ModeMP3 = 0;
    static constexpr int ModeWAV = 1;

    // Raises when the file cannot be made or, for MP3, LAME cannot start.
    TkvnAudioEncoder(const std::string& fileName, int bitrate);
    // Closes the file if Close did not; a failure then goes unreported.
    ~TkvnAudioEncoder() override;
    TkvnAudioEncoder(const TkvnAudioEncoder&) = delete;
    TkvnAudioEncoder& operator=(const TkvnAudioEncoder&) = delete;

    int Mode() const { return mode_; }
    // The file written, "" in mode -1.
    const std::string& FileName() const { return fileName_; }

    // MP3 data for one chunk of PCM (nullptr when none, or not in MP3 mode);
    // the stream is valid until the next call.
    TStream* EncodeChunk(TMemoryStream& pcm, double& info);
    // Writes all of Data to the file: 0 for no data, else 1. Raises when the
    // file cannot take it (a full disk).
    int WriteData(TStream* data);
    // Writes what the MP3 encoder still holds, or completes the WAV header,
    // and closes the file. Raises when the file cannot take it.
    void Close();

private:
    void CompleteWaveHeader();

    int mode_ = ModeNone;
    std::string fileName_;
    std::unique_ptr<TkvnMP3DataCreator> creator_;
    std::unique_ptr<TFileStream> file_;
};
