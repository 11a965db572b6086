#include "GraphicsObjects.h"

#include "Graphics.h"

HGDIOBJ TGraphicsObject::Object()
{
    if (!object_) object_.Reset(CreateObject());
    return object_.Get();
}

void TGraphicsObject::Changed(HGDIOBJ replacement)
{
    auto old = std::move(object_);
    // Taking over the object already held keeps it alive.
    if (replacement && replacement == old.Get()) old.Release();
    object_.Reset(replacement);
    if (OnChange) OnChange(this);
}

void TPen::Assign(const TPersistent* source)
{
    auto* pen = dynamic_cast<const TPen*>(source);
    if (!pen) {
        TGraphicsObject::Assign(source);
        return;
    }
    color_ = pen->color_;
    style_ = pen->style_;
    width_ = pen->width_;
    mode_ = pen->mode_;
    Changed();
}

void TPen::SetWidth(int width)
{
    if (width == width_ || width < 0) return;
    width_ = width;
    Changed();
}

int TPen::RasterOperation() const
{
    constexpr int Operations[] = {
        R2_BLACK,       R2_WHITE,      R2_NOP,   R2_NOT,       R2_COPYPEN,    R2_NOTCOPYPEN,
        R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
        R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN,
    };
    return Operations[mode_];
}

HGDIOBJ TPen::CreateObject()
{
    constexpr int Styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    return CreatePen(Styles[style_], width_, ColorToRGB(color_));
}

void TBrush::Assign(const TPersistent* source)
{
    auto* brush = dynamic_cast<const TBrush*>(source);
    if (!brush) {
        TGraphicsObject::Assign(source);
        return;
    }
    color_ = brush->color_;
    style_ = brush->style_;
    bitmap_ = brush->bitmap_;
    Changed();
}

void TBrush::SetColor(TColor color)
{
    if (color == color_) return;
    color_ = color;
    // A colour asks for paint: a clear brush would not show it.
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

HGDIOBJ TBrush::CreateObject()
{
    if (bitmap_ && bitmap_->Handle()) return CreatePatternBrush(bitmap_->Handle());
    LOGBRUSH description{};
    description.lbColor = ColorToRGB(color_);
    if (style_ == bsSolid) {
        description.lbStyle = BS_SOLID;
    } else if (style_ == bsClear) {
        description.lbStyle = BS_NULL;
    } else {
        constexpr int Hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        description.lbStyle = BS_HATCHED;
        description.lbHatch = static_cast<ULONG_PTR>(Hatches[style_ - bsHorizontal]);
    }
    return CreateBrushIndirect(&description);
}
