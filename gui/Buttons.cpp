#include "Buttons.h"

#include <algorithm>

#include "Canvas.h"
#include "Forms.h"

// ---- TButtonGlyph ----

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {}

TButtonGlyph::~TButtonGlyph() = default;

void TButtonGlyph::SetNumGlyphs(int count)
{
    numGlyphs_ = std::clamp(count, 1, 4);
}

SIZE TButtonGlyph::CellSize()
{
    if (glyph_->Empty()) return SIZE{0, 0};
    return SIZE{glyph_->Width() / numGlyphs_, glyph_->Height()};
}

std::unique_ptr<TBitmap> TButtonGlyph::Cell(TButtonState state)
{
    const SIZE size = CellSize();
    const int index = state < numGlyphs_ ? state : bsUp;
    auto cell = std::make_unique<TBitmap>();
    cell->SetPixelFormat(pf24bit);
    cell->SetSize(size.cx, size.cy);
    cell->Canvas().CopyRect(Rect(0, 0, size.cx, size.cy), glyph_->Canvas(),
                            Rect(index * size.cx, 0, (index + 1) * size.cx, size.cy));
    const TColor transparent = ColorToRGB(glyph_->TransparentColor());
    cell->SetTransparentColor(transparent);
    cell->SetTransparent(true);
    if (state == bsDisabled && index == bsUp) {
        // Greyed and lightened, so it reads as out of reach.
        for (int y = 0; y < size.cy; ++y)
            for (int x = 0; x < size.cx; ++x) {
                const TColor color = cell->Canvas().Pixels(x, y);
                if (color == transparent) continue;
                const int grey = (GetRValue(color) * 30 + GetGValue(color) * 59 + GetBValue(color) * 11) / 200 + 128;
                cell->Canvas().SetPixels(x, y, RGB(grey, grey, grey));
            }
    }
    return cell;
}

void TButtonGlyph::Draw(TCanvas& canvas, const TRect& client, const std::string& caption, TButtonLayout layout,
                        int spacing, TButtonState state)
{
    const SIZE glyph = CellSize();
    const SIZE text = caption.empty() ? SIZE{0, 0} : canvas.TextExtent(caption);
    const int gap = glyph.cx && text.cx ? spacing : 0;
    const bool across = layout == blGlyphLeft || layout == blGlyphRight;
    const int totalWidth = across ? glyph.cx + gap + text.cx : std::max(glyph.cx, text.cx);
    const int totalHeight = across ? std::max(glyph.cy, text.cy) : glyph.cy + gap + text.cy;
    const int shift = state == bsDown || state == bsExclusive ? 1 : 0;
    const int left = client.left + (RectWidth(client) - totalWidth) / 2 + shift;
    const int top = client.top + (RectHeight(client) - totalHeight) / 2 + shift;

    POINT glyphAt{};
    POINT textAt{};
    switch (layout) {
    case blGlyphLeft:
        glyphAt = {left, top + (totalHeight - glyph.cy) / 2};
        textAt = {left + glyph.cx + gap, top + (totalHeight - text.cy) / 2};
        break;
    case blGlyphRight:
        textAt = {left, top + (totalHeight - text.cy) / 2};
        glyphAt = {left + text.cx + gap, top + (totalHeight - glyph.cy) / 2};
        break;
    case blGlyphTop:
        glyphAt = {left + (totalWidth - glyph.cx) / 2, top};
        textAt = {left + (totalWidth - text.cx) / 2, top + glyph.cy + gap};
        break;
    case blGlyphBottom:
        textAt = {left + (totalWidth - text.cx) / 2, top};
        glyphAt = {left + (totalWidth - glyph.cx) / 2, top + text.cy + gap};
        break;
    }
    if (glyph.cx) canvas.Draw(glyphAt.x, glyphAt.y, *Cell(state));
    if (text.cx) {
        canvas.Brush().SetStyle(bsClear);
        if (state == bsDisabled) {
            // The etched look of disabled system text.
            canvas.Font().SetColor(clBtnHighlight);
            canvas.TextOut(textAt.x + 1, textAt.y + 1, caption);
            canvas.Font().SetColor(clBtnShadow);
        }
        canvas.TextOut(textAt.x, textAt.y, caption);
    }
}

// ---- TBitBtn ----

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

void TBitBtn::SetGlyph(const TBitmap* glyph)
{
    glyph_.SetGlyph(glyph);
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int count)
{
    glyph_.SetNumGlyphs(count);
    Invalidate();
}

void TBitBtn::WndProc(TMessage& message)
{
    if (message.Msg == CN_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(message.LParam));
        message.Result = TRUE;
        return;
    }
    TButton::WndProc(message);
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item)
{
    TCanvas canvas;
    canvas.SetHandle(item.hDC);
    TRect rect = item.rcItem;
    const bool pushed = item.itemState & ODS_SELECTED;
    if (Default() || (item.itemState & ODS_FOCUS)) {
        // The default button's dark outline, as the system draws it.
        canvas.Brush().SetColor(clWindowFrame);
        canvas.FrameRect(rect);
        InflateRect(&rect, -1, -1);
    }
    DrawFrameControl(item.hDC, &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    InflateRect(&rect, -2, -2);
    canvas.Font().Assign(Font());
    const TButtonState state = !Enabled() ? bsDisabled : pushed ? bsDown : bsUp;
    glyph_.Draw(canvas, rect, Caption(), Layout, Spacing, state);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&rect, -1, -1);
        canvas.DrawFocusRect(rect);
    }
    canvas.SetHandle(nullptr);
}

// ---- TSpeedButton ----

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner)
{
    SetBounds(Left(), Top(), 23, 22);
    // Clicks are the button's own: a press that ends outside is no click.
    SetControlStyle(ControlStyle() & ~csClickEvents);
}

void TSpeedButton::SetGlyph(const TBitmap* glyph)
{
    glyph_.SetGlyph(glyph);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int count)
{
    glyph_.SetNumGlyphs(count);
    Invalidate();
}

void TSpeedButton::SetFlat(bool flat)
{
    flat_ = flat;
    Invalidate();
}

void TSpeedButton::SetDown(bool down)
{
    if (GroupIndex == 0) down = false;
    if (down == down_) return;
    if (!down && !AllowAllUp) {
        // The last down button of a group stays down unless it may come up.
        bool otherDown = false;
        if (Parent())
            for (int i = 0; i < Parent()->ControlCount(); ++i) {
                auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
                otherDown |= other && other != this && other->GroupIndex == GroupIndex && other->down_;
            }
        if (!otherDown) return;
    }
    down_ = down;
    if (down_ && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i) {
            auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            if (other && other != this && other->GroupIndex == GroupIndex && other->down_) {
                other->down_ = false;
                other->Invalidate();
            }
        }
    Invalidate();
}

void TSpeedButton::Click()
{
    if (GroupIndex != 0) SetDown(!down_);
    TGraphicControl::Click();
}

TButtonState TSpeedButton::State() const
{
    if (!Enabled()) return bsDisabled;
    if (pressed_) return bsDown;
    return down_ ? bsExclusive : bsUp;
}

void TSpeedButton::SetPressed(bool pressed)
{
    if (pressed == pressed_) return;
    pressed_ = pressed;
    Invalidate();
}

void TSpeedButton::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect rect = ClientRect();
    const TButtonState state = State();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    const bool sunk = state == bsDown || state == bsExclusive;
    if (!flat_)
        DrawFrameControl(canvas.Handle(), &rect, DFC_BUTTON, DFCS_BUTTONPUSH | (sunk ? DFCS_PUSHED : 0));
    else if (sunk || (mouseInside_ && Enabled())) {
        TRect frame = rect;
        Frame3D(canvas, frame, sunk ? clBtnShadow : clBtnHighlight, sunk ? clBtnHighlight : clBtnShadow, 1);
    }
    InflateRect(&rect, -2, -2);
    canvas.Font().Assign(Font());
    glyph_.Draw(canvas, rect, Caption(), Layout, Spacing, state);
}

void TSpeedButton::WndProc(TMessage& message)
{
    TGraphicControl::WndProc(message);
    if (message.Msg == CM_MOUSEENTER || message.Msg == CM_MOUSELEAVE) {
        mouseInside_ = message.Msg == CM_MOUSEENTER;
        if (flat_) Invalidate();
    } else if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_ENABLEDCHANGED) {
        Invalidate();
    }
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) SetPressed(true);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y)
{
    TGraphicControl::MouseMove(shift, x, y);
    // Held down, the button shows pressed only while the pointer is on it.
    if (MouseCapture()) {
        const RECT client = ClientRect();
        SetPressed(PtInRect(&client, POINT{x, y}));
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    const bool clicked = button == mbLeft && pressed_;
    SetPressed(false);
    TGraphicControl::MouseUp(button, shift, x, y);
    if (clicked) Click();
}
