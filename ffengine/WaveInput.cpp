#include "WaveInput.h"

#include "SysUtils.h"
#include "Threads.h"

#include <vector>

namespace {

TLiveAdapters<TWaveInputAdapter>& LiveAdapters()
{
    static TLiveAdapters<TWaveInputAdapter> adapters;
    return adapters;
}

}

TWaveInputAdapter::TWaveInputAdapter(TComponent* owner) : TFFBaseComponent(owner)
{
    LiveAdapters().Add(this);
}

TWaveInputAdapter::~TWaveInputAdapter()
{
    LiveAdapters().Remove(this);
}

TWaveInputAdapter* TWaveInputAdapter::Find(int64_t address)
{
    return LiveAdapters().Find(address);
}

int TWaveInputReader::ReadHeader(const std::string& optionString)
{
    ReadClose();
    info_ = TInputWaveInfo();
    bool adapterGiven = false;
    for (const auto& [key, value] : SplitInputOptions(optionString)) {
        int64_t number = 0;
        bool isNumber = ParseDecimal(value, number) && number >= INT_MIN && number <= INT_MAX;
        if (key == "adapter" || key == "a") {
            adapterGiven = isNumber;
            info_.Adapter = isNumber ? TWaveInputAdapter::Find(number) : nullptr;
        } else if (key == "samplerate" || key == "r") {
            info_.SampleRate = isNumber ? static_cast<int>(number) : 44100;
        } else if (key == "channels" || key == "c") {
            info_.Channels = isNumber ? static_cast<int>(number) : 2;
        } else if (key == "sampleformat" || key == "f") {
            info_.BitsPerSample = isNumber ? static_cast<int>(number) : 16;
        }
    }
    if (!adapterGiven || !info_.Adapter) return InputError(AVERROR(EINVAL), "Invalid WaveInputAdapter\n");
    if (info_.SampleRate <= 0) return InputError(AVERROR(EINVAL), Format("Invalid sample rate %d\n", info_.SampleRate));
    if (info_.Channels <= 0 || info_.Channels > 64)
        return InputError(AVERROR(EINVAL), Format("Invalid channels number %d\n", info_.Channels));
    switch (info_.BitsPerSample) {
    case 8: info_.CodecID = AV_CODEC_ID_PCM_U8, info_.SampleFormat = AV_SAMPLE_FMT_U8; break;
    case 16: info_.CodecID = AV_CODEC_ID_PCM_S16LE, info_.SampleFormat = AV_SAMPLE_FMT_S16; break;
    case 24: info_.CodecID = AV_CODEC_ID_PCM_S24LE, info_.SampleFormat = AV_SAMPLE_FMT_S32; break;
    case 32: info_.CodecID = AV_CODEC_ID_PCM_S32LE, info_.SampleFormat = AV_SAMPLE_FMT_S32; break;
    default: return InputError(AVERROR(EINVAL), Format("Invalid sample format %d\n", info_.BitsPerSample));
    }
    info_.PacketSize = BlockAlign() * 1024;
    info_.Adapter->WaveInfo = &info_;
    open_ = true;
    if (info_.Adapter->OnReadHeader) info_.Adapter->OnReadHeader(info_.Adapter);
    return 0;
}

void TWaveInputReader::StoreSamples(AVFrame* frame, const uint8_t* data, int bytes) const
{
    if (info_.BitsPerSample != 24) {
        memcpy(frame->data[0], data, static_cast<size_t>(bytes));
        return;
    }
    auto* target = reinterpret_cast<int32_t*>(frame->data[0]);
    for (int i = 0; i + 2 < bytes; i += 3)
        *target++ = static_cast<int32_t>(uint32_t(data[i]) << 8 | uint32_t(data[i + 1]) << 16 |
                                         uint32_t(data[i + 2]) << 24);
}

int TWaveInputReader::ReadFrame(AVFrame* frame)
{
    if (!open_) return AVERROR_EOF;
    TWaveInputAdapter* adapter = info_.Adapter;
    if (TWaveInputAdapter::Find(reinterpret_cast<intptr_t>(adapter)) != adapter)
        return InputError(AVERROR(EINVAL), "Invalid WaveInputAdapter\n");
    info_.PacketCount += 1;
    info_.PTS = 1000000 / (info_.BitsPerSample / 8) * info_.TotalBytes / (int64_t(info_.SampleRate) * info_.Channels);
    std::vector<uint8_t> piece(static_cast<size_t>(info_.PacketSize));
    int result = adapter->OnReadWaveData ? adapter->OnReadWaveData(adapter, piece.data(), &info_) : -1;
    if (result < 0) {
        InputLog(AV_LOG_INFO, Format("reading wave data return %d\n", result));
        return result;
    }
    if (result > info_.PacketSize) {
        InputLog(AV_LOG_ERROR, Format("reading wave data return %d, more than %d\n", result, info_.PacketSize));
        result = info_.PacketSize;
    }
    int samples = result / BlockAlign();
    if (samples == 0) return AVERROR(EAGAIN);
    frame->format = info_.SampleFormat;
    frame->sample_rate = info_.SampleRate;
    frame->nb_samples = samples;
    ff::av_channel_layout_default(&frame->ch_layout, info_.Channels);
    int error = ff::av_frame_get_buffer(frame, 0);
    if (error < 0) return error;
    StoreSamples(frame, piece.data(), samples * BlockAlign());
    frame->pts = info_.PTS;
    info_.TotalBytes += samples * BlockAlign();
    return 0;
}

void TWaveInputReader::ReadClose()
{
    if (!open_) return;
    open_ = false;
    TWaveInputAdapter* adapter = TWaveInputAdapter::Find(reinterpret_cast<intptr_t>(info_.Adapter));
    if (!adapter) return;
    if (adapter->WaveInfo == &info_) adapter->WaveInfo = nullptr;
    if (adapter->OnReadClose) adapter->OnReadClose(adapter);
}

TProgramStreamInfo TWaveInputReader::StreamInfo() const
{
    TProgramStreamInfo info;
    info.Type = AVMEDIA_TYPE_AUDIO;
    info.SampleRate = info_.SampleRate;
    info.Channels = info_.Channels;
    info.SampleFormat = static_cast<AVSampleFormat>(info_.SampleFormat);
    return info;
}
