#pragma once
// The rasterizer: anti-aliased paths filled and stroked with colours,
// gradients and bitmaps into a Surface, and masks. Everything about cairo
// stays behind this class.
#include <functional>
#include <vector>

#include "Bitmap.h"
#include "BlendModes.h"
#include "Filters.h"
#include "Shape.h"
#include "ShapeCache.h"
#include "Surface.h"
#include "TextLayout.h"

struct _cairo;
struct _cairo_surface;
struct _cairo_pattern;

namespace tvmplayer {

// A fill style ready to draw: its colours transformed, its bitmap found.
struct Paint {
    FillStyle Fill;
    const Bitmap* Image = nullptr;  // for bitmap fills
};

class Canvas {
public:
    // shapes: where pictures of shapes stay from frame to frame; none draws
    // every shape afresh.
    explicit Canvas(const Surface& surface, ShapeCache* shapes = nullptr);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // toSurface maps the contours' space (twips) to surface pixels.
    void Fill(const std::vector<Contour>& contours, const Matrix& toSurface, const Paint& paint, bool winding);
    // Lines thinner than a pixel on the surface are drawn a pixel wide.
    void Stroke(const std::vector<Contour>& contours, const Matrix& toSurface, const LineStyle& line,
                const Paint& paint);

    // Draws a shape that reaches as far as extent through its picture in the
    // cache, once its key has come before; draw draws the shape with the
    // matrix it is given. Without a cache, or for a picture too large to
    // keep, draw draws straight with toSurface.
    void DrawShape(PictureKey key, const Extent& extent, const Matrix& toSurface,
                   const std::function<void(const Matrix&)>& draw);

    // One character of a device font, its origin on the baseline at the
    // origin of toSurface's space (twips).
    void ShowDeviceGlyph(const TextStyle& style, char32_t code, const Matrix& toSurface, const Paint& paint);

    // What is drawn after BeginMask is the mask; what is drawn after
    // BeginMasked shows only where the mask covers, once EndMasked comes.
    void BeginMask();
    void BeginMasked();
    void EndMasked();

    // What is drawn after BeginLayer is filtered, then blended onto what
    // was drawn before by EndLayer; scale: surface pixels per stage pixel.
    void BeginLayer();
    void EndLayer(const std::vector<Filter>& filters, BlendMode mode, double scaleX, double scaleY);

private:
    bool SetPath(const std::vector<Contour>& contours, const Matrix& toSurface);
    bool SetSource(const Paint& paint);

    _cairo_surface* surface_;
    _cairo* cairo_;
    ShapeCache* shapes_;
    std::vector<_cairo_pattern*> masks_;
    int layers_ = 0;
};

}
