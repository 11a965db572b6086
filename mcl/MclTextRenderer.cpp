#include "MclTextRenderer.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT DrawFlags = DT_NOPREFIX | DT_LEFT | DT_TOP;

// Anti-aliased white text on black in a DIB section: how much of each pixel
// the text covers, 0 to 255.
class CoverageMask {
public:
    CoverageMask(HFONT font, SIZE size, const std::string& text) : size_(size)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc && bitmap) {
            HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
            HGDIOBJ oldFont = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(255, 255, 255));
            RECT box{0, 0, size.cx, size.cy};
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, DrawFlags);
            GdiFlush();
            const auto* pixels = static_cast<const uint8_t*>(bits);
            coverage_.resize(static_cast<size_t>(size.cx) * size.cy);
            for (size_t i = 0; i < coverage_.size(); ++i)
                coverage_[i] = std::max({pixels[i * 4], pixels[i * 4 + 1], pixels[i * 4 + 2]});
            SelectObject(dc, oldFont);
            SelectObject(dc, oldBitmap);
        }
        if (bitmap) DeleteObject(bitmap);
        if (dc) DeleteDC(dc);
    }

    // Lays Color over Picture where the text covers it, the mask's top left at
    // (X, Y); a picture with alpha becomes as opaque as the text there.
    void Paint(MclPicture& picture, int64_t x, int64_t y, MclColor color) const
    {
        if (coverage_.empty()) return;
        const uint8_t bgr[3] = {static_cast<uint8_t>(color >> 16), static_cast<uint8_t>(color >> 8),
                                static_cast<uint8_t>(color)};
        int32_t bpp = picture.BytesPerPixel();
        for (int64_t row = std::max<int64_t>(y, 0); row < std::min<int64_t>(y + size_.cy, picture.Height); ++row)
            for (int64_t col = std::max<int64_t>(x, 0); col < std::min<int64_t>(x + size_.cx, picture.Width);
                 ++col) {
                uint32_t c = coverage_[static_cast<size_t>((row - y) * size_.cx + (col - x))];
                if (!c) continue;
                uint8_t* d = picture.Row(static_cast<int32_t>(row)) + col * bpp;
                for (int i = 0; i < 3; ++i) d[i] = static_cast<uint8_t>((bgr[i] * c + d[i] * (255 - c) + 127) / 255);
                if (bpp == 4) d[3] = std::max<uint8_t>(d[3], static_cast<uint8_t>(c));
            }
    }

private:
    SIZE size_;
    std::vector<uint8_t> coverage_;
};

}

MclTextRenderer::MclTextRenderer()
{
    SetFont("Arial", 12, 0, 1);
}

MclTextRenderer::~MclTextRenderer()
{
    if (font_) DeleteObject(font_);
}

bool MclTextRenderer::SetFont(const std::string& name, int32_t size, int32_t style, int32_t quality)
{
    if (size <= 0 || size > 2000 || name.size() >= LF_FACESIZE) return false;
    LOGFONTA description{};
    description.lfHeight = -MulDiv(size, 96, 72);
    description.lfWeight = style & MCL_STYLE_BOLD ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (style & MCL_STYLE_ITALIC) != 0;
    description.lfUnderline = (style & MCL_STYLE_UNDERLINE) != 0;
    description.lfStrikeOut = (style & MCL_STYLE_STRIKEOUT) != 0;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = quality ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
    name.copy(description.lfFaceName, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectA(&description);
    if (!font) return false;
    if (font_) DeleteObject(font_);
    font_ = font;
    return true;
}

void MclTextRenderer::SetShadow(int32_t depth, int32_t dx, int32_t dy)
{
    shadowDepth_ = std::clamp(depth, 0, 64);
    shadowDx_ = std::clamp(dx, -64, 64);
    shadowDy_ = std::clamp(dy, -64, 64);
}

void MclTextRenderer::SetColors(MclColor color, MclColor shadow, int32_t background)
{
    color_ = color;
    shadowColor_ = shadow;
    background_ = background;
}

SIZE MclTextRenderer::TextSize(HDC dc, const std::string& text) const
{
    HGDIOBJ old = SelectObject(dc, font_);
    RECT box{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &box, DrawFlags | DT_CALCRECT);
    SelectObject(dc, old);
    return SIZE{box.right - box.left, box.bottom - box.top};
}

SIZE MclTextRenderer::Extents(const std::string& text) const
{
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE size = TextSize(dc, text);
    DeleteDC(dc);
    if (size.cx <= 0 || size.cy <= 0) return SIZE{0, 0};
    return SIZE{size.cx + shadowDepth_ * std::abs(shadowDx_), size.cy + shadowDepth_ * std::abs(shadowDy_)};
}

void MclTextRenderer::Draw(MclPicture& picture, int32_t x, int32_t y, const std::string& text) const
{
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE size = TextSize(dc, text);
    DeleteDC(dc);
    if (size.cx <= 0 || size.cy <= 0) return;
    SIZE box = Extents(text);
    if (background_ != -1) {
        MclPicture fill;
        fill.Redim(box.cx, box.cy, 24);
        fill.Clear(static_cast<MclColor>(background_) & 0xFFFFFF);
        picture.Insert(fill, x, y);
    }
    // The text sits where its shadow, going the other way, still fits the box.
    int64_t left = int64_t{x} + (shadowDx_ < 0 ? shadowDepth_ * -shadowDx_ : 0);
    int64_t top = int64_t{y} + (shadowDy_ < 0 ? shadowDepth_ * -shadowDy_ : 0);
    CoverageMask mask(font_, size, text);
    for (int32_t k = shadowDepth_; k >= 1; --k)
        mask.Paint(picture, left + int64_t{k} * shadowDx_, top + int64_t{k} * shadowDy_, shadowColor_);
    mask.Paint(picture, left, top, color_);
}

MclHandleTable<MclTextRenderer>& TextRenderers()
{
    static MclHandleTable<MclTextRenderer> table;
    return table;
}

MclTextRenderer* TextFromHandle(MclText text)
{
    return TextRenderers().Find(text);
}
