#pragma once
// The characters a movie defines, by id: shapes, bitmaps, sprites, morph
// shapes, buttons, fonts, texts, text fields and videos, read once when the movie loads.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Bitmap.h"
#include "BlendModes.h"
#include "EditText.h"
#include "Filters.h"
#include "Movie.h"
#include "Shape.h"
#include "Text.h"
#include "VideoStream.h"

namespace tvmplayer {

// A sprite's own timeline: each frame's display list tags, labels, actions
// and sound starts, and the stream sound its frames carry.
struct Sprite {
    std::vector<Frame> Frames;
    std::shared_ptr<const SoundStream> Stream;
};

struct MorphShape {
    std::vector<FillStyle> StartFills, EndFills;
    std::vector<LineStyle> StartLines, EndLines;
    ShapeRecords Start, End;  // edge for edge
};

// A character a button shows in its up state.
struct ButtonPart {
    uint16_t Id = 0;
    uint16_t Depth = 0;
    Matrix Transform;
    ColourTransform Colours;
    std::vector<Filter> Filters;
    BlendMode Blend = BlendMode::Normal;
};

struct Button {
    std::vector<ButtonPart> Up;
};

// A bitmap as its tag holds it: decoded when first drawn, so that a movie
// of many bitmaps, one per frame, holds only a few decoded at a time.
struct BitmapData {
    uint16_t Code = 0;
    std::vector<uint8_t> Body;  // after the id
    std::shared_ptr<const std::vector<uint8_t>> Tables;
};

using Character = std::variant<Shape, BitmapData, Sprite, MorphShape, Button, Font, Text, VideoStream, EditText>;

// Edges a whole movie may keep, over all its shapes.
inline constexpr size_t MaxMovieEdges = 1u << 22;
// Decoded bitmap pixels kept at once.
inline constexpr size_t MaxDecodedPixels = 1u << 25;

// An id may be defined again once freed, as movies that show one bitmap per
// frame do: each definition counts from the main timeline's frame it came in.
class Dictionary {
public:
    // The character id stands for at frame; the latest one when no frame is given.
    const Character* Find(uint16_t id, size_t frame = SIZE_MAX) const;
    // The bitmap id stands for at frame, decoded; null when it cannot be.
    // Valid until the next call.
    const Bitmap* Image(uint16_t id, size_t frame) const;
    // The font with glyphs of that name, of that weight and slant if there
    // is one; null when none has the name.
    const Font* FontNamed(const std::string& name, bool bold, bool italic) const;
    // Reads a definition tag met at frame; other tags are left alone.
    void Define(uint16_t code, std::span<const uint8_t> body, size_t frame);

private:
    void DefineShape(SwfReader& body, int version);
    void DefineSprite(SwfReader& body);
    void DefineMorph(SwfReader& body, int version);
    void DefineButton(SwfReader& body, int version);
    // A VideoFrame tag: its frame joins the latest video of its id. One
    // too short for its header adds nothing.
    void AddVideoFrame(std::span<const uint8_t> tag);

    void Add(uint16_t id, Character character);

    struct Definition {
        size_t Frame;
        Character Value;
    };
    std::unordered_map<uint16_t, std::vector<Definition>> characters_;
    std::shared_ptr<const std::vector<uint8_t>> jpegTables_;
    size_t edgesLeft_ = MaxMovieEdges;
    size_t frame_ = 0;
    mutable std::map<const BitmapData*, std::optional<Bitmap>> decoded_;
    mutable size_t decodedPixels_ = 0;
};

// PlaceObject 1-3 and RemoveObject 1-2: the tags a frame's display list
// is made of.
bool IsDisplayTag(uint16_t code);

// A morph's shape at ratio 0..1.
ShapeRecords MorphAt(const MorphShape& morph, double ratio);

}
