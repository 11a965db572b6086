#pragma once
// The rasterizer: anti-aliased paths filled and stroked with colours,
// gradients and bitmaps into a Surface, and masks. Everything about cairo
// stays behind this class.
#include <vector>

#include "Bitmap.h"
#include "BlendModes.h"
#include "Filters.h"
#include "Shape.h"
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
    explicit Canvas(const Surface& surface);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // toSurface maps the contours' space (twips) to surface pixels.
    void Fill(const std::vector<Contour>& contours, const Matrix& toSurface, const Paint& paint, bool winding);
    // Lines thinner than a pixel on the surface are drawn a pixel wide.
    void Stroke(const std::vector<Contour>& contours, const Matrix& toSurface, const LineStyle& line,
                const Paint& paint);

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
    std::vector<_cairo_pattern*> masks_;
    int layers_ = 0;
};

}
