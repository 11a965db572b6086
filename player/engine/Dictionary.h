#pragma once
// The characters a movie defines, by id: shapes, bitmaps, sprites, morph
// shapes, buttons, fonts and texts, read once when the movie loads.
#include <cstdint>
#include <span>
#include <unordered_map>
#include <variant>
#include <vector>

#include "Bitmap.h"
#include "Movie.h"
#include "Shape.h"
#include "Text.h"

namespace tvmplayer {

// A sprite's own timeline: the display list tags of each frame.
struct Sprite {
    std::vector<std::vector<DisplayTag>> Frames;
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
};

struct Button {
    std::vector<ButtonPart> Up;
};

using Character = std::variant<Shape, Bitmap, Sprite, MorphShape, Button, Font, Text>;

// Edges a whole movie may keep, over all its shapes.
inline constexpr size_t MaxMovieEdges = 1u << 22;

class Dictionary {
public:
    const Character* Find(uint16_t id) const;
    // Reads a definition tag; other tags are left alone.
    void Define(uint16_t code, std::span<const uint8_t> body);

private:
    void DefineShape(SwfReader& body, int version);
    void DefineSprite(SwfReader& body);
    void DefineMorph(SwfReader& body, int version);
    void DefineButton(SwfReader& body, int version);

    std::unordered_map<uint16_t, Character> characters_;
    std::vector<uint8_t> jpegTables_;
    size_t edgesLeft_ = MaxMovieEdges;
};

// PlaceObject 1-3 and RemoveObject 1-2: the tags a frame's display list
// is made of.
bool IsDisplayTag(uint16_t code);

// A morph's shape at ratio 0..1.
ShapeRecords MorphAt(const MorphShape& morph, double ratio);

}
