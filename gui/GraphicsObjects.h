#pragma once
// Drawing tools a canvas selects: each describes one system object, makes
// it on first use of its handle and tells its owner of every change.
#include <windows.h>

#include "Colors.h"
#include "GdiHandle.h"
#include "Persistent.h"

class TBitmap;

class TGraphicsObject : public TPersistent {
public:
    TGraphicsObject() = default;
    TGraphicsObject(const TGraphicsObject&) = delete;
    TGraphicsObject& operator=(const TGraphicsObject&) = delete;
    std::string ClassName() const override { return "TGraphicsObject"; }

    // Told after every change. The object the listener may have selected
    // stays alive until the listener returns, so a canvas can put it back
    // out of its DC before it is deleted.
    TNotifyEvent OnChange;

protected:
    // The system object, made from the description when there is none.
    HGDIOBJ Object();
    bool ObjectAllocated() const { return static_cast<bool>(object_); }
    virtual HGDIOBJ CreateObject() = 0;
    // The description changed: the old object goes once listeners know. A
    // replacement made elsewhere, matching the new description, is taken
    // over in its place.
    void Changed(HGDIOBJ replacement = nullptr);
    // Sets one part of the description, telling of it only when it differs.
    template <typename T>
    void Update(T& field, const T& value)
    {
        if (field == value) return;
        field = value;
        Changed();
    }

private:
    TUniqueHandle<HGDIOBJ, gdi_detail::DeleteGdiObject> object_;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};

class TPen : public TGraphicsObject {
public:
    std::string ClassName() const override { return "TPen"; }
    void Assign(const TPersistent* source) override;

    TColor GetColor() const { return color_; }
    void SetColor(TColor color) { Update(color_, color); }
    TPenStyle GetStyle() const { return style_; }
    void SetStyle(TPenStyle style) { Update(style_, style); }
    int GetWidth() const { return width_; }
    void SetWidth(int width);
    // How the pen mixes with what is drawn over; a canvas applies it with
    // the pen, it is not part of the system object.
    TPenMode GetMode() const { return mode_; }
    void SetMode(TPenMode mode) { Update(mode_, mode); }
    // The raster operation (R2_*) the mode stands for.
    int RasterOperation() const;

    HPEN Handle() { return static_cast<HPEN>(Object()); }

protected:
    HGDIOBJ CreateObject() override;

private:
    TColor color_ = clBlack;
    TPenStyle style_ = psSolid;
    int width_ = 1;
    TPenMode mode_ = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
public:
    std::string ClassName() const override { return "TBrush"; }
    void Assign(const TPersistent* source) override;

    // System colours (clBtnFace, ...) are resolved when the brush is made.
    TColor GetColor() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle GetStyle() const { return style_; }
    void SetStyle(TBrushStyle style) { Update(style_, style); }
    // A pattern bitmap, not owned, overrides colour and style while set;
    // the caller keeps it alive as long as the brush uses it.
    TBitmap* GetBitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* bitmap) { Update(bitmap_, bitmap); }

    HBRUSH Handle() { return static_cast<HBRUSH>(Object()); }

protected:
    HGDIOBJ CreateObject() override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
};
