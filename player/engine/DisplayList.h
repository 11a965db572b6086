#pragma once
// What shows on a timeline at its current frame: the objects placed at each
// depth, and for each sprite among them its own display list playing its own
// timeline. Built by applying the frames' PlaceObject and RemoveObject tags,
// and changed by the scripts, which make, move and remove clips of their own.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "BlendModes.h"
#include "Dictionary.h"
#include "Filters.h"
#include "Timeline.h"

namespace tvmplayer {

class DisplayList;
class ScriptObject;
struct PlacedObject;

// Ties a sprite on the stage to the object scripts know it by. Either side
// may go first: the one left sees null.
struct ClipLink {
    PlacedObject* Object = nullptr;
    ScriptObject* Script = nullptr;
    // The clip whose list holds this one; none for the root.
    std::weak_ptr<ClipLink> Parent;
};

// The movie a script loaded that a clip's frames come from: the nearest one
// loaded into it or a clip above it; none for the main movie's clips.
std::shared_ptr<const Movie> LoadedSource(const ClipLink& link);

// An onClipEvent handler of a placement: the events it answers, by the
// bits of the placement's clip event flags.
struct ClipAction {
    uint32_t Events = 0;
    std::vector<uint8_t> Code;
};
enum ClipEvent : uint32_t { ClipLoad = 0x01, ClipEnterFrame = 0x02, ClipUnload = 0x04, ClipData = 0x100 };

struct Box {
    double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
};

struct PlacedObject {
    PlacedObject() = default;
    ~PlacedObject();
    PlacedObject(const PlacedObject&) = delete;
    PlacedObject& operator=(const PlacedObject&) = delete;

    uint16_t Id = 0;
    // Whether Id names a character: 0 is an id movies use (ffmpeg's video
    // is 0), and clips that scripts make have none.
    bool HasCharacter = false;
    // The key it has in its list.
    int32_t Depth = 0;
    Matrix Transform;
    ColourTransform Colours;
    uint16_t Ratio = 0;
    uint16_t ClipDepth = 0;  // a mask for the depths above it up to this one
    std::string Name;
    // PlaceObject3's; a cached bitmap draws as the object itself.
    std::vector<Filter> Filters;
    BlendMode Blend = BlendMode::Normal;
    bool Visible = true;
    // The clip a script made its mask, and whether it is one: a mask
    // shows only as the coverage of what it masks.
    std::weak_ptr<ClipLink> Mask;
    bool IsMask = false;
    // The part of it a script shows, its top left at the object's origin.
    std::optional<Box> ScrollRect;
    // Once a script has moved it, the timeline no longer does; the scale
    // and rotation it was given are kept as given.
    bool Scripted = false;
    double XScale = 100, YScale = 100, Rotation = 0;
    // The movie a script loaded into it, which its children show; before
    // them, as they point into it.
    std::shared_ptr<const Movie> Loaded;
    // A sprite's own timeline; null for other characters and for sprites
    // beyond the nesting limit. Clips that scripts make have one too.
    std::unique_ptr<DisplayList> Children;
    // What the scripts drew into it, below its children.
    std::shared_ptr<ShapeRecords> Drawing;
    // A bitmap a script attached, which it may go on drawing into.
    std::shared_ptr<Bitmap> Image;
    // A text field a script made, which holds its own text.
    std::shared_ptr<EditText> Field;
    std::shared_ptr<const std::vector<ClipAction>> ClipActions;
    // Sprites and the text fields scripts made.
    std::shared_ptr<ClipLink> Link;
};

// Sprites may place themselves; these bound what such a movie builds.
inline constexpr int MaxNesting = 24;
inline constexpr size_t MaxLiveSprites = 20000;
inline constexpr size_t MaxLiveObjects = 1u << 20;
// Scripts number depths from 0 for what the timeline numbers 16384.
inline constexpr int32_t ScriptDepthBase = 16384;
// The deepest a script may place a clip, in its numbering.
inline constexpr int32_t MaxScriptDepth = 2130690045;

// What a clip's scripts have to run since they last ran: a frame's actions
// or a clip event.
struct StageEvent {
    std::shared_ptr<ClipLink> Clip;
    size_t Frame = 0;
    // 0 for the frame's actions.
    uint32_t Event = 0;
    std::shared_ptr<const std::vector<ClipAction>> Actions;
};

// What one stage shares: the counts that bound it and the events its lists
// raise for the scripts.
struct SpriteCount {
    size_t Live = 0;
    size_t Objects = 0;
    // Where events go; none where nothing runs scripts.
    std::vector<StageEvent>* Events = nullptr;
    // The movie's version, which decides how clip events are read.
    uint8_t Version = 0;
    // Set while a list is built again: what it raises then is not news.
    bool Quiet = false;
    // Lists made so far, which number them.
    uint64_t Instances = 0;
};

class DisplayList {
public:
    using ObjectMap = std::map<int32_t, PlacedObject>;

    // Frames are those the tags fill; of the frameCount frames, any past them
    // are empty.
    DisplayList(const Dictionary& characters, std::span<const Frame> frames, size_t frameCount, int nesting,
                SpriteCount& count, std::shared_ptr<ClipLink> owner = {}, std::shared_ptr<const SoundStream> stream = {});
    ~DisplayList();
    DisplayList(const DisplayList&) = delete;
    DisplayList& operator=(const DisplayList&) = delete;

    // Shows frame (from 0, clamped to the last): on from the frame shown, or
    // afresh from the first when going back, keeping the objects that stay.
    void Goto(size_t frame);
    // A sprite's tick: its sprites move on, then it moves on a frame by its
    // timeline.
    void Advance();
    // The sprites in this list move on; the list keeps its own frame.
    void AdvanceChildren();
    // Shows the frames the timelines of this list and its sprites were sent
    // to since.
    void Sync();

    const std::map<int32_t, PlacedObject>& Objects() const { return objects_; }
    // Whether some sprite in this list has frames to move through.
    bool Animated() const;
    size_t FrameCount() const { return frameCount_; }
    std::span<const Frame> FrameData() const { return frames_; }
    // The frame whose tags were applied last; none before the first.
    std::optional<size_t> Shown() const
    {
        return shown_ == SIZE_MAX ? std::nullopt : std::optional<size_t>(shown_);
    }
    // The stream sound its frames carry; null when they carry none.
    const std::shared_ptr<const SoundStream>& Stream() const { return stream_; }
    // Unique among the lists of its stage, never used again.
    uint64_t Serial() const { return serial_; }
    // The play head; the root's is the player's own.
    Timeline& Frames() { return *timeline_; }
    void UseTimeline(Timeline& timeline) { timeline_ = &timeline; }
    int Nesting() const { return nesting_; }
    const Dictionary& Characters() const { return characters_; }

    // object shows a loaded movie's main timeline (frames, which the caller
    // keeps) from its first frame, in place of what it showed; its load is
    // news. Answers false when the limits leave it empty.
    static bool Replace(PlacedObject& object, const Dictionary& characters, std::span<const Frame> frames,
                        int nesting, SpriteCount& count);

    // The sprite named so, compared without case when asked.
    PlacedObject* FindNamed(const std::string& name, bool caseless);
    PlacedObject* At(int32_t depth);
    // A clip a script makes at depth (the list's numbering): an empty one
    // for id 0, else the sprite id stands for, at its first frame. Replaces
    // what was there; null when the limits say no.
    PlacedObject* AddClip(uint16_t id, int32_t depth, const std::string& name);
    // A text field a script makes at depth, of box (twips, at the origin).
    PlacedObject* AddField(int32_t depth, const std::string& name, const Box& box);
    PlacedObject* AddBitmap(int32_t depth, std::shared_ptr<Bitmap> image);
    // A copy of source's placement at depth, its timeline from the start.
    PlacedObject* Duplicate(const PlacedObject& source, int32_t depth, const std::string& name);
    void Remove(int32_t depth);
    // Exchanges what two depths hold; either may be empty.
    void Swap(int32_t depth, int32_t other);

private:
    void Apply(const DisplayTag& tag);
    void Erase(ObjectMap::iterator at);
    // An unload handler of an object leaving is news.
    void Unloaded(const PlacedObject& object);
    PlacedObject* MakeClip(uint16_t id, int32_t depth, const std::string& name);
    void Rebuild(size_t frame);
    void Place(uint16_t code, SwfReader& body);
    PlacedObject& Fresh(int32_t depth);
    void SetCharacter(PlacedObject& object, uint16_t id);
    // The news of an object just placed: its first frame's actions, its
    // sprites' and its load event.
    void Started(PlacedObject& object);
    void Entered(size_t frame);
    void ApplyFrame(size_t frame);

    const Dictionary& characters_;
    std::span<const Frame> frames_;
    size_t frameCount_;
    int nesting_;
    SpriteCount& count_;
    std::shared_ptr<ClipLink> owner_;
    std::shared_ptr<const SoundStream> stream_;
    uint64_t serial_;
    Timeline own_;
    Timeline* timeline_ = &own_;
    // The frame whose tags were applied last; none before the first.
    size_t shown_ = SIZE_MAX;
    ObjectMap objects_;
};

// A sprite's display list at its first frame, or null when the limits say no.
std::unique_ptr<DisplayList> StartSprite(const Dictionary& characters, std::span<const Frame> frames, int nesting,
                                         SpriteCount& count, std::shared_ptr<ClipLink> owner = {},
                                         std::shared_ptr<const SoundStream> stream = {});

// The links of the sprites below list, parents before children, at most max.
void CollectLinks(const DisplayList& list, std::vector<std::shared_ptr<ClipLink>>& links, size_t max);

// What an object covers in its parent's space, in twips; none when it
// draws nothing.
std::optional<Box> ObjectBounds(const Dictionary& characters, const PlacedObject& object);
// What box covers once matrix moved it.
Box Transformed(const Box& box, const Matrix& matrix);
// The same in the object's own space.
std::optional<Box> ContentBounds(const Dictionary& characters, const PlacedObject& object);
// From the space of what link's object holds to the stage's, in twips;
// own: with the object's own matrix, else only those of the clips it is in.
Matrix StageMatrix(const ClipLink& link, bool own = true);

// The clip event handlers of a PlaceObject2/3 body at its actions.
std::vector<ClipAction> ReadClipActions(SwfReader& body, uint8_t version);

}
