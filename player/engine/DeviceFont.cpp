#include "DeviceFont.h"

#include <cairo.h>

#include "ActionText.h"

namespace tvmplayer {
namespace {

// Sizes are measured at this many units and scaled: small enough for the
// fixed-point maths of font backends, large enough to stay exact.
constexpr double MeasureSize = 1000;

}

_cairo_font_face* CreateDeviceFace(const TextStyle& style)
{
    return cairo_toy_font_face_create(style.Family.c_str(),
                                      style.Italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                                      style.Bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
}

FieldMetrics::~FieldMetrics()
{
    for (auto& [key, font] : fonts_) cairo_scaled_font_destroy(font);
}

cairo_scaled_font_t* FieldMetrics::Scaled(const TextStyle& style)
{
    auto key = std::make_tuple(style.Family, style.Bold, style.Italic);
    auto found = fonts_.find(key);
    if (found != fonts_.end())
        return found->second;
    cairo_font_face_t* face = CreateDeviceFace(style);
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, MeasureSize, MeasureSize);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &size, &identity, options);
    cairo_font_options_destroy(options);
    cairo_font_face_destroy(face);
    return fonts_.emplace(key, font).first->second;
}

double FieldMetrics::Advance(const TextStyle& style, char32_t code)
{
    if (style.Embedded)
        return EmbeddedAdvance(*style.Embedded, style.Size, code);
    cairo_scaled_font_t* font = Scaled(style);
    if (cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS)
        return style.Size / 2;
    cairo_text_extents_t extents;
    cairo_scaled_font_text_extents(font, Utf8FromCode(code).c_str(), &extents);
    return extents.x_advance * style.Size / MeasureSize;
}

void FieldMetrics::Extents(const TextStyle& style, double& ascent, double& descent)
{
    if (style.Embedded)
        return EmbeddedExtents(*style.Embedded, style.Size, ascent, descent);
    cairo_scaled_font_t* font = Scaled(style);
    cairo_font_extents_t extents{};
    if (cairo_scaled_font_status(font) == CAIRO_STATUS_SUCCESS)
        cairo_scaled_font_extents(font, &extents);
    if (extents.ascent <= 0 && extents.descent <= 0) {
        extents.ascent = MeasureSize * 0.9;
        extents.descent = MeasureSize * 0.25;
    }
    ascent = extents.ascent * style.Size / MeasureSize;
    descent = extents.descent * style.Size / MeasureSize;
}

}
