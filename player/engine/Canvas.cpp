#include "Canvas.h"

#include <cairo.h>

#include <cmath>
#include <optional>

#include "ActionText.h"
#include "DeviceFont.h"

namespace tvmplayer {
namespace {

// The gradient square's half side, in gradient space. Patterns are built on
// a unit square instead: pixman's fixed-point gradient coordinates overflow
// when a small gradient spreads 16384 units over a few pixels.
constexpr double GradientHalf = 16384;

// Where a shape's picture may be copied to, in whole pixels from the
// surface's origin: beyond, pixman's coordinates would overflow.
constexpr double MaxPictureOffset = 1 << 20;

bool Usable(const Matrix& m)
{
    double det = m.Determinant();
    return std::isfinite(det) && det != 0 && std::isfinite(m.Tx) && std::isfinite(m.Ty);
}

cairo_matrix_t ToCairo(const Matrix& m)
{
    cairo_matrix_t out;
    cairo_matrix_init(&out, m.A, m.B, m.C, m.D, m.Tx, m.Ty);
    return out;
}

double Channel(Colour colour, int shift)
{
    return (colour >> shift & 0xFF) / 255.0;
}

cairo_pattern_t* GradientPattern(const FillStyle& fill)
{
    cairo_pattern_t* pattern =
        fill.Kind == FillKind::Linear
            ? cairo_pattern_create_linear(-1, 0, 1, 0)
            : cairo_pattern_create_radial(fill.Focal, 0, 0, 0, 0, 1);
    for (const GradientStop& stop : fill.Stops)
        cairo_pattern_add_color_stop_rgba(pattern, stop.Offset, Channel(stop.Argb, 16), Channel(stop.Argb, 8),
                                          Channel(stop.Argb, 0), Channel(stop.Argb, 24));
    cairo_pattern_set_extend(pattern, fill.SpreadMode == Spread::Reflect  ? CAIRO_EXTEND_REFLECT
                                      : fill.SpreadMode == Spread::Repeat ? CAIRO_EXTEND_REPEAT
                                                                      : CAIRO_EXTEND_PAD);
    return pattern;
}

// A view of an image surface's pixels, flushed for reading.
Surface Pixels(cairo_surface_t* image)
{
    cairo_surface_flush(image);
    return {reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image)), cairo_image_surface_get_width(image),
            cairo_image_surface_get_height(image), cairo_image_surface_get_stride(image) / 4};
}

cairo_operator_t Operator(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Multiply: return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen: return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Lighten: return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::Darken: return CAIRO_OPERATOR_DARKEN;
    case BlendMode::Difference: return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::Add: return CAIRO_OPERATOR_ADD;
    case BlendMode::Alpha: return CAIRO_OPERATOR_DEST_IN;
    case BlendMode::Erase: return CAIRO_OPERATOR_DEST_OUT;
    case BlendMode::Overlay: return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::HardLight: return CAIRO_OPERATOR_HARD_LIGHT;
    default: return CAIRO_OPERATOR_OVER;
    }
}

cairo_pattern_t* BitmapPattern(const FillStyle& fill, const Bitmap& image)
{
    // cairo only reads the pixels of a source.
    auto* data = reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(image.Pixels.data()));
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(data, CAIRO_FORMAT_ARGB32, image.Width, image.Height, image.Width * 4);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
    cairo_surface_destroy(surface);
    cairo_pattern_set_extend(pattern, fill.Repeat ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, fill.Smooth ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    return pattern;
}

struct PixelBox {
    int X, Y, Width, Height;
};

// The pixels a shape of that extent may touch when drawn with toSurface:
// the edges' box, widened by the lines' reach and a pixel of
// anti-aliasing. None when it would be too large to keep.
std::optional<PixelBox> PictureBox(const Extent& extent, const Matrix& toSurface)
{
    const Matrix& m = toSurface;
    double reach = 1;
    if (extent.Lines) {
        double stretch = std::sqrt(m.A * m.A + m.B * m.B + m.C * m.C + m.D * m.D);
        double width = std::max(extent.WidestLine, 1 / std::sqrt(std::fabs(m.Determinant())));
        reach += width * stretch * extent.JoinReach / 2;
    }
    Point corners[4] = {m.Apply(extent.Min), m.Apply({extent.Max.X, extent.Min.Y}),
                        m.Apply({extent.Min.X, extent.Max.Y}), m.Apply(extent.Max)};
    double x0 = corners[0].X, y0 = corners[0].Y, x1 = x0, y1 = y0;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.X);
        y0 = std::min(y0, p.Y);
        x1 = std::max(x1, p.X);
        y1 = std::max(y1, p.Y);
    }
    x0 = std::floor(x0 - reach);
    y0 = std::floor(y0 - reach);
    x1 = std::ceil(x1 + reach);
    y1 = std::ceil(y1 + reach);
    if (!std::isfinite(x0 + y0 + x1 + y1) || (x1 - x0) * (y1 - y0) > MaxPicturePixels)
        return std::nullopt;
    return PixelBox{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
}

}

Canvas::Canvas(const Surface& surface, ShapeCache* shapes)
    : surface_(cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(surface.Pixels),
                                                   CAIRO_FORMAT_ARGB32, surface.Width, surface.Height,
                                                   surface.Stride * 4)),
      cairo_(cairo_create(surface_)),
      shapes_(shapes)
{
}

Canvas::~Canvas()
{
    for (cairo_pattern_t* mask : masks_) cairo_pattern_destroy(mask);
    cairo_destroy(cairo_);
    cairo_surface_flush(surface_);
    cairo_surface_destroy(surface_);
}

bool Canvas::SetPath(const std::vector<Contour>& contours, const Matrix& toSurface)
{
    if (!Usable(toSurface))
        return false;
    cairo_matrix_t matrix = ToCairo(toSurface);
    cairo_set_matrix(cairo_, &matrix);
    cairo_new_path(cairo_);
    for (const Contour& contour : contours) {
        Point at = contour.Start;
        cairo_move_to(cairo_, at.X, at.Y);
        for (const Segment& segment : contour.Segments) {
            if (segment.Curve) {
                // The quadratic curve as the cubic that traces it.
                const Point& c = segment.Control;
                cairo_curve_to(cairo_, at.X + (c.X - at.X) * 2 / 3, at.Y + (c.Y - at.Y) * 2 / 3,
                               segment.To.X + (c.X - segment.To.X) * 2 / 3,
                               segment.To.Y + (c.Y - segment.To.Y) * 2 / 3, segment.To.X, segment.To.Y);
            } else {
                cairo_line_to(cairo_, segment.To.X, segment.To.Y);
            }
            at = segment.To;
        }
        if (at == contour.Start && contour.Segments.size() > 1)
            cairo_close_path(cairo_);
    }
    return true;
}

bool Canvas::SetSource(const Paint& paint)
{
    const FillStyle& fill = paint.Fill;
    if (fill.Kind == FillKind::Solid) {
        cairo_set_source_rgba(cairo_, Channel(fill.Argb, 16), Channel(fill.Argb, 8), Channel(fill.Argb, 0),
                              Channel(fill.Argb, 24));
        return true;
    }
    bool noImage = !paint.Image || paint.Image->Width <= 0 || paint.Image->Height <= 0;
    if (!Usable(fill.Transform) || (fill.Kind == FillKind::Bitmap && noImage))
        return false;
    cairo_pattern_t* pattern = fill.Kind == FillKind::Bitmap ? BitmapPattern(fill, *paint.Image) : GradientPattern(fill);
    // A pattern's matrix maps the shape's space into the pattern's.
    Matrix toShape = fill.Kind == FillKind::Bitmap ? fill.Transform
                                                   : fill.Transform.Then(Matrix::Scale(GradientHalf, GradientHalf));
    cairo_matrix_t matrix = ToCairo(toShape);
    cairo_matrix_invert(&matrix);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_source(cairo_, pattern);
    cairo_pattern_destroy(pattern);
    return true;
}

void Canvas::Fill(const std::vector<Contour>& contours, const Matrix& toSurface, const Paint& paint, bool winding)
{
    if (!SetPath(contours, toSurface) || !SetSource(paint))
        return;
    cairo_set_fill_rule(cairo_, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
    cairo_fill(cairo_);
}

void Canvas::Stroke(const std::vector<Contour>& contours, const Matrix& toSurface, const LineStyle& line,
                    const Paint& paint)
{
    if (!SetPath(contours, toSurface) || !SetSource(paint))
        return;
    double scale = std::sqrt(std::fabs(toSurface.Determinant()));
    cairo_set_line_width(cairo_, std::max(line.Width, 1 / scale));
    cairo_set_line_cap(cairo_, line.StartCap == Cap::None     ? CAIRO_LINE_CAP_BUTT
                               : line.StartCap == Cap::Square ? CAIRO_LINE_CAP_SQUARE
                                                              : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo_, line.JoinStyle == Join::Bevel   ? CAIRO_LINE_JOIN_BEVEL
                                : line.JoinStyle == Join::Miter ? CAIRO_LINE_JOIN_MITER
                                                           : CAIRO_LINE_JOIN_ROUND);
    cairo_set_miter_limit(cairo_, std::max(line.MiterLimit, 1.0));
    cairo_stroke(cairo_);
}

void Canvas::DrawShape(PictureKey key, const Extent& extent, const Matrix& toSurface,
                       const std::function<void(const Matrix&)>& draw)
{
    // Whole pixels of translation move the picture and leave the pixels
    // drawn as they are; the rest goes into the key.
    double wholeX = std::floor(toSurface.Tx), wholeY = std::floor(toSurface.Ty);
    if (!shapes_ || !Usable(toSurface) || std::fabs(wholeX) > MaxPictureOffset || std::fabs(wholeY) > MaxPictureOffset)
        return draw(toSurface);
    Matrix rest = toSurface;
    rest.Tx -= wholeX;
    rest.Ty -= wholeY;
    std::optional<PixelBox> box = PictureBox(extent, rest);
    if (!box)
        return draw(toSurface);
    key.Placement = rest;
    ShapePicture& picture = shapes_->Visit(key);
    if (!picture.Image) {
        if (!picture.Seen) {
            picture.Seen = true;
            return draw(toSurface);
        }
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, box->Width, box->Height);
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(image);
            return draw(toSurface);
        }
        cairo_t* onPicture = cairo_create(image);
        std::swap(cairo_, onPicture);
        rest.Tx -= box->X;
        rest.Ty -= box->Y;
        draw(rest);
        std::swap(cairo_, onPicture);
        cairo_destroy(onPicture);
        cairo_surface_flush(image);
        picture.Image = image;
        picture.X = box->X;
        picture.Y = box->Y;
        shapes_->Keep(picture);
    }
    int x = static_cast<int>(wholeX) + picture.X, y = static_cast<int>(wholeY) + picture.Y;
    // Straight onto the pixels where they are colour: the same sum as
    // cairo's, in fewer steps.
    cairo_surface_t* target = cairo_get_group_target(cairo_);
    if (cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE
        && cairo_image_surface_get_format(target) == CAIRO_FORMAT_ARGB32) {
        double offsetX, offsetY;
        cairo_surface_get_device_offset(target, &offsetX, &offsetY);
        CompositeOver(Pixels(picture.Image), Pixels(target), x + static_cast<int>(offsetX),
                      y + static_cast<int>(offsetY));
        cairo_surface_mark_dirty(target);
        return;
    }
    cairo_identity_matrix(cairo_);
    cairo_set_source_surface(cairo_, picture.Image, x, y);
    cairo_paint(cairo_);
}

void Canvas::ShowDeviceGlyph(const TextStyle& style, char32_t code, const Matrix& toSurface, const Paint& paint)
{
    if (!Usable(toSurface) || !SetSource(paint))
        return;
    cairo_matrix_t matrix = ToCairo(toSurface);
    cairo_set_matrix(cairo_, &matrix);
    cairo_font_face_t* face = CreateDeviceFace(style);
    cairo_set_font_face(cairo_, face);
    cairo_font_face_destroy(face);
    cairo_set_font_size(cairo_, style.Size);
    cairo_new_path(cairo_);
    cairo_move_to(cairo_, 0, 0);
    cairo_show_text(cairo_, Utf8FromCode(code).c_str());
}

void Canvas::BeginLayer()
{
    cairo_identity_matrix(cairo_);
    cairo_push_group_with_content(cairo_, CAIRO_CONTENT_COLOR_ALPHA);
    ++layers_;
}

void Canvas::EndLayer(const std::vector<Filter>& filters, BlendMode mode, double scaleX, double scaleY)
{
    cairo_identity_matrix(cairo_);
    cairo_pattern_t* layer = cairo_pop_group(cairo_);
    --layers_;
    cairo_surface_t* image = nullptr;
    if (cairo_pattern_get_surface(layer, &image) != CAIRO_STATUS_SUCCESS
        || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE) {
        cairo_pattern_destroy(layer);
        return;
    }
    if (!filters.empty()) {
        ApplyFilters(filters, Pixels(image), scaleX, scaleY);
        cairo_surface_mark_dirty(image);
    }
    // Alpha and erase work on the layer they are in; on the stage itself
    // they would wipe it, so there they draw nothing.
    bool onParentLayer = mode != BlendMode::Alpha && mode != BlendMode::Erase;
    if (onParentLayer || layers_ > 0) {
        if (mode == BlendMode::Subtract || mode == BlendMode::Invert) {
            cairo_surface_t* target = cairo_get_group_target(cairo_);
            double sx, sy, tx, ty;
            cairo_surface_get_device_offset(image, &sx, &sy);
            cairo_surface_get_device_offset(target, &tx, &ty);
            if (cairo_surface_get_type(target) == CAIRO_SURFACE_TYPE_IMAGE) {
                BlendPixels(mode, Pixels(image), Pixels(target), static_cast<int>(tx - sx), static_cast<int>(ty - sy));
                cairo_surface_mark_dirty(target);
            }
        } else {
            cairo_set_source(cairo_, layer);
            cairo_set_operator(cairo_, Operator(mode));
            cairo_paint(cairo_);
            cairo_set_operator(cairo_, CAIRO_OPERATOR_OVER);
        }
    }
    cairo_pattern_destroy(layer);
}

// Groups are pushed and popped in surface space, so that a mask and what it
// masks line up whatever the last path's matrix was.
void Canvas::BeginMask()
{
    cairo_identity_matrix(cairo_);
    cairo_push_group_with_content(cairo_, CAIRO_CONTENT_ALPHA);
}

void Canvas::BeginMasked()
{
    cairo_identity_matrix(cairo_);
    masks_.push_back(cairo_pop_group(cairo_));
    cairo_push_group(cairo_);
}

void Canvas::EndMasked()
{
    cairo_identity_matrix(cairo_);
    cairo_pop_group_to_source(cairo_);
    cairo_mask(cairo_, masks_.back());
    cairo_pattern_destroy(masks_.back());
    masks_.pop_back();
}

}
