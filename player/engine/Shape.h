#pragma once
// Shapes as DefineShape 1-4, glyphs and morph shapes store them: fill and
// line styles, and edges that name the fill left and right of them and the
// line along them. Assembly turns those edges into closed contours per fill
// style and open paths per line style, ready for the rasterizer.
#include <cstdint>
#include <memory>
#include <vector>

#include "Bitmap.h"
#include "Records.h"

namespace tvmplayer {

enum class FillKind : uint8_t { Solid, Linear, Radial, Bitmap };
enum class Spread : uint8_t { Pad, Reflect, Repeat };

struct GradientStop {
    double Offset = 0;  // 0..1
    Colour Argb = 0;
};

struct FillStyle {
    FillKind Kind = FillKind::Solid;
    Colour Argb = 0;
    // Gradient square (-16384..16384 twips) or bitmap pixels to shape space.
    Matrix Transform;
    std::vector<GradientStop> Stops;
    Spread SpreadMode = Spread::Pad;
    double Focal = 0;  // -1..1 along the gradient's x axis
    uint16_t BitmapId = 0;
    // A script's bitmap, drawn with its pixels as they are then, in place
    // of the movie's bitmap BitmapId.
    std::shared_ptr<const Bitmap> Image;
    bool Repeat = true;
    bool Smooth = true;
};

enum class Cap : uint8_t { Round, None, Square };
enum class Join : uint8_t { Round, Bevel, Miter };

struct LineStyle {
    double Width = 0;  // twips; 0 is a hairline
    FillStyle Fill;
    Cap StartCap = Cap::Round;
    Cap EndCap = Cap::Round;
    Join JoinStyle = Join::Round;
    double MiterLimit = 3;
};

// A straight edge keeps its midpoint as control, so that straight and
// curved edges morph into one another.
struct Edge {
    Point From, Control, To;
    bool Curve = false;
    // Indices into the shape's styles, counted from 1; 0 is none.
    uint32_t Fill0 = 0, Fill1 = 0, Line = 0;
    // Styles given after a new-styles record draw above the earlier ones.
    uint32_t Layer = 0;
};

struct ShapeRecords {
    std::vector<FillStyle> Fills;
    std::vector<LineStyle> Lines;
    std::vector<Edge> Edges;
    uint32_t Layers = 1;
};

struct Segment {
    Point Control, To;
    bool Curve = false;
};

struct Contour {
    Point Start;
    std::vector<Segment> Segments;
};

struct StyledContours {
    uint32_t Style = 0;  // from 1, as in Edge
    std::vector<Contour> Contours;
};

struct OutlineLayer {
    std::vector<StyledContours> Fills;
    std::vector<StyledContours> Lines;
};

using Outline = std::vector<OutlineLayer>;

// How far a shape reaches from its origin, in twips.
struct Extent {
    Point Min, Max;  // of its edges and their control points
    bool Lines = false;
    double WidestLine = 0;
    // How far joins and caps reach beyond a line's edge, in half widths.
    double JoinReach = 0;
};

struct Shape {
    ShapeRecords Records;
    Outline Paths;
    bool Winding = false;  // nonzero fill rule instead of even-odd
    Extent Bounds;
    uint64_t Serial = NewDrawingSerial();  // copies and moves keep it
};

// The most edges one shape keeps; the rest of a larger one is dropped.
inline constexpr size_t MaxShapeEdges = 1u << 20;

// The styles and records of a DefineShape body after its bounds, for
// version 1 to 4. Reads what it can: a shape cut short keeps its edges.
ShapeRecords ReadShapeWithStyles(SwfReader& reader, int version);
// A glyph or a morph's edges: records without style arrays, fill style 1
// where the record selects it.
ShapeRecords ReadShapeRecords(SwfReader& reader, int version);
FillStyle ReadFillStyle(SwfReader& reader, int version);
Outline Assemble(const ShapeRecords& records);
Extent Measure(const ShapeRecords& records);

}
