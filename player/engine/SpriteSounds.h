#pragma once
// The sounds of the sprites on a stage. A sprite's frame starts its sounds
// when the sprite reaches it, again each time the sprite loops back to it;
// its stream sound plays while the sprite plays on, and falls silent when
// the sprite stops or leaves the stage.
#include <cstdint>
#include <unordered_map>

#include "DisplayList.h"
#include "MovieSound.h"

namespace tvmplayer {

class SpriteSounds {
public:
    explicit SpriteSounds(MovieSound& sound) : sound_(sound) {}

    // The sound hears of the frames the sprites below stage have reached
    // since the last call.
    void Hear(DisplayList& stage, const MovieSounds& sounds);
    // The movie's sound has stopped: every sprite met from now on is new.
    void Reset() { heard_.clear(); }

private:
    void HearBelow(DisplayList& list, const MovieSounds& sounds, std::unordered_map<uint64_t, size_t>& heard);

    MovieSound& sound_;
    // By the lists' serials, the frame each sprite's sound last heard of.
    std::unordered_map<uint64_t, size_t> heard_;
};

}
