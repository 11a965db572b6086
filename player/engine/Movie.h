#pragma once
// A movie as its file describes it: the stage, the rate, the background and
// the frames of its main timeline with their labels and actions.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "SoundData.h"

namespace tvmplayer {

// 0xAARRGGBB, not premultiplied.
using Colour = uint32_t;

// A PlaceObject or RemoveObject tag, applied when its frame is reached.
struct DisplayTag {
    uint16_t Code = 0;
    std::vector<uint8_t> Body;
};

class Dictionary;

struct Frame {
    std::vector<std::string> Labels;
    std::vector<DisplayTag> Display;
    // The bodies of the frame's DoAction tags, run when the frame is reached.
    std::vector<std::vector<uint8_t>> Actions;
    std::vector<SoundStart> Sounds;
    // The actions of its DoInitAction tags, run once before the frame's own.
    std::vector<std::vector<uint8_t>> InitActions;
};

struct Movie {
    uint8_t Version = 0;
    // The length of the whole file as its header gives it.
    uint32_t FileLength = 0;
    // Movies whose code is for the newer virtual machine: their timeline
    // plays, their code is not run.
    bool ActionScript3 = false;
    // The stage rectangle in twips (1/20 pixel).
    int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    // Frames per second in 8.8 fixed point.
    uint16_t Rate = 0;
    // The frames the tags fill, up to the last ShowFrame.
    std::vector<Frame> Frames;
    // At least the count the header declares, unless the header overstates
    // the file's length; frames past Frames are empty.
    size_t FrameCount = 0;
    // The first SetBackgroundColor; the stage is white until one comes.
    Colour Background = 0xFFFFFFFF;
    MovieSounds Sounds;
    // The characters the movie names for scripts to attach, by name.
    std::map<std::string, uint16_t> Exports;
    // What the movie defines; never null in a parsed movie.
    std::shared_ptr<const Dictionary> Characters;

    int StageWidth() const;   // pixels
    int StageHeight() const;  // pixels
    // The frame interval in milliseconds; a rate of 0 runs as fast as the
    // player steps it, which the caller treats as one frame per tick.
    double FrameMilliseconds() const;
    // The index of the first frame that carries label, compared without
    // regard to case as the player does.
    std::optional<size_t> FindLabel(const std::string& label) const;
};

// The first frame that carries label, compared without regard to case.
std::optional<size_t> FindLabel(std::span<const Frame> frames, const std::string& label);

// The largest body a movie may unpack to.
inline constexpr size_t MaxMovieBytes = 256u << 20;

// Parses a whole SWF file (FWS, CWS or ZWS). Answers nothing for a file that
// is damaged, truncated or not a movie at all; never reads outside the bytes.
std::optional<Movie> ParseMovie(std::span<const uint8_t> file);

}
