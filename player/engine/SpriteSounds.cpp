#include "SpriteSounds.h"

namespace tvmplayer {

void SpriteSounds::Hear(DisplayList& stage, const MovieSounds& sounds)
{
    std::unordered_map<uint64_t, size_t> heard;
    HearBelow(stage, sounds, heard);
    for (const auto& [clip, frame] : heard_)
        if (!heard.contains(clip))
            sound_.StopClipStream(clip);
    heard_ = std::move(heard);
}

void SpriteSounds::HearBelow(DisplayList& list, const MovieSounds& sounds, std::unordered_map<uint64_t, size_t>& heard)
{
    for (const auto& [depth, object] : list.Objects()) {
        DisplayList* sprite = object.Children.get();
        if (!sprite)
            continue;
        if (std::optional<size_t> frame = sprite->Shown()) {
            uint64_t clip = sprite->Serial();
            auto before = heard_.find(clip);
            if (before == heard_.end() || before->second != *frame) {
                bool sequential = before != heard_.end() && *frame == before->second + 1;
                sound_.EnterClipFrame(clip, sprite->FrameData(), sprite->Stream(), sounds, *frame, sequential);
            }
            // A stop at the last frame lets the last block be heard.
            if (!sprite->Frames().Playing() && *frame + 1 < sprite->FrameCount())
                sound_.StopClipStream(clip);
            heard[clip] = *frame;
        }
        HearBelow(*sprite, sounds, heard);
    }
}

}
