#include "FFmpegMediaSources.h"

#include <windows.h>

#include <deque>
#include <set>

#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "FFmpegLibraries.h"
#include "FFmpegSoundDecoders.h"
#include "FFmpegVideoDecoders.h"

namespace {

using tvmplayer::MediaPiece;

// The scripts name files in the system's code page, as paths or "file:"
// addresses; FFmpeg's file protocol wants UTF-8.
std::string FileName(std::string name)
{
    for (const char* prefix : {"file:///", "file://"})
        if (name.rfind(prefix, 0) == 0) {
            name.erase(0, std::char_traits<char>::length(prefix));
            break;
        }
    int wide = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
    std::wstring text(static_cast<size_t>(wide > 0 ? wide : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, text.data(), wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(narrow > 0 ? narrow : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), narrow, nullptr, nullptr);
    utf8.resize(utf8.find('\0'));
    return utf8;
}

class FFmpegMediaSource final : public tvmplayer::MediaSource {
public:
    ~FFmpegMediaSource() override
    {
        ff::av_packet_free(&packet_);
        ff::avformat_close_input(&format_);
    }

    bool Open(const std::string& name)
    {
        if (ff::avformat_open_input(&format_, FileName(name).c_str(), nullptr, nullptr) < 0
            || ff::avformat_find_stream_info(format_, nullptr) < 0)
            return false;
        video_ = ff::av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        sound_ = ff::av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        packet_ = ff::av_packet_alloc();
        if (!packet_ || (video_ < 0 && sound_ < 0))
            return false;
        if (format_->start_time != AV_NOPTS_VALUE)
            start_ = static_cast<double>(format_->start_time) / AV_TIME_BASE;
        if (format_->duration > 0)
            duration_ = static_cast<double>(format_->duration) / AV_TIME_BASE;
        int64_t size = format_->pb ? ff::avio_size(format_->pb) : -1;
        size_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        OpenDecoders();
        return true;
    }

    double Duration() const override { return duration_; }
    uint64_t Size() const override { return size_; }
    bool HasSound() const override { return soundDecoder_ != nullptr; }

    std::optional<MediaPiece> Next() override
    {
        while (ready_.empty() && !ended_) Read();
        if (ready_.empty())
            return std::nullopt;
        MediaPiece piece = std::move(ready_.front());
        ready_.pop_front();
        return piece;
    }

    bool Seek(double seconds) override
    {
        auto target = static_cast<int64_t>((seconds + start_) * AV_TIME_BASE);
        bool sought = ff::av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) >= 0;
        // The decoders forget what came before: new ones start at the key frame.
        OpenDecoders();
        ready_.clear();
        pending_.clear();
        ended_ = false;
        return sought;
    }

private:
    void OpenDecoders()
    {
        if (video_ >= 0)
            videoDecoder_ = CreateVideoDecoder(*format_->streams[video_]->codecpar);
        if (sound_ >= 0)
            soundDecoder_ = CreateSoundDecoder(*format_->streams[sound_]->codecpar);
    }

    double Seconds(const AVPacket& packet) const
    {
        int64_t stamp = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
        if (stamp == AV_NOPTS_VALUE)
            return 0;
        return std::max(0.0, static_cast<double>(stamp) * av_q2d(format_->streams[packet.stream_index]->time_base) - start_);
    }

    void Read()
    {
        if (ff::av_read_frame(format_, packet_) < 0) {
            ended_ = true;
            // The last pictures of a codec that reorders them come only now.
            if (videoDecoder_)
                for (tvmplayer::Bitmap& picture : videoDecoder_->Finish())
                    ShowNext(std::move(picture));
            if (soundDecoder_) {
                MediaPiece piece;
                piece.Time = lastSound_;
                soundDecoder_->Finish(piece.Samples);
                if (!piece.Samples.empty())
                    ready_.push_back(std::move(piece));
            }
            return;
        }
        std::span<const uint8_t> data(packet_->data, static_cast<size_t>(packet_->size));
        double time = Seconds(*packet_);
        if (packet_->stream_index == video_ && videoDecoder_) {
            // Pictures come out in the order they show, which with
            // bidirectional prediction is not the packets' order.
            pending_.insert(time);
            if (std::optional<tvmplayer::Bitmap> picture = videoDecoder_->Decode(data, packet_->flags & AV_PKT_FLAG_KEY))
                ShowNext(std::move(*picture));
        } else if (packet_->stream_index == sound_ && soundDecoder_) {
            MediaPiece piece;
            piece.Time = lastSound_ = time;
            soundDecoder_->Decode(data, piece.Samples);
            if (!piece.Samples.empty())
                ready_.push_back(std::move(piece));
        }
        ff::av_packet_unref(packet_);
    }

    // A picture the decoder completed: it takes the earliest time still waiting.
    void ShowNext(tvmplayer::Bitmap picture)
    {
        if (pending_.empty())
            return;
        MediaPiece piece;
        piece.Time = *pending_.begin();
        pending_.erase(pending_.begin());
        piece.Picture = std::move(picture);
        ready_.push_back(std::move(piece));
    }

    AVFormatContext* format_ = nullptr;
    AVPacket* packet_ = nullptr;
    int video_ = -1, sound_ = -1;
    std::unique_ptr<tvmplayer::VideoDecoder> videoDecoder_;
    std::unique_ptr<tvmplayer::SoundDecoder> soundDecoder_;
    double start_ = 0, duration_ = 0, lastSound_ = 0;
    uint64_t size_ = 0;
    bool ended_ = false;
    std::multiset<double> pending_;
    std::deque<MediaPiece> ready_;
};

}

std::unique_ptr<tvmplayer::MediaSource> FFmpegMediaSources::Open(const std::string& name)
{
    if (!LoadFFmpegLibraries())
        return nullptr;
    auto source = std::make_unique<FFmpegMediaSource>();
    if (!source->Open(name)) {
        OutputDebugStringA(("player: cannot play " + name + "\n").c_str());
        return nullptr;
    }
    return source;
}
