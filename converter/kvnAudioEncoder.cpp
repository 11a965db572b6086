#include "kvnAudioEncoder.h"

#include <algorithm>
#include <cstring>

#include "Exceptions.h"
#include "SysUtils.h"

namespace {

constexpr uint32_t SampleRate = 44100;
constexpr uint16_t Channels = 2;
constexpr uint16_t BitsPerSample = 16;
constexpr int StereoSelector = 2;
constexpr int WaveHeaderSize = 44;

void Put16(uint8_t* at, uint16_t value)
{
    std::memcpy(at, &value, 2);
}

void Put32(uint8_t* at, uint32_t value)
{
    std::memcpy(at, &value, 4);
}

void WriteWaveHeader(TStream& file)
{
    uint8_t header[WaveHeaderSize] = {};
    std::memcpy(header, "RIFF", 4);
    std::memcpy(header + 8, "WAVE", 4);
    std::memcpy(header + 12, "fmt ", 4);
    Put32(header + 16, 16);
    Put16(header + 20, 1);
    Put16(header + 22, Channels);
    Put32(header + 24, SampleRate);
    Put32(header + 28, Channels * BitsPerSample / 8 * SampleRate);
    Put16(header + 32, Channels * BitsPerSample / 8);
    Put16(header + 34, BitsPerSample);
    std::memcpy(header + 36, "data", 4);
    file.WriteBuffer(header, WaveHeaderSize);
}

}

TkvnAudioEncoder::TkvnAudioEncoder(const std::string& fileName, int bitrate)
{
    const std::string extension = AnsiLowerCase(ExtractFileExt(fileName));
    if (extension.empty()) return;
    if (extension == ".mp3") {
        creator_ = std::make_unique<TkvnMP3DataCreator>(SampleRate, static_cast<uint32_t>(std::max(bitrate, 0)), StereoSelector);
        if (creator_->InitResult() != 0)
            throw Exception("The MP3 encoder (lame_enc.dll) could not start: error " + std::to_string(creator_->InitResult()));
        mode_ = ModeMP3;
        fileName_ = ChangeFileExt(fileName, ".mp3");
        file_ = std::make_unique<TFileStream>(fileName_, fmCreate);
    } else {
        mode_ = ModeWAV;
        fileName_ = ChangeFileExt(fileName, ".wav");
        file_ = std::make_unique<TFileStream>(fileName_, fmCreate);
        WriteWaveHeader(*file_);
    }
}

TkvnAudioEncoder::~TkvnAudioEncoder()
{
    try {
        Close();
    } catch (const std::exception&) {
        // A destructor cannot report: whatever reached the file stays.
    }
}

void TkvnAudioEncoder::Close()
{
    if (!file_) return;
    if (mode_ == ModeMP3) WriteData(creator_->Finish());
    if (mode_ == ModeWAV) CompleteWaveHeader();
    file_.reset();
}

TStream* TkvnAudioEncoder::EncodeChunk(TMemoryStream& pcm, double& info)
{
    info = 0;
    return creator_ ? creator_->EncodeChunk(pcm, info) : nullptr;
}

int TkvnAudioEncoder::WriteData(TStream* data)
{
    if (!file_ || !data || data->GetSize() == 0) return 0;
    file_->Seek(0, soFromEnd);
    file_->CopyFrom(*data, 0);
    return 1;
}

void TkvnAudioEncoder::CompleteWaveHeader()
{
    // The RIFF sizes are 32 bits: a longer file keeps the largest they hold.
    const int64_t size = file_->GetSize();
    auto clamp = [](int64_t value) { return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, UINT32_MAX)); };
    uint8_t field[4];
    Put32(field, clamp(size - 8));
    file_->SetPosition(4);
    file_->WriteBuffer(field, 4);
    Put32(field, clamp(size - WaveHeaderSize));
    file_->SetPosition(40);
    file_->WriteBuffer(field, 4);
}
