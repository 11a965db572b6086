#pragma once
// Reading the sound tags of a movie's timelines: the main timeline's into
// the movie, a sprite's into the sprite.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "SoundData.h"

namespace tvmplayer {

// Reads body when code is one of the sound tags (or names characters for
// StartSound2) and answers whether it was. frame is the index of the frame
// the tag belongs to; starts collects that frame's StartSound tags. A body
// too short raises SwfFormatError.
bool ReadSoundTag(uint16_t code, std::span<const uint8_t> body, size_t frame, MovieSounds& sounds,
                  std::vector<SoundStart>& starts);

// The same for the tags a sprite's own timeline may carry: the starts of
// its frames and its stream, whose blocks join stream at frame.
bool ReadTimelineSoundTag(uint16_t code, std::span<const uint8_t> body, size_t frame,
                          std::shared_ptr<SoundStream>& stream, std::vector<SoundStart>& starts);

// The 44,100 Hz samples that count samples at rate make.
uint64_t At44kHz(uint64_t count, uint32_t rate);

}
