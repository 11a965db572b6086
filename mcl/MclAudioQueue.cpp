#include "MclAudioQueue.h"

#include <algorithm>
#include <cstring>

MclAudioQueue::~MclAudioQueue()
{
    ff::av_channel_layout_uninit(&layout_);
    ff::av_channel_layout_uninit(&sourceLayout_);
}

bool MclAudioQueue::SetTarget(AVSampleFormat format, int rate, const AVChannelLayout& layout)
{
    if (ff::av_channel_layout_copy(&layout_, &layout) < 0) return false;
    format_ = format;
    rate_ = rate;
    bool planar = format >= AV_SAMPLE_FMT_U8P && format <= AV_SAMPLE_FMT_DBLP;
    planeCount_ = planar ? layout.nb_channels : 1;
    bytesPerFrame_ = ff::av_get_bytes_per_sample(format) * (planar ? 1 : layout.nb_channels);
    planes_.assign(planeCount_, {});
    available_ = 0;
    start_ = 0;
    resample_.reset();
    return bytesPerFrame_ > 0;
}

bool MclAudioQueue::Add(const uint8_t* const* planes, int frames, int rate, const AVChannelLayout& layout,
                        AVSampleFormat format)
{
    if (frames <= 0) return frames == 0;
    if (!resample_ || rate != sourceRate_ || format != sourceFormat_ ||
        layout.nb_channels != sourceLayout_.nb_channels) {
        SwrContext* made = nullptr;
        // FFmpeg 5.1 takes the layouts without const and only reads them.
        if (ff::swr_alloc_set_opts2(&made, &layout_, format_, rate_, const_cast<AVChannelLayout*>(&layout), format,
                                    rate, 0, nullptr) < 0 ||
            ff::swr_init(made) < 0) {
            ff::swr_free(&made);
            return false;
        }
        resample_.reset(made);
        sourceRate_ = rate;
        sourceFormat_ = format;
        if (ff::av_channel_layout_copy(&sourceLayout_, &layout) < 0) return false;
    }
    int room = static_cast<int>(int64_t{frames} * rate_ / rate + 256);
    std::vector<uint8_t*> out(planeCount_);
    for (int p = 0; p < planeCount_; ++p) {
        planes_[p].resize(static_cast<size_t>(start_ + available_ + room) * bytesPerFrame_);
        out[p] = planes_[p].data() + (start_ + available_) * bytesPerFrame_;
    }
    int made = ff::swr_convert(resample_.get(), out.data(), room, const_cast<const uint8_t**>(planes), frames);
    if (made < 0) return false;
    available_ += made;
    for (auto& plane : planes_) plane.resize(static_cast<size_t>(start_ + available_) * bytesPerFrame_);
    return true;
}

bool MclAudioQueue::AddFile(const std::string& fileName)
{
    InputPtr input = OpenInputFile(fileName);
    int stream = -1;
    CodecPtr codec = input ? OpenBestDecoder(input.get(), AVMEDIA_TYPE_AUDIO, stream) : nullptr;
    if (!codec) return false;
    bool added = true;
    bool decoded = DecodeFrames(input.get(), codec.get(), stream, [&](const AVFrame& frame) {
        added = Add(frame.extended_data, frame.nb_samples, frame.sample_rate, frame.ch_layout,
                    static_cast<AVSampleFormat>(frame.format));
        return added;
    });
    return decoded && added;
}

FramePtr MclAudioQueue::Take(int count, int size)
{
    count = static_cast<int>(std::min<int64_t>(count, available_));
    FramePtr frame(ff::av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = format_;
    frame->sample_rate = rate_;
    frame->nb_samples = std::max(count, size);
    if (ff::av_channel_layout_copy(&frame->ch_layout, &layout_) < 0 || ff::av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    size_t taken = static_cast<size_t>(count) * bytesPerFrame_;
    size_t whole = static_cast<size_t>(frame->nb_samples) * bytesPerFrame_;
    for (int p = 0; p < planeCount_; ++p) {
        // Unsigned 8-bit silence is the middle value, every other format's is 0.
        bool unsigned8 = format_ == AV_SAMPLE_FMT_U8 || format_ == AV_SAMPLE_FMT_U8P;
        std::memcpy(frame->extended_data[p], planes_[p].data() + start_ * bytesPerFrame_, taken);
        // Unsigned 8-bit silence is the middle value, every other format's is 0.
        std::memset(frame->extended_data[p] + taken, unsigned8 ? 0x80 : 0, whole - taken);
    }
    available_ -= count;
    start_ += count;
    // Taken sound is dropped once it outweighs what waits, so a long queue
    // is not moved frame by frame.
    if (start_ > available_) {
        for (auto& plane : planes_)
            plane.erase(plane.begin(), plane.begin() + static_cast<ptrdiff_t>(start_ * bytesPerFrame_));
        start_ = 0;
    }
    return frame;
}

void MclAudioQueue::Clear()
{
    for (auto& plane : planes_) plane.clear();
    available_ = 0;
    start_ = 0;
}
