#include "DisplayList.h"

namespace tvmplayer {
namespace {

enum : uint16_t {
    TagPlaceObject = 4,
    TagRemoveObject = 5,
    TagPlaceObject2 = 26,
    TagRemoveObject2 = 28,
    TagPlaceObject3 = 70,
};

enum PlaceFlags : uint8_t {
    PlaceMove = 0x01,
    PlaceCharacter = 0x02,
    PlaceMatrix = 0x04,
    PlaceColours = 0x08,
    PlaceRatio = 0x10,
    PlaceName = 0x20,
    PlaceClipDepth = 0x40,
};

enum PlaceFlags3 : uint8_t {
    PlaceFilters = 0x01,
    PlaceBlendMode = 0x02,
    PlaceClassName = 0x08,
    PlaceImage = 0x10,
};

}

std::unique_ptr<DisplayList> StartSprite(const Dictionary& characters, const Sprite& sprite, int nesting,
                                         SpriteCount& count)
{
    if (nesting > MaxNesting || count.Live >= MaxLiveSprites)
        return nullptr;
    DisplayList::Frames frames;
    for (const std::vector<DisplayTag>& frame : sprite.Frames) frames.push_back(&frame);
    auto list = std::make_unique<DisplayList>(characters, std::move(frames), nesting, count);
    list->Goto(0);
    return list;
}

DisplayList::DisplayList(const Dictionary& characters, Frames frames, int nesting, SpriteCount& count)
    : characters_(characters), frames_(std::move(frames)), nesting_(nesting), count_(count)
{
    ++count_.Live;
}

DisplayList::~DisplayList()
{
    Clear();
    --count_.Live;
}

void DisplayList::Clear()
{
    count_.Objects -= objects_.size();
    objects_.clear();
}

void DisplayList::Goto(size_t frame)
{
    if (frames_.empty())
        return;
    frame = std::min(frame, frames_.size() - 1);
    if (shown_ != SIZE_MAX && frame < shown_) {
        Clear();
        shown_ = SIZE_MAX;
    }
    while (shown_ != frame) {
        shown_ = shown_ == SIZE_MAX ? 0 : shown_ + 1;
        for (const DisplayTag& tag : *frames_[shown_]) Apply(tag);
    }
}

void DisplayList::Advance()
{
    AdvanceChildren();
    if (frames_.size() > 1)
        Goto(shown_ + 1 < frames_.size() ? shown_ + 1 : 0);
}

void DisplayList::AdvanceChildren()
{
    for (auto& [depth, object] : objects_)
        if (object.Children)
            object.Children->Advance();
}

bool DisplayList::Animated() const
{
    for (const auto& [depth, object] : objects_)
        if (object.Children && (object.Children->FrameCount() > 1 || object.Children->Animated()))
            return true;
    return false;
}

void DisplayList::Apply(const DisplayTag& tag)
{
    SwfReader body(tag.Body);
    size_t before = objects_.size();
    try {
        switch (tag.Code) {
        case TagRemoveObject:
            body.U16();  // the character id: the depth alone decides
            objects_.erase(body.U16());
            break;
        case TagRemoveObject2:
            objects_.erase(body.U16());
            break;
        default:
            Place(tag.Code, body);
            break;
        }
    } catch (const SwfFormatError&) {
        // A placement cut short keeps what it set before its end.
    }
    count_.Objects = count_.Objects + objects_.size() - before;
}

void DisplayList::SetCharacter(PlacedObject& object, uint16_t id)
{
    object.Id = id;
    object.Children.reset();
    // Only the main timeline meets definitions as it goes.
    const Character* character = characters_.Find(id, nesting_ == 0 ? shown_ : SIZE_MAX);
    if (const Sprite* sprite = character ? std::get_if<Sprite>(character) : nullptr)
        object.Children = StartSprite(characters_, *sprite, nesting_ + 1, count_);
}

void DisplayList::Place(uint16_t code, SwfReader& body)
{
    if (code == TagPlaceObject) {
        uint16_t id = body.U16();
        uint16_t depth = body.U16();
        if (!objects_.count(depth) && count_.Objects >= MaxLiveObjects)
            return;
        PlacedObject& object = objects_[depth];
        object = PlacedObject();
        SetCharacter(object, id);
        object.Transform = ReadMatrix(body);
        if (body.Remaining() > 0)
            object.Colours = ReadColourTransform(body, false);
        return;
    }
    uint8_t flags = body.U8();
    uint8_t flags3 = code == TagPlaceObject3 ? body.U8() : 0;
    uint16_t depth = body.U16();
    if ((flags3 & PlaceClassName) || ((flags3 & PlaceImage) && (flags & PlaceCharacter)))
        body.String();
    auto existing = objects_.find(depth);
    if (existing == objects_.end() && count_.Objects >= MaxLiveObjects)
        return;
    PlacedObject* object = nullptr;
    if (flags & PlaceCharacter) {
        uint16_t id = body.U16();
        if (!(flags & PlaceMove) || existing == objects_.end()) {
            object = &objects_[depth];
            *object = PlacedObject();
            SetCharacter(*object, id);
        } else {
            object = &existing->second;
            if (object->Id != id)
                SetCharacter(*object, id);
        }
    } else if ((flags & PlaceMove) && existing != objects_.end()) {
        object = &existing->second;
    } else {
        return;
    }
    if (flags & PlaceMatrix)
        object->Transform = ReadMatrix(body);
    if (flags & PlaceColours)
        object->Colours = ReadColourTransform(body, true);
    if (flags & PlaceRatio)
        object->Ratio = body.U16();
    if (flags & PlaceName)
        object->Name = body.String();
    if (flags & PlaceClipDepth)
        object->ClipDepth = body.U16();
    if (flags3 & PlaceFilters)
        object->Filters = ReadFilters(body);
    if (flags3 & PlaceBlendMode)
        object->Blend = ToBlendMode(body.U8());
}

}
