#pragma once
// What shows on a timeline at its current frame: the objects placed at each
// depth, and for each sprite among them its own display list playing its own
// timeline. Built by applying the frames' PlaceObject and RemoveObject tags.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BlendModes.h"
#include "Dictionary.h"
#include "Filters.h"

namespace tvmplayer {

class DisplayList;

struct PlacedObject {
    uint16_t Id = 0;
    Matrix Transform;
    ColourTransform Colours;
    uint16_t Ratio = 0;
    uint16_t ClipDepth = 0;  // a mask for the depths above it up to this one
    std::string Name;
    // PlaceObject3's; a cached bitmap draws as the object itself.
    std::vector<Filter> Filters;
    BlendMode Blend = BlendMode::Normal;
    // A sprite's own timeline; null for other characters and for sprites
    // beyond the nesting limit.
    std::unique_ptr<DisplayList> Children;
};

// Sprites may place themselves; these bound what such a movie builds.
inline constexpr int MaxNesting = 24;
inline constexpr size_t MaxLiveSprites = 20000;
inline constexpr size_t MaxLiveObjects = 1u << 20;

// Counts the sprite timelines and the placed objects alive in one stage.
struct SpriteCount {
    size_t Live = 0;
    size_t Objects = 0;
};

class DisplayList {
public:
    using Frames = std::vector<const std::vector<DisplayTag>*>;

    DisplayList(const Dictionary& characters, Frames frames, int nesting, SpriteCount& count);
    ~DisplayList();
    DisplayList(const DisplayList&) = delete;
    DisplayList& operator=(const DisplayList&) = delete;

    // Shows frame (from 0, clamped to the last): on from the frame shown, or
    // afresh from the first when going back.
    void Goto(size_t frame);
    // A sprite's tick: its sprites move on, then it moves on a frame,
    // wrapping at its end.
    void Advance();
    // The sprites in this list move on; the list keeps its own frame.
    void AdvanceChildren();

    const std::map<uint16_t, PlacedObject>& Objects() const { return objects_; }
    // Whether some sprite in this list has frames to move through.
    bool Animated() const;
    size_t FrameCount() const { return frames_.size(); }

private:
    void Apply(const DisplayTag& tag);
    void Clear();
    void Place(uint16_t code, SwfReader& body);
    void SetCharacter(PlacedObject& object, uint16_t id);

    const Dictionary& characters_;
    Frames frames_;
    int nesting_;
    SpriteCount& count_;
    // The frame whose tags were applied last; none before the first.
    size_t shown_ = SIZE_MAX;
    std::map<uint16_t, PlacedObject> objects_;
};

// A sprite's display list at its first frame, or null when the limits say no.
std::unique_ptr<DisplayList> StartSprite(const Dictionary& characters, const Sprite& sprite, int nesting,
                                         SpriteCount& count);

}
