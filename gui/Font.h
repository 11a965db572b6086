#pragma once
// A font description that controls and canvases draw with; the system font
// is made from it on first use of Handle.
#include <windows.h>

#include <string>

#include "Colors.h"
#include "GraphicsObjects.h"

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TGraphicsObject {
public:
    std::string ClassName() const override { return "TFont"; }

    void Assign(const TPersistent* source) override;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name) { Update(name_, name); }
    // Size in points and Height in pixels are one setting: a negative height
    // is the characters' height without internal leading, at the screen's
    // pixels per inch.
    int GetSize() const;
    void SetSize(int points);
    int GetHeight() const { return height_; }
    void SetHeight(int pixels) { Update(height_, pixels); }
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles style) { Update(style_, style); }
    TColor GetColor() const { return color_; }
    void SetColor(TColor color) { Update(color_, color); }
    BYTE GetCharset() const { return charset_; }
    void SetCharset(BYTE charset) { Update(charset_, charset); }
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch) { Update(pitch_, pitch); }

    HFONT Handle() { return static_cast<HFONT>(Object()); }
    // Takes the font over (it is deleted with this object) and reads its
    // description from it; the colour stays.
    void SetHandle(HFONT font);

    // The screen's pixels per inch, which sizes and heights convert with.
    static int PixelsPerInch();

protected:
    HGDIOBJ CreateObject() override;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -MulDiv(8, PixelsPerInch(), 72);
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    BYTE charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
};
