#include "kvnMP3DataCreator.h"

#include "kvnMP3StreamReader.h"

TkvnMP3DataCreator::TkvnMP3DataCreator(uint32_t sampleRate, uint32_t bitrate, int channelMode)
    : lame_(sampleRate, bitrate, channelMode)
{
}

TMemoryStream* TkvnMP3DataCreator::EncodeChunk(TMemoryStream& pcm, double& info)
{
    info = 0;
    if (pcm.GetSize() == 0) return nullptr;
    output_.Clear();
    // The held-back frame moves into this answer; the carry empties so it
    // can never be written twice, whatever the scan below finds.
    output_.CopyFrom(carry_, 0);
    carry_.Clear();
    lastResult_ = lame_.Encode(pcm.Memory(), static_cast<size_t>(pcm.GetSize()), output_);
    if (output_.GetSize() == 0) return nullptr;

    TkvnMP3StreamReader reader(output_);
    const auto& frames = reader.Frames();
    if (reader.Scanned() && !frames.empty()) {
        if (auto last = reader.GetFrameData(static_cast<int>(frames.size()) - 1)) {
            carry_.CopyFrom(*last, 0);
            output_.SetSize(output_.GetSize() - last->GetSize());
            info = frames.back().StartTime;
        }
    }
    output_.SetPosition(0);
    return &output_;
}

TMemoryStream* TkvnMP3DataCreator::Finish()
{
    output_.Clear();
    output_.CopyFrom(carry_, 0);
    carry_.Clear();
    lastResult_ = lame_.Flush(output_);
    output_.SetPosition(0);
    return output_.GetSize() ? &output_ : nullptr;
}
