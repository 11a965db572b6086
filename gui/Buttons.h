#pragma once
// Buttons with pictures: the glyph cells they draw by state, the push
// button that draws its glyph beside its caption, and the windowless speed
// button that can stay down alone or in a group.
#include <memory>

#include "Graphics.h"
#include "StdCtrls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// Which glyph cell shows: up, disabled, clicked, down (stuck down).
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// A strip of one to four equal glyph cells, one per state, whose bottom-left
// pixel's colour is transparent. A state without a cell of its own shows the
// up cell; the disabled state then shows it greyed.
class TButtonGlyph {
public:
    TButtonGlyph();
    ~TButtonGlyph();

    TBitmap& Glyph() { return *glyph_; }
    void SetGlyph(const TBitmap* glyph) { glyph_->Assign(glyph); }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int count);

    // The glyph and the caption together, centred in Client, Spacing apart;
    // a down button draws them one pixel lower and to the right.
    void Draw(TCanvas& canvas, const TRect& client, const std::string& caption, TButtonLayout layout, int spacing,
              TButtonState state);

private:
    SIZE CellSize();
    // The cell of State, greyed when disabled without its own cell.
    std::unique_ptr<TBitmap> Cell(TButtonState state);

    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
};

// A push button that draws its glyph and caption itself.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    std::string ClassName() const override { return "TBitBtn"; }

    TBitmap& Glyph() { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int count);
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;

protected:
    DWORD ButtonStyle() const override { return BS_OWNERDRAW; }
    void WndProc(TMessage& message) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    TButtonGlyph glyph_;
};

// A windowless button. With a GroupIndex it stays down when clicked, and
// the other buttons of its group on the same parent come up; AllowAllUp
// lets a click bring the down button of a group up again. A flat button
// shows its frame only while the pointer is over it or it is down.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);
    std::string ClassName() const override { return "TSpeedButton"; }

    TBitmap& Glyph() { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* glyph);
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int count);
    TButtonLayout Layout = blGlyphLeft;
    int Spacing = 4;
    bool Flat() const { return flat_; }
    void SetFlat(bool flat);
    int GroupIndex = 0;
    bool AllowAllUp = false;
    bool Down() const { return down_; }
    void SetDown(bool down);

    void Click() override;

protected:
    void Paint() override;
    void WndProc(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    TButtonState State() const;
    void SetPressed(bool pressed);

    TButtonGlyph glyph_;
    bool flat_ = false;
    bool down_ = false;
    bool pressed_ = false;
    bool mouseInside_ = false;
};
