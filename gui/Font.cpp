#include "Font.h"

TFont::~TFont()
{
    if (handle_) DeleteObject(handle_);
}

void TFont::Assign(const TPersistent* source)
{
    auto* font = dynamic_cast<const TFont*>(source);
    if (!font) {
        TPersistent::Assign(source);
        return;
    }
    name_ = font->name_;
    size_ = font->size_;
    style_ = font->style_;
    color_ = font->color_;
    charset_ = font->charset_;
    pitch_ = font->pitch_;
    Changed();
}

void TFont::SetName(const std::string& name)
{
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetSize(int points)
{
    if (points == size_) return;
    size_ = points;
    Changed();
}

void TFont::SetStyle(TFontStyles style)
{
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetCharset(BYTE charset)
{
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch)
{
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

HFONT TFont::Handle()
{
    if (!handle_) {
        LOGFONTA lf{};
        HDC screen = GetDC(nullptr);
        lf.lfHeight = -MulDiv(size_, GetDeviceCaps(screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, screen);
        lf.lfWeight = style_ & fsBold ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) != 0;
        lf.lfUnderline = (style_ & fsUnderline) != 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) != 0;
        lf.lfCharSet = charset_;
        lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
        lstrcpynA(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
        handle_ = CreateFontIndirectA(&lf);
    }
    return handle_;
}

void TFont::Changed()
{
    if (handle_) {
        DeleteObject(handle_);
        handle_ = nullptr;
    }
    if (OnChange) OnChange(this);
}
