#pragma once
// Draws a display list, sprites and masks included, through a Canvas: each
// character with the matrices and colour transforms of all that holds it.
#include "Canvas.h"
#include "DisplayList.h"
#include "TextFields.h"

namespace tvmplayer {

// Edges drawn per frame at most: a hostile movie's frame still ends.
inline constexpr size_t MaxEdgesPerFrame = 1u << 22;
inline constexpr size_t MaxObjectsPerFrame = 1u << 18;
// Objects filtered or blended through a layer of their own, per frame; the
// rest draw plainly.
inline constexpr size_t MaxLayersPerFrame = 512;
// A text field shows this many characters of its text at most, and reads
// this many bytes of a variable's.
inline constexpr size_t MaxFieldText = 1u << 16;

class StageRenderer {
public:
    // frame: the main timeline's, which decides what each id stands for.
    // videos: where placed videos find their pictures; none draws no video.
    StageRenderer(Canvas& canvas, const Dictionary& characters, size_t frame, VideoPictures* videos = nullptr)
        : canvas_(canvas), characters_(&characters), frame_(frame), videos_(videos)
    {
    }

    void Draw(const DisplayList& list, const Matrix& matrix, const ColourTransform& colours);
    // The main timeline's object and all it holds; toSurface maps the stage
    // (twips) to surface pixels.
    void DrawStage(const PlacedObject& root, const Matrix& toSurface);
    // What an object shows, without its own place and colours: what
    // BitmapData's draw takes of a clip.
    void DrawContent(const PlacedObject& object, const Matrix& matrix);
    // Text fields bound to variables show their values.
    void ShowVariables(VariableAccess& variables) { variables_ = &variables; }

private:
    void DrawList(const DisplayList& list, const Matrix& matrix, const ColourTransform& colours, int nesting);
    void DrawObject(const PlacedObject& object, const Matrix& matrix, const ColourTransform& colours, int nesting);
    // An object where no mask a script set is in the way.
    void DrawPlaced(const PlacedObject& object, const Matrix& matrix, const ColourTransform& colours, int nesting);
    void DrawCharacter(const Character* character, const PlacedObject& object, const Matrix& matrix,
                       const ColourTransform& colours, int nesting);
    void DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colours);
    void DrawShape(const ShapeRecords& records, const Outline& outline, bool winding, const Matrix& matrix,
                   const ColourTransform& colours);
    void DrawText(const Text& text, const Matrix& matrix, const ColourTransform& colours);
    void DrawField(const EditText& field, const Matrix& matrix, const ColourTransform& colours);
    void DrawGlyph(const Font& font, uint32_t index, const Matrix& glyph, const Paint& paint);
    void DrawButton(const Button& button, const Matrix& matrix, const ColourTransform& colours, int nesting);
    void DrawVideo(const VideoStream& video, size_t frame, const Matrix& matrix, const ColourTransform& colours);
    void DrawPicture(const Bitmap& picture, double width, double height, bool smooth, const Matrix& matrix,
                     const ColourTransform& colours);
    void ScaleFilters(const Matrix& matrix);
    void DrawMasked(const PlacedObject& object, const ClipLink& mask, const Matrix& matrix,
                    const ColourTransform& colours, int nesting);
    Paint MakePaint(const FillStyle& fill, const ColourTransform& colours);

    Canvas& canvas_;
    const Dictionary* characters_;
    size_t frame_;
    VideoPictures* videos_;
    size_t edgesLeft_ = MaxEdgesPerFrame;
    size_t objectsLeft_ = MaxObjectsPerFrame;
    // Inside a mask only coverage counts: everything draws opaque.
    bool masking_ = false;
    SpriteCount spritesInButtons_;
    VariableAccess* variables_ = nullptr;
    // The clip whose list is drawn, as "_root.a.b"; "" for the root and
    // "?" inside an unnamed clip, whose variables cannot be named.
    std::string target_;
    size_t layersLeft_ = MaxLayersPerFrame;
    // The stage to the surface, where masks that scripts set are drawn from.
    Matrix toSurface_;
    // Surface pixels per stage pixel, for filters.
    double pixelScaleX_ = 1, pixelScaleY_ = 1;
    // Bitmaps recoloured by a colour transform, alive while they are drawn.
    std::vector<Bitmap> recoloured_;
};

Bitmap Recolour(const Bitmap& bitmap, const ColourTransform& colours);

}
