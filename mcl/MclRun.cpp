#include "MclRun.h"

#include <cmath>
#include <limits>
#include <memory>

#include "MclOutputFile.h"

namespace {

// After the video has ended, how long a sound source that only skips is
// waited for before its sound counts as ended.
constexpr int TrailingSkipLimitMs = 2000;
// Room kept below the splitting size for the next picture and what rides
// with it, besides twice the average picture.
constexpr int64_t SplitReserve = 256 * 1024;

class ConversionRun {
public:
    ConversionRun(MclHandle m, MclConversion& c, const MclTarget& target) : m_(m), c_(c), target_(target) {}
    ~ConversionRun() { Pictures().Remove(callbackPicture_); }

    int32_t Execute();

private:
    // Calls the source and answers what it said.
    MclSourceAnswer::Kind Ask(MclSourceProc source);
    // Tells the error callback; true when the run stops. Fatal errors always
    // stop it, the others when the callback answers action 4.
    bool Stops(int32_t error, bool fatal);
    std::string PartFileName() const;
    int32_t OpenPart();
    int32_t TakePicture();
    int32_t WriteFrame(const MclPicture& picture);
    int32_t SplitIfFull();
    // Pulls sound while it lags the video (to the end once the video ended).
    int32_t PullAudio(bool videoEnded);
    int32_t TakeSound();
    // What the current part's sound may reach: the video's length when sound
    // follows it, else everything.
    int64_t AudioLimit() const;
    int32_t ClosePart();

    MclHandle m_;
    MclConversion& c_;
    MclTarget target_;
    std::unique_ptr<MclOutputFile> output_;
    MclAudioQueue queue_;
    int part_ = 0;
    double frameRate_ = 25.0;
    AVRational frameRational_{25, 1};
    MclVideoFormat videoFormat_;
    double sourceTime_ = 0.0;
    double sourceRate_ = 0.0;
    int64_t framesWritten_ = 0;          // all parts
    int64_t framesBeforePart_ = 0;
    int64_t audioBeforePart_ = 0;        // sample frames in earlier parts
    int64_t audioReceived_ = 0;          // sample frames queued so far
    bool audioEnded_ = false;
    MclImage callbackPicture_ = 0;
    bool reported_ = false;  // the error callback has heard of the failure
};

MclSourceAnswer::Kind ConversionRun::Ask(MclSourceProc source)
{
    c_.Answer = MclSourceAnswer{};
    source(m_);
    return c_.Answer.What;
}

bool ConversionRun::Stops(int32_t error, bool fatal)
{
    reported_ = true;
    int32_t action = 0;
    if (c_.Error) c_.Error(m_, error, &action);
    return fatal || action == 4;
}

std::string ConversionRun::PartFileName() const
{
    const std::string& name = c_.VideoFileName.empty() ? c_.AudioFileName : c_.VideoFileName;
    if (part_ <= 1) return name;
    size_t dot = name.find_last_of(".\\/:");
    size_t cut = dot != std::string::npos && name[dot] == '.' ? dot : name.size();
    return name.substr(0, cut) + "_" + std::to_string(part_) + name.substr(cut);
}

int32_t ConversionRun::OpenPart()
{
    ++part_;
    framesBeforePart_ = framesWritten_;
    output_ = std::make_unique<MclOutputFile>();
    bool withVideo = c_.VideoSource != nullptr;
    int32_t result = output_->Open(PartFileName(), c_, target_, withVideo ? &videoFormat_ : nullptr,
                                   c_.AudioSource != nullptr);
    if (!result && part_ == 1 && output_->HasAudio() && !output_->ConfigureQueue(queue_)) result = MCL_ERR_ENCODER;
    return result;
}

int32_t ConversionRun::ClosePart()
{
    if (!output_) return MCL_OK;
    int32_t result = output_->WriteAudio(queue_, AudioLimit(), true);
    audioBeforePart_ += output_->AudioSamples();
    int32_t closed = output_->Close();
    output_.reset();
    return result ? result : closed;
}

int64_t ConversionRun::AudioLimit() const
{
    if (!c_.VideoSource || !c_.TruncateAudioToVideo || !output_) return std::numeric_limits<int64_t>::max();
    double seconds = static_cast<double>(framesWritten_) / frameRate_;
    return std::llround(seconds * queue_.Rate()) - audioBeforePart_;
}

int32_t ConversionRun::SplitIfFull()
{
    int64_t frames = framesWritten_ - framesBeforePart_;
    if (c_.SplittingSize <= 0 || frames == 0) return MCL_OK;
    int64_t bytes = output_->BytesWritten();
    if (bytes + 2 * (bytes / frames) + SplitReserve < static_cast<int64_t>(c_.SplittingSize)) return MCL_OK;
    if (int32_t result = ClosePart()) return result;
    return OpenPart();
}

int32_t ConversionRun::WriteFrame(const MclPicture& picture)
{
    if (!output_) {
        videoFormat_.Width = c_.Width > 0 ? c_.Width : picture.Width;
        videoFormat_.Height = c_.Height > 0 ? c_.Height : picture.Height;
        videoFormat_.FrameRate = frameRational_;
        if (int32_t result = OpenPart()) return result;
    } else if (int32_t result = SplitIfFull()) {
        return result;
    }
    if (int32_t result = output_->WriteVideo(picture)) return result;
    ++framesWritten_;
    if (c_.Progress) c_.Progress(m_, static_cast<double>(framesWritten_) / frameRate_);
    return MCL_OK;
}

int32_t ConversionRun::TakePicture()
{
    MclSourceAnswer& answer = c_.Answer;
    if (answer.FrameRate > 0) sourceRate_ = answer.FrameRate;
    double rate = sourceRate_ > 0 ? sourceRate_ : frameRate_;
    sourceTime_ += 1.0 / rate;
    // Keeping the duration repeats or drops pictures to the output's rate;
    // otherwise every picture is one frame.
    int64_t wanted = c_.KeepDuration ? std::llround(sourceTime_ * frameRate_) : framesWritten_ + 1;
    if (wanted <= framesWritten_) return MCL_OK;
    *PictureFromHandle(callbackPicture_) = std::move(answer.Picture);
    if (c_.VideoFunc) c_.VideoFunc(m_, callbackPicture_);
    // Looked up again: the callback may have freed the handle it was lent.
    MclPicture* shown = PictureFromHandle(callbackPicture_);
    if (!shown) return MCL_ERR_INVALID_HANDLE;
    while (framesWritten_ < wanted)
        if (int32_t result = WriteFrame(*shown)) return result;
    return MCL_OK;
}

int32_t ConversionRun::TakeSound()
{
    MclSourceAnswer& answer = c_.Answer;
    int64_t before = queue_.Available();
    if (answer.What == MclSourceAnswer::Kind::File) {
        if (!queue_.AddFile(answer.FileName) && Stops(MCL_ERR_FILE, false)) return MCL_ERR_FILE;
    } else {
        if (c_.AudioFunc) c_.AudioFunc(m_, answer.Samples.data(), answer.SampleFrames);
        AVChannelLayout layout{};
        ff::av_channel_layout_default(&layout, answer.Channels);
        const uint8_t* planes[1] = {answer.Samples.data()};
        bool added = queue_.Add(planes, answer.SampleFrames, answer.SampleRate, layout,
                                answer.Bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16);
        ff::av_channel_layout_uninit(&layout);
        if (!added) return MCL_ERR_ENCODING;
    }
    audioReceived_ += queue_.Available() - before;
    return MCL_OK;
}

int32_t ConversionRun::PullAudio(bool videoEnded)
{
    if (!c_.AudioSource || audioEnded_ || (!output_ && c_.VideoSource)) return MCL_OK;
    int skippedMs = 0;
    while (!audioEnded_) {
        int64_t videoSamples = std::llround(static_cast<double>(framesWritten_) / frameRate_ * queue_.Rate());
        bool behindVideo = audioReceived_ < videoSamples;
        if (c_.VideoSource && !behindVideo && (!videoEnded || c_.TruncateAudioToVideo)) break;
        switch (Ask(c_.AudioSource)) {
        case MclSourceAnswer::Kind::Samples:
        case MclSourceAnswer::Kind::File:
            if (int32_t result = TakeSound()) return result;
            skippedMs = 0;
            break;
        case MclSourceAnswer::Kind::Skip:
            if (c_.VideoSource && !videoEnded) return output_->WriteAudio(queue_, AudioLimit(), false);
            if (c_.VideoSource && ++skippedMs > TrailingSkipLimitMs) audioEnded_ = true;
            Sleep(1);
            break;
        default: audioEnded_ = true; break;
        }
        if (!c_.VideoSource && c_.Progress) c_.Progress(m_, static_cast<double>(audioReceived_) / queue_.Rate());
        if (int32_t result = output_->WriteAudio(queue_, AudioLimit(), false)) return result;
    }
    return output_->WriteAudio(queue_, AudioLimit(), false);
}

int32_t ConversionRun::Execute()
{
    frameRate_ = c_.FrameRate > 0 ? c_.FrameRate : 25.0;
    frameRational_ = ff::av_d2q(frameRate_, 65535);
    frameRate_ = av_q2d(frameRational_);
    callbackPicture_ = Pictures().Add(std::make_unique<MclPicture>());
    int32_t result = MCL_OK;
    if (!c_.VideoSource) result = OpenPart();
    for (bool videoEnded = !c_.VideoSource; !result && !videoEnded;) {
        switch (Ask(c_.VideoSource)) {
        case MclSourceAnswer::Kind::Picture: result = TakePicture(); break;
        case MclSourceAnswer::Kind::Skip: Sleep(1); break;
        default: videoEnded = true; break;
        }
        if (!result) result = PullAudio(false);
    }
    if (!result && !output_) result = MCL_ERR_NO_SOURCE;
    if (!result) result = PullAudio(true);
    int32_t closed = ClosePart();
    if (!result) result = closed;
    if (result && !reported_) Stops(result, true);
    return result;
}

}

int32_t RunConversion(MclHandle m, MclConversion& conversion)
{
    if (!conversion.VideoSource && !conversion.AudioSource) return MCL_ERR_NO_SOURCE;
    if (conversion.VideoFileName.empty() && conversion.AudioFileName.empty()) return MCL_ERR_INVALID_ARGUMENT;
    if (conversion.Converting) return MCL_ERR_INVALID_ARGUMENT;
    MclTarget target;
    if (!ChooseTarget(conversion, target)) return MCL_ERR_NOT_SUPPORTED;
    if (!LoadMclFFmpeg()) return MCL_ERR_LIBRARIES;
    conversion.Converting = true;
    ConversionRun run(m, conversion, target);
    int32_t result = run.Execute();
    conversion.Converting = false;
    return result;
}
