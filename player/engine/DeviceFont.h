#pragma once
// Fonts of the system for text fields that embed none: cairo's own choice of
// face for a family name (the Windows font backend in the player, fontconfig
// natively), measured here and drawn by the Canvas.
#include <map>
#include <string>
#include <tuple>

#include "TextLayout.h"

struct _cairo_font_face;
struct _cairo_scaled_font;

namespace tvmplayer {

// A new reference to the face for the style's family, weight and slant.
_cairo_font_face* CreateDeviceFace(const TextStyle& style);

// Measures embedded fonts by their layout and device fonts through cairo.
class FieldMetrics : public FontMetrics {
public:
    FieldMetrics() = default;
    ~FieldMetrics() override;
    FieldMetrics(const FieldMetrics&) = delete;
    FieldMetrics& operator=(const FieldMetrics&) = delete;

    double Advance(const TextStyle& style, char32_t code) override;
    void Extents(const TextStyle& style, double& ascent, double& descent) override;

private:
    // Unhinted, at a size of one unit, scaled to the style's size.
    _cairo_scaled_font* Scaled(const TextStyle& style);

    std::map<std::tuple<std::string, bool, bool>, _cairo_scaled_font*> fonts_;
};

}
