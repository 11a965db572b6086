#pragma once
// A font description that controls and canvases draw with; the system font
// is made from it on first use of Handle.
#include <windows.h>

#include <string>

#include "Colors.h"
#include "Persistent.h"

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public TPersistent {
public:
    TFont() = default;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;
    ~TFont() override;
    std::string ClassName() const override { return "TFont"; }

    void Assign(const TPersistent* source) override;

    const std::string& GetName() const { return name_; }
    void SetName(const std::string& name);
    int GetSize() const { return size_; }
    void SetSize(int points);
    TFontStyles GetStyle() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    BYTE GetCharset() const { return charset_; }
    void SetCharset(BYTE charset);
    TFontPitch GetPitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);

    HFONT Handle();

    TNotifyEvent OnChange;

private:
    void Changed();

    std::string name_ = "MS Sans Serif";
    int size_ = 8;
    TFontStyles style_ = 0;
    TColor color_ = clWindowText;
    BYTE charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    HFONT handle_ = nullptr;
};
