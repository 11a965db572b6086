#include "StageRenderer.h"

#include <algorithm>
#include <cmath>

#include "DeviceFont.h"

namespace tvmplayer {
namespace {

Contour RectangleContour(double x0, double y0, double x1, double y1)
{
    return {{x0, y0}, {{{}, {x1, y0}}, {{}, {x1, y1}}, {{}, {x0, y1}}, {{}, {x0, y0}}}};
}

}

Bitmap Recolour(const Bitmap& bitmap, const ColourTransform& colours)
{
    Bitmap out = bitmap;
    for (uint32_t& pixel : out.Pixels) pixel = Premultiply(colours.Apply(Unpremultiply(pixel)));
    return out;
}

void StageRenderer::Draw(const DisplayList& list, const Matrix& matrix, const ColourTransform& colours)
{
    ScaleFilters(matrix);
    DrawList(list, matrix, colours, 0);
}

void StageRenderer::DrawStage(const PlacedObject& root, const Matrix& toSurface)
{
    toSurface_ = toSurface;
    if (root.Visible && root.Children)
        Draw(*root.Children, toSurface.Then(root.Transform), root.Colours);
}

void StageRenderer::DrawList(const DisplayList& list, const Matrix& matrix, const ColourTransform& colours,
                             int nesting)
{
    // A movie a script loaded draws from its own dictionary, whose
    // definitions do not change by frame.
    const Dictionary* outerCharacters = characters_;
    size_t outerFrame = frame_;
    if (&list.Characters() != characters_) {
        characters_ = &list.Characters();
        frame_ = SIZE_MAX;
    }
    // The depths up to which the masks now in force reach, innermost last.
    std::vector<uint16_t> masks;
    auto endMasksBelow = [&](uint32_t depth) {
        while (!masks.empty() && masks.back() < depth) {
            canvas_.EndMasked();
            masks.pop_back();
        }
    };
    for (const auto& [depth, object] : list.Objects()) {
        endMasksBelow(depth);
        if (object.ClipDepth > depth) {
            canvas_.BeginMask();
            bool outer = masking_;
            masking_ = true;
            DrawObject(object, matrix, colours, nesting);
            masking_ = outer;
            canvas_.BeginMasked();
            masks.push_back(object.ClipDepth);
        } else if (object.ClipDepth == 0) {
            DrawObject(object, matrix, colours, nesting);
        }
    }
    endMasksBelow(UINT32_MAX);
    characters_ = outerCharacters;
    frame_ = outerFrame;
}

void StageRenderer::DrawObject(const PlacedObject& object, const Matrix& parent, const ColourTransform& parentColours,
                               int nesting)
{
    if (!masking_) {
        // A clip that masks another shows only through it.
        if (object.IsMask)
            return;
        std::shared_ptr<ClipLink> mask = object.Mask.lock();
        if (mask && mask->Object) {
            DrawMasked(object, *mask, parent, parentColours, nesting);
            return;
        }
    }
    DrawPlaced(object, parent, parentColours, nesting);
}

void StageRenderer::DrawPlaced(const PlacedObject& object, const Matrix& parent, const ColourTransform& parentColours,
                               int nesting)
{
    // Clips that scripts made may have no character, only children and drawings.
    const Character* character = object.HasCharacter ? characters_->Find(object.Id, frame_) : nullptr;
    bool empty = !character && !object.Children && !object.Field && !object.Image;
    if (empty || !object.Visible || nesting > MaxNesting || objectsLeft_ == 0)
        return;
    --objectsLeft_;
    Matrix matrix = parent.Then(object.Transform);
    ColourTransform colours = parentColours.Then(object.Colours);
    // Inside a mask only coverage counts: filters and blends are left out.
    bool layered = !masking_ && (NeedsLayer(object.Blend) || !object.Filters.empty());
    if (layered && layersLeft_ == 0)
        layered = false;
    if (layered) {
        --layersLeft_;
        canvas_.BeginLayer();
    }
    // A scroll rectangle shows that part of the object at its origin.
    if (object.ScrollRect) {
        const Box& shown = *object.ScrollRect;
        Paint opaque;
        opaque.Fill.Argb = 0xFF000000;
        canvas_.BeginMask();
        canvas_.Fill({RectangleContour(0, 0, shown.XMax - shown.XMin, shown.YMax - shown.YMin)}, matrix, opaque, false);
        canvas_.BeginMasked();
        matrix = matrix.Then(Matrix::Translate(-shown.XMin, -shown.YMin));
    }
    DrawCharacter(character, object, matrix, colours, nesting);
    if (object.ScrollRect)
        canvas_.EndMasked();
    if (layered)
        canvas_.EndLayer(object.Filters, object.Blend, pixelScaleX_, pixelScaleY_);
}

void StageRenderer::DrawMasked(const PlacedObject& object, const ClipLink& mask, const Matrix& matrix,
                               const ColourTransform& colours, int nesting)
{
    canvas_.BeginMask();
    masking_ = true;
    DrawObject(*mask.Object, toSurface_.Then(StageMatrix(mask, false)), {}, nesting);
    canvas_.BeginMasked();
    masking_ = false;
    DrawPlaced(object, matrix, colours, nesting);
    canvas_.EndMasked();
}

void StageRenderer::DrawCharacter(const Character* character, const PlacedObject& object, const Matrix& matrix,
                                  const ColourTransform& colours, int nesting)
{
    if (object.Field) {
        DrawField(*object.Field, matrix, colours);
    } else if (object.Image) {
        DrawPicture(*object.Image, object.Image->Width * 20.0, object.Image->Height * 20.0, false, matrix, colours);
    } else if (const Shape* shape = std::get_if<Shape>(character)) {
        DrawShape(*shape, matrix, colours);
    } else if (const MorphShape* morph = std::get_if<MorphShape>(character)) {
        ShapeRecords records = MorphAt(*morph, object.Ratio / 65535.0);
        DrawShape(records, Assemble(records), false, matrix, colours);
    } else if (const Text* text = std::get_if<Text>(character)) {
        DrawText(*text, matrix, colours);
    } else if (const EditText* field = std::get_if<EditText>(character)) {
        DrawField(*field, matrix, colours);
    } else if (object.Children) {
        if (object.Drawing)
            DrawShape(*object.Drawing, Assemble(*object.Drawing), false, matrix, colours);
        std::string outer = target_;
        target_ = object.Name.empty() || outer == "?" ? "?" : (outer.empty() ? "_root" : outer) + "." + object.Name;
        DrawList(*object.Children, matrix, colours, nesting + 1);
        target_ = std::move(outer);
    } else if (const Button* button = std::get_if<Button>(character)) {
        DrawButton(*button, matrix, colours, nesting + 1);
    } else if (const VideoStream* video = std::get_if<VideoStream>(character)) {
        DrawVideo(*video, object.Ratio, matrix, colours);
    }
}

void StageRenderer::DrawButton(const Button& button, const Matrix& matrix, const ColourTransform& colours,
                               int nesting)
{
    for (const ButtonPart& part : button.Up) {
        // Each part counts, drawn or not: a button that holds itself many
        // times over would otherwise try parts the frame's count never sees.
        if (objectsLeft_ == 0)
            return;
        --objectsLeft_;
        PlacedObject object;
        object.Id = part.Id;
        object.HasCharacter = true;
        object.Transform = part.Transform;
        object.Colours = part.Colours;
        object.Filters = part.Filters;
        object.Blend = part.Blend;
        const Character* character = characters_->Find(part.Id, frame_);
        if (const Sprite* sprite = character ? std::get_if<Sprite>(character) : nullptr)
            object.Children = StartSprite(*characters_, sprite->Frames, nesting + 1, spritesInButtons_, {}, sprite->Stream);
        DrawObject(object, matrix, colours, nesting);
    }
}

void StageRenderer::DrawVideo(const VideoStream& video, size_t frame, const Matrix& matrix,
                              const ColourTransform& colours)
{
    const Bitmap* picture = videos_ ? videos_->Picture(video, frame) : nullptr;
    if (picture)
        DrawPicture(*picture, video.Width * 20.0, video.Height * 20.0, video.Smoothing, matrix, colours);
}

// The picture fills width by height twips from the origin whatever its size.
void StageRenderer::DrawPicture(const Bitmap& picture, double width, double height, bool smooth, const Matrix& matrix,
                                const ColourTransform& colours)
{
    if (picture.Width <= 0 || picture.Height <= 0)
        return;
    Paint paint;
    paint.Fill.Kind = FillKind::Bitmap;
    paint.Fill.Transform = Matrix::Scale(width / picture.Width, height / picture.Height);
    paint.Fill.Repeat = false;
    paint.Fill.Smooth = smooth;
    paint.Image = &picture;
    if (masking_) {
        paint = Paint();
        paint.Fill.Argb = 0xFF000000;
    } else if (!colours.Identity()) {
        recoloured_.push_back(Recolour(picture, colours));
        paint.Image = &recoloured_.back();
    }
    canvas_.Fill({RectangleContour(0, 0, width, height)}, matrix, paint, false);
    recoloured_.clear();
}

void StageRenderer::ScaleFilters(const Matrix& matrix)
{
    pixelScaleX_ = std::hypot(matrix.A, matrix.B) * 20;
    pixelScaleY_ = std::hypot(matrix.C, matrix.D) * 20;
}

void StageRenderer::DrawContent(const PlacedObject& object, const Matrix& matrix)
{
    ScaleFilters(matrix);
    DrawCharacter(object.HasCharacter ? characters_->Find(object.Id, frame_) : nullptr, object, matrix, {}, 0);
}

void StageRenderer::DrawText(const Text& text, const Matrix& matrix, const ColourTransform& colours)
{
    Matrix textMatrix = matrix.Then(text.Transform);
    for (const GlyphRun& run : text.Runs) {
        const Character* character = characters_->Find(run.FontId, frame_);
        const Font* font = character ? std::get_if<Font>(character) : nullptr;
        if (!font)
            continue;
        FillStyle fill;
        fill.Argb = run.Argb;
        Paint paint = MakePaint(fill, colours);
        double x = run.X, scale = run.Height / font->EmSquare;
        for (const auto& [index, advance] : run.Glyphs) {
            DrawGlyph(*font, index, textMatrix.Then(Matrix{scale, 0, 0, scale, x, run.Y}), paint);
            x += advance;
        }
    }
}

void StageRenderer::DrawGlyph(const Font& font, uint32_t index, const Matrix& glyph, const Paint& paint)
{
    if (index >= font.Glyphs.size())
        return;
    for (const OutlineLayer& layer : font.Glyphs[index])
        for (const StyledContours& contours : layer.Fills) {
            if (edgesLeft_ == 0)
                return;
            canvas_.Fill(contours.Contours, glyph, paint, false);
            edgesLeft_ -= std::min(edgesLeft_, contours.Contours.size());
        }
}

void StageRenderer::DrawField(const EditText& field, const Matrix& matrix, const ColourTransform& colours)
{
    std::optional<std::string> shown;
    if (variables_ && !field.Variable.empty() && target_ != "?")
        shown = variables_->Read(FieldVariablePath(target_, field.Variable));
    if (shown && shown->size() > MaxFieldText)
        shown->resize(MaxFieldText);
    Contour box = RectangleContour(field.XMin, field.YMin, field.XMax, field.YMax);
    auto solid = [&](Colour argb) {
        FillStyle fill;
        fill.Argb = argb;
        return MakePaint(fill, colours);
    };
    if (field.Background)
        canvas_.Fill({box}, matrix, solid(field.BackgroundArgb), false);
    if (field.Border) {
        LineStyle hairline;
        canvas_.Stroke({box}, matrix, hairline, solid(field.BorderArgb));
    }
    std::vector<TextSpan> spans = FieldSpans(field, shown ? &*shown : nullptr, *characters_, frame_);
    size_t left = MaxFieldText;
    for (TextSpan& span : spans) {
        span.Text.resize(std::min(span.Text.size(), left));
        left -= span.Text.size();
    }
    FieldMetrics metrics;
    TextBox layout{field.XMax - field.XMin - 2 * FieldGutter, field.WordWrap, field.Multiline};
    std::vector<PlacedGlyph> glyphs = LayOutText(spans, layout, metrics);
    if (glyphs.empty())
        return;
    // The text shows only inside its box.
    canvas_.BeginMask();
    canvas_.Fill({box}, matrix, solid(0xFF000000), false);
    canvas_.BeginMasked();
    Matrix origin = matrix.Then(Matrix::Translate(field.XMin + FieldGutter, field.YMin + FieldGutter));
    for (const PlacedGlyph& glyph : glyphs) {
        if (objectsLeft_ == 0)
            break;
        --objectsLeft_;
        const TextStyle& style = spans[glyph.Span].Style;
        Paint paint = solid(style.Argb);
        Matrix at = origin.Then(Matrix::Translate(glyph.X, glyph.Y));
        if (style.Embedded) {
            auto found = style.Embedded->GlyphOfCode.find(glyph.Code);
            double scale = style.Size / style.Embedded->EmSquare;
            if (found != style.Embedded->GlyphOfCode.end())
                DrawGlyph(*style.Embedded, found->second, at.Then(Matrix::Scale(scale, scale)), paint);
        } else if (glyph.Code != U' ') {
            canvas_.ShowDeviceGlyph(style, glyph.Code, at, paint);
        }
        if (style.Underline) {
            double below = style.Size / 10, thick = std::max(style.Size / 20, 20.0);
            Contour line{{0, below},
                         {{{}, {glyph.Advance, below}}, {{}, {glyph.Advance, below + thick}}, {{}, {0, below + thick}},
                          {{}, {0, below}}}};
            canvas_.Fill({line}, at, paint, false);
        }
    }
    canvas_.EndMasked();
}

Paint StageRenderer::MakePaint(const FillStyle& fill, const ColourTransform& colours)
{
    Paint paint{fill, nullptr};
    if (masking_) {
        paint.Fill = FillStyle();
        paint.Fill.Argb = 0xFF000000;
        return paint;
    }
    paint.Fill.Argb = colours.Apply(fill.Argb);
    for (GradientStop& stop : paint.Fill.Stops) stop.Argb = colours.Apply(stop.Argb);
    if (fill.Kind == FillKind::Bitmap) {
        paint.Image = fill.Image ? fill.Image.get() : characters_->Image(fill.BitmapId, frame_);
        if (paint.Image && !colours.Identity()) {
            recoloured_.push_back(Recolour(*paint.Image, colours));
            paint.Image = &recoloured_.back();
        }
    }
    return paint;
}

void StageRenderer::DrawShape(const Shape& shape, const Matrix& matrix, const ColourTransform& colours)
{
    PictureKey key;
    key.Shape = shape.Serial;
    key.Colours = colours;
    key.Masking = masking_;
    auto addBitmap = [&](const FillStyle& fill) {
        if (fill.Kind == FillKind::Bitmap) {
            const Bitmap* image = characters_->Image(fill.BitmapId, frame_);
            key.Bitmaps.push_back(image ? image->Serial : 0);
        }
    };
    for (const FillStyle& fill : shape.Records.Fills) addBitmap(fill);
    for (const LineStyle& line : shape.Records.Lines) addBitmap(line.Fill);
    canvas_.DrawShape(std::move(key), shape.Bounds, matrix, [&](const Matrix& toSurface) {
        DrawShape(shape.Records, shape.Paths, shape.Winding, toSurface, colours);
    });
}

void StageRenderer::DrawShape(const ShapeRecords& records, const Outline& outline, bool winding,
                              const Matrix& matrix, const ColourTransform& colours)
{
    size_t edges = records.Edges.size();
    if (edges > edgesLeft_)
        return;
    edgesLeft_ -= edges;
    for (const OutlineLayer& layer : outline) {
        for (const StyledContours& fill : layer.Fills) {
            if (fill.Style > records.Fills.size())
                continue;
            canvas_.Fill(fill.Contours, matrix, MakePaint(records.Fills[fill.Style - 1], colours), winding);
            recoloured_.clear();
        }
        for (const StyledContours& line : layer.Lines) {
            if (line.Style > records.Lines.size())
                continue;
            const LineStyle& style = records.Lines[line.Style - 1];
            canvas_.Stroke(line.Contours, matrix, style, MakePaint(style.Fill, colours));
            recoloured_.clear();
        }
    }
}

}
