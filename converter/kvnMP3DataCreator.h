#pragma once
// MP3 data for the side audio file, chunk by chunk: each answer holds only
// whole frames, the last one of a chunk being held back for the next answer
// (LAME may still change it).
#include <cstdint>

#include "Lame_Enc_Ex.h"
#include "Streams.h"

class TkvnMP3DataCreator : public TObject {
public:
    TkvnMP3DataCreator(uint32_t sampleRate, uint32_t bitrate, int channelMode);

    uint32_t InitResult() const { return lame_.InitResult(); }
    // LAME's result of the last encoding; 0 when it went well.
    uint32_t LastResult() const { return lastResult_; }

    // The MP3 data for PCM, or nullptr when there is none. The stream is the
    // creator's and holds until the next call. Info is the start time (ms)
    // of the frame held back, 0 when the data could not be cut into frames.
    TMemoryStream* EncodeChunk(TMemoryStream& pcm, double& info);
    // The frame held back and every frame LAME still holds, once, at the end.
    TMemoryStream* Finish();

private:
    TLameStream lame_;
    uint32_t lastResult_ = 0;
    TMemoryStream output_;
    TMemoryStream carry_;
};
