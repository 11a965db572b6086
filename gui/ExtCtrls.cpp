#include "ExtCtrls.h"

#include "Canvas.h"

#include <algorithm>

namespace {

void DrawBevel(TCanvas& canvas, TRect& rect, TBevelCut bevel, int width)
{
    if (bevel == bvNone) return;
    if (bevel == bvSpace) {
        InflateRect(&rect, -width, -width);
        return;
    }
    const bool raised = bevel == bvRaised;
    Frame3D(canvas, rect, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight, width);
}

// Draws Text centred vertically in Rect with the alignment's horizontal place.
void DrawCaption(TCanvas& canvas, TRect rect, const std::string& text, TAlignment alignment)
{
    canvas.TextRect(rect, text, DT_SINGLELINE | DT_VCENTER | AlignmentDrawFlag(alignment));
}

// The height of a line in Font, measured on the screen: the window's canvas
// would make the window, maybe before it has its parent.
int LineHeight(TFont* font)
{
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font->Handle());
    SIZE size{};
    GetTextExtentPoint32A(screen, "0", 1, &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return size.cy;
}

}

// ---- TCustomPanel ----

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csOpaque | csDoubleClicks |
                    csReplicatable);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetBevelOuter(TBevelCut bevel)
{
    bevelOuter_ = bevel;
    FramesChanged();
}

void TCustomPanel::SetBevelInner(TBevelCut bevel)
{
    bevelInner_ = bevel;
    FramesChanged();
}

void TCustomPanel::SetBevelWidth(int width)
{
    bevelWidth_ = std::max(width, 1);
    FramesChanged();
}

void TCustomPanel::SetBorderWidth(int width)
{
    borderWidth_ = std::max(width, 0);
    FramesChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle style)
{
    if (borderStyle_ == style) return;
    borderStyle_ = style;
    if (HandleAllocated()) RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment alignment)
{
    alignment_ = alignment;
    Invalidate();
}

void TCustomPanel::FramesChanged()
{
    Realign();
    Invalidate();
}

int TCustomPanel::FrameWidth() const
{
    return borderWidth_ + (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
}

void TCustomPanel::CreateParams(TCreateParams& params)
{
    TCustomControl::CreateParams(params);
    if (borderStyle_ == bsSingle) params.Style |= WS_BORDER;
    params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomPanel::AlignControls(TControl* control, RECT& rect)
{
    InflateRect(&rect, -FrameWidth(), -FrameWidth());
    TCustomControl::AlignControls(control, rect);
}

void TCustomPanel::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect rect = ClientRect();
    DrawBevel(canvas, rect, bevelOuter_, bevelWidth_);
    Frame3D(canvas, rect, Color(), Color(), borderWidth_);
    DrawBevel(canvas, rect, bevelInner_, bevelWidth_);
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    canvas.Font().Assign(Font());
    DrawCaption(canvas, rect, Caption(), alignment_);
}

void TCustomPanel::WndProc(TMessage& message)
{
    TCustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED) Invalidate();
}

// ---- TGroupBox ----

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner)
{
    SetControlStyle(csAcceptsControls | csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks | csReplicatable);
    SetBounds(0, 0, 185, 105);
}

void TGroupBox::AlignControls(TControl* control, RECT& rect)
{
    rect.top += LineHeight(Font());
    InflateRect(&rect, -1, -1);
    TCustomControl::AlignControls(control, rect);
}

void TGroupBox::Paint()
{
    TCanvas& canvas = *Canvas();
    canvas.Font().Assign(Font());
    canvas.Brush().SetColor(Color());
    canvas.FillRect(ClientRect());
    const int textHeight = canvas.TextHeight("0");
    TRect frame = ClientRect();
    frame.top += textHeight / 2;
    DrawEdge(canvas.Handle(), &frame, EDGE_ETCHED, BF_RECT);
    const std::string text = Caption();
    if (text.empty()) return;
    TRect label = Bounds(8, 0, canvas.TextWidth(text) + 4, textHeight);
    canvas.FillRect(label);
    DrawCaption(canvas, label, text, taCenter);
}

void TGroupBox::WndProc(TMessage& message)
{
    TCustomControl::WndProc(message);
    if (message.Msg == CM_TEXTCHANGED || message.Msg == CM_FONTCHANGED) {
        Realign();
        Invalidate();
    }
}

// ---- TImage ----

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>())
{
    SetControlStyle(ControlStyle() | csReplicatable);
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage()
{
    picture_->OnChange = nullptr;
}

void TImage::SetAutoSize(bool autoSize)
{
    autoSize_ = autoSize;
    PictureChanged();
}

void TImage::SetStretch(bool stretch)
{
    stretch_ = stretch;
    Invalidate();
}

void TImage::SetCenter(bool center)
{
    center_ = center;
    Invalidate();
}

void TImage::SetTransparent(bool transparent)
{
    transparent_ = transparent;
    PictureChanged();
}

void TImage::PictureChanged()
{
    if (TGraphic* graphic = picture_->Graphic()) {
        graphic->SetTransparent(transparent_);
        if (autoSize_ && graphic->Width() > 0 && graphic->Height() > 0)
            SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
    }
    Invalidate();
}

TRect TImage::DestinationRect()
{
    if (stretch_) return ClientRect();
    int left = 0, top = 0;
    if (center_) {
        left = (Width() - picture_->Width()) / 2;
        top = (Height() - picture_->Height()) / 2;
    }
    return Bounds(left, top, picture_->Width(), picture_->Height());
}

void TImage::Paint()
{
    TGraphic* graphic = picture_->Graphic();
    if (!graphic || graphic->Empty()) return;
    Canvas()->StretchDraw(DestinationRect(), *graphic);
}

// ---- TSplitter ----

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner)
{
    SetAlign(alLeft);
    SetBounds(Left(), Top(), 3, 100);
    SetCursor(crHSplit);
}

void TSplitter::SetBeveled(bool beveled)
{
    beveled_ = beveled;
    Invalidate();
}

void TSplitter::Paint()
{
    TCanvas& canvas = *Canvas();
    TRect rect = ClientRect();
    canvas.Brush().SetColor(Color());
    canvas.FillRect(rect);
    if (beveled_) DrawBevel(canvas, rect, bvRaised, 1);
}

void TSplitter::WndProc(TMessage& message)
{
    TGraphicControl::WndProc(message);
    // The cursor follows the axis the splitter moves along.
    if (message.Msg == CM_MOUSEENTER) SetCursor(Horizontal() ? crHSplit : crVSplit);
}

TControl* TSplitter::FindResizedControl() const
{
    TWinControl* parent = Parent();
    if (!parent) return nullptr;
    const RECT own = BoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* control = parent->Controls(i);
        if (control == this || !control->Visible() || control->Align() != Align()) continue;
        const RECT bounds = control->BoundsRect();
        const bool touches = (Align() == alLeft && bounds.right == own.left) ||
                             (Align() == alRight && bounds.left == own.right) ||
                             (Align() == alTop && bounds.bottom == own.top) ||
                             (Align() == alBottom && bounds.top == own.bottom);
        if (touches) return control;
    }
    return nullptr;
}

int TSplitter::AxisPosition(int x, int y)
{
    return Horizontal() ? Left() + x : Top() + y;
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    resized_ = FindResizedControl();
    if (!resized_) return;
    dragStart_ = AxisPosition(x, y);
    startSize_ = Horizontal() ? resized_->Width() : resized_->Height();
    // What lies beyond the splitter keeps at least MinSize.
    const RECT client = Parent()->ClientRect();
    const RECT own = BoundsRect();
    const int room = Align() == alLeft ? client.right - own.right
                     : Align() == alRight ? own.left
                     : Align() == alTop   ? client.bottom - own.bottom
                                          : own.top;
    maxSize_ = std::max(MinSize, startSize_ + room - MinSize);
}

void TSplitter::MouseMove(TShiftState shift, int x, int y)
{
    TGraphicControl::MouseMove(shift, x, y);
    if (!resized_) return;
    int delta = AxisPosition(x, y) - dragStart_;
    if (Align() == alRight || Align() == alBottom) delta = -delta;
    const int size = std::clamp(startSize_ + delta, MinSize, maxSize_);
    if (Horizontal())
        resized_->SetBounds(resized_->Left(), resized_->Top(), size, resized_->Height());
    else
        resized_->SetBounds(resized_->Left(), resized_->Top(), resized_->Width(), size);
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y)
{
    TGraphicControl::MouseUp(button, shift, x, y);
    if (!resized_) return;
    resized_ = nullptr;
    if (OnMoved) OnMoved(this);
}
