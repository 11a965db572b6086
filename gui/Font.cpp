#include "Font.h"

int TFont::PixelsPerInch()
{
    static const int ppi = [] {
        HDC screen = GetDC(nullptr);
        int value = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return value;
    }();
    return ppi;
}

void TFont::Assign(const TPersistent* source)
{
    auto* font = dynamic_cast<const TFont*>(source);
    if (!font) {
        TGraphicsObject::Assign(source);
        return;
    }
    name_ = font->name_;
    height_ = font->height_;
    style_ = font->style_;
    color_ = font->color_;
    charset_ = font->charset_;
    pitch_ = font->pitch_;
    Changed();
}

int TFont::GetSize() const
{
    return -MulDiv(height_, 72, PixelsPerInch());
}

void TFont::SetSize(int points)
{
    SetHeight(-MulDiv(points, PixelsPerInch(), 72));
}

void TFont::SetHandle(HFONT font)
{
    LOGFONTA lf{};
    if (!font || !GetObjectA(font, sizeof lf, &lf)) return;
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    style_ = (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
             (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0);
    charset_ = lf.lfCharSet;
    const int pitch = lf.lfPitchAndFamily & 3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed(font);
}

HGDIOBJ TFont::CreateObject()
{
    LOGFONTA lf{};
    lf.lfHeight = height_;
    lf.lfWeight = style_ & fsBold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) != 0;
    lf.lfUnderline = (style_ & fsUnderline) != 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) != 0;
    lf.lfCharSet = charset_;
    lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    lstrcpynA(lf.lfFaceName, name_.c_str(), LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}
