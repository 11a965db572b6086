#pragma once
// Which back end writes a task, and how the working copy of its settings is
// prepared for it: by target format, video codec index and audio codec index.
#include <string>

#include "kvnTavelomaticType.h"

enum TkvnBackEndKind { bkNone, bkFFmpeg, bkMcl, bkAnimatedGif, bkImageSequence };

struct TkvnBackEndChoice {
    TkvnBackEndKind Kind = bkNone;
    // For the FFmpeg back end; empty where the engine decides.
    std::string Container, VideoCodec, VideoTag, AudioCodec;
};

// The audio encoder named for a target format (0 AVI to 9 3G2) and audio
// codec index; empty for formats that name none.
std::string AudioCodecNameFor(TkvnTargetFileFormat format, int audioCodec);

// Chooses the back end and prepares Settings for it: bit-rate limits off,
// the presets of the video-disc formats, the target file's extension. A
// format code above 11 chooses nothing.
TkvnBackEndChoice ChooseBackEnd(TkvnTavelomaticSettings& settings);
