#include "DisplayList.h"

#include <algorithm>
#include <cctype>

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
    PlaceClipActions = 0x80,
};

enum PlaceFlags3 : uint8_t {
    PlaceFilters = 0x01,
    PlaceBlendMode = 0x02,
    PlaceClassName = 0x08,
    PlaceCacheAsBitmap = 0x04,
    PlaceImage = 0x10,
    PlaceVisible = 0x20,
    PlaceBackground = 0x40,
};

constexpr uint32_t ClipKeyPress = 0x20000;

// What a placement sets, carried over to an object that stays where it was.
void TakePlacement(PlacedObject& to, const PlacedObject& from)
{
    if (!to.Scripted) {
        to.Transform = from.Transform;
        to.Colours = from.Colours;
    }
    to.Ratio = from.Ratio;
    to.ClipDepth = from.ClipDepth;
    to.Filters = from.Filters;
    to.Blend = from.Blend;
}

void Cover(std::optional<Box>& box, Point p)
{
    if (!box) {
        box = Box{p.X, p.Y, p.X, p.Y};
        return;
    }
    box->XMin = std::min(box->XMin, p.X), box->XMax = std::max(box->XMax, p.X);
    box->YMin = std::min(box->YMin, p.Y), box->YMax = std::max(box->YMax, p.Y);
}

void CoverRectangle(std::optional<Box>& box, double x0, double y0, double x1, double y1, const Matrix& matrix)
{
    for (Point p : {Point{x0, y0}, Point{x1, y0}, Point{x1, y1}, Point{x0, y1}}) Cover(box, matrix.Apply(p));
}

void CoverEdges(std::optional<Box>& box, const ShapeRecords& records, const Matrix& matrix)
{
    for (const Edge& edge : records.Edges)
        for (Point p : {edge.From, edge.Control, edge.To}) Cover(box, matrix.Apply(p));
}

void CoverObject(std::optional<Box>& box, const Dictionary& characters, const PlacedObject& object,
                 const Matrix& parent, int nesting);

// What object draws, its own matrix in matrix already.
void CoverContent(std::optional<Box>& box, const Dictionary& characters, const PlacedObject& object,
                  const Matrix& matrix, int nesting)
{
    const Character* character = object.HasCharacter ? characters.Find(object.Id) : nullptr;
    if (const Shape* shape = character ? std::get_if<Shape>(character) : nullptr)
        CoverEdges(box, shape->Records, matrix);
    else if (const MorphShape* morph = character ? std::get_if<MorphShape>(character) : nullptr)
        CoverEdges(box, morph->Start, matrix);
    const EditText* field = object.Field ? object.Field.get() : character ? std::get_if<EditText>(character) : nullptr;
    if (field)
        CoverRectangle(box, field->XMin, field->YMin, field->XMax, field->YMax, matrix);
    if (object.Drawing)
        CoverEdges(box, *object.Drawing, matrix);
    if (object.Image)
        CoverRectangle(box, 0, 0, object.Image->Width * 20.0, object.Image->Height * 20.0, matrix);
    if (object.Children)
        for (const auto& [depth, child] : object.Children->Objects())
            CoverObject(box, object.Children->Characters(), child, matrix, nesting + 1);
}

void CoverObject(std::optional<Box>& box, const Dictionary& characters, const PlacedObject& object,
                 const Matrix& parent, int nesting)
{
    if (nesting <= MaxNesting)
        CoverContent(box, characters, object, parent.Then(object.Transform), nesting);
}

}

std::optional<Box> ObjectBounds(const Dictionary& characters, const PlacedObject& object)
{
    std::optional<Box> box;
    CoverObject(box, characters, object, Matrix(), 0);
    return box;
}

Box Transformed(const Box& box, const Matrix& matrix)
{
    std::optional<Box> moved;
    CoverRectangle(moved, box.XMin, box.YMin, box.XMax, box.YMax, matrix);
    return *moved;
}

std::optional<Box> ContentBounds(const Dictionary& characters, const PlacedObject& object)
{
    std::optional<Box> box;
    CoverContent(box, characters, object, Matrix(), 0);
    return box;
}

Matrix StageMatrix(const ClipLink& link, bool own)
{
    Matrix matrix = own && link.Object ? link.Object->Transform : Matrix();
    std::shared_ptr<ClipLink> parent = link.Parent.lock();
    for (int i = 0; parent && parent->Object && i <= MaxNesting + 1; ++i, parent = parent->Parent.lock())
        matrix = parent->Object->Transform.Then(matrix);
    return matrix;
}

std::shared_ptr<const Movie> LoadedSource(const ClipLink& link)
{
    if (link.Object && link.Object->Loaded)
        return link.Object->Loaded;
    std::shared_ptr<ClipLink> parent = link.Parent.lock();
    for (int i = 0; parent && parent->Object && i <= MaxNesting + 1; ++i, parent = parent->Parent.lock())
        if (parent->Object->Loaded)
            return parent->Object->Loaded;
    return nullptr;
}

PlacedObject::~PlacedObject()
{
    if (Link)
        Link->Object = nullptr;
}

std::vector<ClipAction> ReadClipActions(SwfReader& body, uint8_t version)
{
    auto flags = [&]() -> uint32_t { return version >= 6 ? body.U32() : body.U16(); };
    std::vector<ClipAction> actions;
    // The events of all handlers together come first. Handlers cut short
    // leave out only themselves.
    try {
        body.U16();
        flags();
        while (body.Remaining() > 0) {
            uint32_t events = flags();
            if (events == 0)
                break;
            uint32_t size = body.U32();
            if (events & ClipKeyPress) {
                body.U8();
                size = size > 0 ? size - 1 : 0;
            }
            std::span<const uint8_t> code = body.Bytes(std::min<size_t>(size, body.Remaining()));
            actions.push_back({events, {code.begin(), code.end()}});
        }
    } catch (const SwfFormatError&) {
    }
    return actions;
}

std::unique_ptr<DisplayList> StartSprite(const Dictionary& characters, std::span<const Frame> frames, int nesting,
                                         SpriteCount& count, std::shared_ptr<ClipLink> owner,
                                         std::shared_ptr<const SoundStream> stream)
{
    if (nesting > MaxNesting || count.Live >= MaxLiveSprites)
        return nullptr;
    auto list = std::make_unique<DisplayList>(characters, frames, frames.size(), nesting, count, std::move(owner),
                                              std::move(stream));
    // Its first frame is news of its placement, told by whoever placed it.
    bool quiet = count.Quiet;
    count.Quiet = true;
    list->Goto(0);
    count.Quiet = quiet;
    return list;
}

void CollectLinks(const DisplayList& list, std::vector<std::shared_ptr<ClipLink>>& links, size_t max)
{
    for (const auto& [depth, object] : list.Objects()) {
        if (links.size() >= max)
            return;
        if (object.Link)
            links.push_back(object.Link);
        if (object.Children)
            CollectLinks(*object.Children, links, max);
    }
}

DisplayList::DisplayList(const Dictionary& characters, std::span<const Frame> frames, size_t frameCount,
                         int nesting, SpriteCount& count, std::shared_ptr<ClipLink> owner,
                         std::shared_ptr<const SoundStream> stream)
    : characters_(characters), frames_(frames), frameCount_(frameCount), nesting_(nesting), count_(count),
      owner_(std::move(owner)), stream_(std::move(stream)), serial_(++count.Instances),
      own_(std::max<size_t>(frameCount_, 1))
{
    ++count_.Live;
}

DisplayList::~DisplayList()
{
    count_.Objects -= objects_.size();
    --count_.Live;
}

void DisplayList::Unloaded(const PlacedObject& object)
{
    if (!count_.Events || count_.Quiet || !object.Link)
        return;
    // Only a clip the scripts know may have an onUnload of theirs.
    bool handled = object.Link->Script != nullptr;
    if (object.ClipActions)
        for (const ClipAction& action : *object.ClipActions) handled = handled || (action.Events & ClipUnload);
    if (handled)
        count_.Events->push_back({object.Link, 0, ClipUnload, object.ClipActions});
}

void DisplayList::Erase(ObjectMap::iterator at)
{
    Unloaded(at->second);
    objects_.erase(at);
    --count_.Objects;
}

PlacedObject& DisplayList::Fresh(int32_t depth)
{
    if (auto at = objects_.find(depth); at != objects_.end())
        Erase(at);
    PlacedObject& object = objects_.try_emplace(depth).first->second;
    object.Depth = depth;
    ++count_.Objects;
    return object;
}

void DisplayList::Entered(size_t frame)
{
    if (count_.Events && !count_.Quiet && owner_ && nesting_ > 0 && frame < frames_.size()
        && !frames_[frame].Actions.empty())
        count_.Events->push_back({owner_, frame, 0, nullptr});
}

void DisplayList::Started(PlacedObject& object)
{
    if (!count_.Events || count_.Quiet || !object.Link)
        return;
    if (DisplayList* list = object.Children.get()) {
        if (list->shown_ != SIZE_MAX)
            list->Entered(list->shown_);
        for (auto& [depth, child] : list->objects_) list->Started(child);
    }
    // Handlers of the placement, or of the clip's class, may answer it.
    count_.Events->push_back({object.Link, 0, ClipLoad, object.ClipActions});
}

bool DisplayList::Replace(PlacedObject& object, const Dictionary& characters, std::span<const Frame> frames,
                          int nesting, SpriteCount& count)
{
    object.Children = StartSprite(characters, frames, nesting, count, object.Link);
    if (!object.Children)
        return false;
    object.Children->Started(object);
    return true;
}

void DisplayList::ApplyFrame(size_t frame)
{
    if (frame < frames_.size())
        for (const DisplayTag& tag : frames_[frame].Display) Apply(tag);
}

void DisplayList::Goto(size_t frame)
{
    if (frameCount_ == 0)
        return;
    frame = std::min(frame, frameCount_ - 1);
    if (shown_ == frame)
        return;
    if (shown_ != SIZE_MAX && frame < shown_) {
        Rebuild(frame);
    } else {
        while (shown_ != frame) {
            shown_ = shown_ == SIZE_MAX ? 0 : shown_ + 1;
            ApplyFrame(shown_);
        }
    }
    Entered(frame);
}

// Going back builds the frame afresh, quietly; what stands at the same depth
// as the same character stays as it was, moved where the frame puts it, and
// only what is new is news.
void DisplayList::Rebuild(size_t frame)
{
    ObjectMap previous;
    for (auto at = objects_.begin(); at != objects_.end() && at->first < ScriptDepthBase;)
        previous.insert(objects_.extract(at++));
    count_.Objects -= previous.size();
    bool quiet = count_.Quiet;
    count_.Quiet = true;
    for (shown_ = 0;; ++shown_) {
        ApplyFrame(shown_);
        if (shown_ == frame)
            break;
    }
    count_.Quiet = quiet;
    std::vector<int32_t> staying, fresh;
    for (const auto& [depth, object] : objects_) {
        if (depth >= ScriptDepthBase)
            break;
        auto old = previous.find(depth);
        (old != previous.end() && old->second.Id == object.Id ? staying : fresh).push_back(depth);
    }
    for (int32_t depth : staying) {
        auto now = objects_.extract(depth);
        auto old = previous.extract(depth);
        TakePlacement(old.mapped(), now.mapped());
        objects_.insert(std::move(old));
    }
    for (int32_t depth : fresh) Started(objects_.at(depth));
    for (const auto& [depth, object] : previous) Unloaded(object);
}

void DisplayList::Advance()
{
    AdvanceChildren();
    if (timeline_->Advance())
        Goto(timeline_->Current());
}

void DisplayList::AdvanceChildren()
{
    for (auto& [depth, object] : objects_)
        if (object.Children)
            object.Children->Advance();
}

void DisplayList::Sync()
{
    Goto(timeline_->Current());
    for (auto& [depth, object] : objects_)
        if (object.Children)
            object.Children->Sync();
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
    try {
        switch (tag.Code) {
        case TagRemoveObject:
            body.U16();  // the character id: the depth alone decides
            [[fallthrough]];
        case TagRemoveObject2:
            if (auto at = objects_.find(body.U16()); at != objects_.end())
                Erase(at);
            break;
        default:
            Place(tag.Code, body);
            break;
        }
    } catch (const SwfFormatError&) {
        // A placement cut short keeps what it set before its end.
    }
}

void DisplayList::SetCharacter(PlacedObject& object, uint16_t id)
{
    object.Id = id;
    object.HasCharacter = true;
    object.Children.reset();
    if (object.Link) {
        object.Link->Object = nullptr;
        object.Link.reset();
    }
    // Only the main timeline meets definitions as it goes.
    const Character* character = characters_.Find(id, nesting_ == 0 ? shown_ : SIZE_MAX);
    const Sprite* sprite = character ? std::get_if<Sprite>(character) : nullptr;
    if (!sprite)
        return;
    auto link = std::make_shared<ClipLink>();
    link->Object = &object;
    link->Parent = owner_;
    object.Children = StartSprite(characters_, sprite->Frames, nesting_ + 1, count_, link, sprite->Stream);
    if (object.Children)
        object.Link = std::move(link);
}

void DisplayList::Place(uint16_t code, SwfReader& body)
{
    if (code == TagPlaceObject) {
        uint16_t id = body.U16();
        uint16_t depth = body.U16();
        if (!objects_.count(depth) && count_.Objects >= MaxLiveObjects)
            return;
        PlacedObject& object = Fresh(depth);
        SetCharacter(object, id);
        Started(object);
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
    bool placed = false;
    if (flags & PlaceCharacter) {
        uint16_t id = body.U16();
        if (!(flags & PlaceMove) || existing == objects_.end()) {
            object = &Fresh(depth);
            SetCharacter(*object, id);
            placed = true;
        } else {
            object = &existing->second;
            if (object->Id != id) {
                SetCharacter(*object, id);
                placed = true;
            }
        }
    } else if ((flags & PlaceMove) && existing != objects_.end()) {
        object = &existing->second;
    } else {
        return;
    }
    // A placement cut short is still news once placed.
    struct News {
        DisplayList& List;
        PlacedObject& Object;
        bool Placed;
        ~News()
        {
            if (Placed)
                List.Started(Object);
        }
    } news{*this, *object, placed};
    if (flags & PlaceMatrix) {
        Matrix matrix = ReadMatrix(body);
        if (!object->Scripted)
            object->Transform = matrix;
    }
    if (flags & PlaceColours) {
        ColourTransform colours = ReadColourTransform(body, true);
        if (!object->Scripted)
            object->Colours = colours;
    }
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
    if (flags3 & PlaceCacheAsBitmap)
        body.U8();
    if (flags3 & PlaceVisible)
        object->Visible = body.U8() != 0;
    if (flags3 & PlaceBackground)
        body.U32();
    if ((flags & PlaceClipActions) && object->Link && count_.Version >= 5)
        object->ClipActions = std::make_shared<const std::vector<ClipAction>>(ReadClipActions(body, count_.Version));
}

PlacedObject* DisplayList::At(int32_t depth)
{
    auto at = objects_.find(depth);
    return at == objects_.end() ? nullptr : &at->second;
}

PlacedObject* DisplayList::FindNamed(const std::string& name, bool caseless)
{
    auto same = [&](const std::string& other) {
        if (!caseless)
            return other == name;
        return other.size() == name.size()
            && std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (auto& [depth, object] : objects_)
        if (object.Link && same(object.Name))
            return &object;
    return nullptr;
}

PlacedObject* DisplayList::MakeClip(uint16_t id, int32_t depth, const std::string& name)
{
    if (nesting_ >= MaxNesting || count_.Live >= MaxLiveSprites
        || (!objects_.count(depth) && count_.Objects >= MaxLiveObjects))
        return nullptr;
    const Character* character = id ? characters_.Find(id) : nullptr;
    const Sprite* sprite = character ? std::get_if<Sprite>(character) : nullptr;
    PlacedObject& object = Fresh(depth);
    auto link = std::make_shared<ClipLink>();
    link->Object = &object;
    link->Parent = owner_;
    object.Name = name;
    object.Id = sprite ? id : 0;
    object.HasCharacter = sprite != nullptr;
    object.Children = sprite ? StartSprite(characters_, sprite->Frames, nesting_ + 1, count_, link, sprite->Stream)
                             : std::make_unique<DisplayList>(characters_, std::span<const Frame>(), 0, nesting_ + 1,
                                                             count_, link);
    object.Link = std::move(link);
    return &object;
}

PlacedObject* DisplayList::AddField(int32_t depth, const std::string& name, const Box& box)
{
    if (!objects_.count(depth) && count_.Objects >= MaxLiveObjects)
        return nullptr;
    PlacedObject& object = Fresh(depth);
    object.Name = name;
    object.Transform = Matrix::Translate(box.XMin, box.YMin);
    object.Field = std::make_shared<EditText>();
    object.Field->XMax = box.XMax - box.XMin;
    object.Field->YMax = box.YMax - box.YMin;
    object.Link = std::make_shared<ClipLink>();
    object.Link->Object = &object;
    object.Link->Parent = owner_;
    return &object;
}

PlacedObject* DisplayList::AddBitmap(int32_t depth, std::shared_ptr<Bitmap> image)
{
    if (!objects_.count(depth) && count_.Objects >= MaxLiveObjects)
        return nullptr;
    PlacedObject& object = Fresh(depth);
    object.Image = std::move(image);
    return &object;
}

PlacedObject* DisplayList::AddClip(uint16_t id, int32_t depth, const std::string& name)
{
    PlacedObject* object = MakeClip(id, depth, name);
    if (object)
        Started(*object);
    return object;
}

PlacedObject* DisplayList::Duplicate(const PlacedObject& source, int32_t depth, const std::string& name)
{
    if (source.Depth == depth || !source.Link)
        return nullptr;
    PlacedObject* copy = MakeClip(source.Id, depth, name);
    if (!copy)
        return nullptr;
    TakePlacement(*copy, source);
    copy->Visible = source.Visible;
    copy->Scripted = source.Scripted;
    copy->XScale = source.XScale, copy->YScale = source.YScale, copy->Rotation = source.Rotation;
    copy->ClipActions = source.ClipActions;
    if (source.Drawing)
        copy->Drawing = std::make_shared<ShapeRecords>(*source.Drawing);
    Started(*copy);
    return copy;
}

void DisplayList::Remove(int32_t depth)
{
    if (auto at = objects_.find(depth); at != objects_.end())
        Erase(at);
}

void DisplayList::Swap(int32_t depth, int32_t other)
{
    if (depth == other)
        return;
    auto first = objects_.extract(depth);
    auto second = objects_.extract(other);
    if (first) {
        first.key() = other;
        first.mapped().Depth = other;
        objects_.insert(std::move(first));
    }
    if (second) {
        second.key() = depth;
        second.mapped().Depth = depth;
        objects_.insert(std::move(second));
    }
}

}
