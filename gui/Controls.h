#pragma once
// Controls: the base of everything shown on screen. A control lives inside
// its Parent, a windowed control, which may differ from its Owner, the
// component that frees it. Windowless controls (TGraphicControl) have no
// window of their own: their parent paints them and routes mouse messages
// to them.
#include "Colors.h"
#include "Components.h"
#include "Font.h"
#include "Messages.h"
#include "WindowCanvas.h"

#include <windows.h>

#include <memory>
#include <string>

class TWinControl;
class TPopupMenu;
class TDragObject;
class TControl;
class TBasicAction;
class TActionLink;
class TCustomImageList;

// Cursor numbers: the screen's cursor table maps them to cursor handles.
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// The parent's edges a control keeps its distance to as the parent resizes;
// with both edges of a direction it stretches.
using TAnchors = unsigned;
constexpr TAnchors akLeft = 1;
constexpr TAnchors akTop = 2;
constexpr TAnchors akRight = 4;
constexpr TAnchors akBottom = 8;

// What a control is doing now.
using TControlState = unsigned;
constexpr TControlState csLButtonDown = 0x1;
constexpr TControlState csClicked = 0x2;
constexpr TControlState csAlignmentNeeded = 0x4;
constexpr TControlState csFocusing = 0x8;
constexpr TControlState csCreating = 0x10;
// The control paints itself into a DC of another control's painting.
constexpr TControlState csPaintCopy = 0x20;
constexpr TControlState csCustomPaint = 0x40;
constexpr TControlState csDestroyingHandle = 0x80;

// What a control is like.
using TControlStyle = unsigned;
constexpr TControlStyle csAcceptsControls = 0x1;
// A press of a mouse button captures the mouse until its release.
constexpr TControlStyle csCaptureMouse = 0x2;
// A press and release of the left button inside the control is a Click.
constexpr TControlStyle csClickEvents = 0x4;
constexpr TControlStyle csFramed = 0x8;
constexpr TControlStyle csSetCaption = 0x10;
// The control fills all of its bounds: its parent need not erase behind it.
constexpr TControlStyle csOpaque = 0x20;
// Double clicks arrive as such, not as a second press.
constexpr TControlStyle csDoubleClicks = 0x40;
constexpr TControlStyle csFixedWidth = 0x80;
constexpr TControlStyle csFixedHeight = 0x100;
constexpr TControlStyle csReplicatable = 0x200;
constexpr TControlStyle csNoStdEvents = 0x400;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x1;
constexpr TShiftState ssAlt = 0x2;
constexpr TShiftState ssCtrl = 0x4;
constexpr TShiftState ssLeft = 0x8;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;
constexpr TShiftState ssDouble = 0x40;

// The shift state of a mouse message's WParam, and of the keyboard now.
TShiftState MouseShiftState(WPARAM keys);
TShiftState KeyboardShiftState();

// Dragging: by BeginDrag only, or by a press of the left button too.
enum TDragMode { dmManual, dmAutomatic };
// Where the pointer is with respect to the control OnDragOver is asked of.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
// What CM_DRAG tells the control under the pointer.
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel };

struct TDragRec {
    // The pointer, on the screen.
    POINT Pos;
    TDragObject* DragObject;
    // What the handlers get as the source: the dragged control for the
    // objects the layer makes itself, the program's own object otherwise.
    TObject* Source;
    TControl* Target;
};

using TStartDragEvent = std::function<void(TObject* sender, TDragObject*& dragObject)>;
using TDragOverEvent =
    std::function<void(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accept)>;
using TDragDropEvent = std::function<void(TObject* sender, TObject* source, int x, int y)>;
// Target is null when nothing took the drop.
using TEndDragEvent = std::function<void(TObject* sender, TObject* target, int x, int y)>;

using TMouseEvent = std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TObject* sender, WORD& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    // Leaves the parent; the control is no longer the mouse's or the capture's.
    ~TControl() override;

    std::string ClassName() const override { return "TControl"; }

    TWinControl* Parent() const { return parent_; }
    // Moves the control into Parent's child list, on top of its siblings.
    virtual void SetParent(TWinControl* parent);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);
    // In the parent's client coordinates.
    RECT BoundsRect() const { return RECT{left_, top_, left_ + width_, top_ + height_}; }
    void SetBoundsRect(const RECT& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }

    virtual RECT ClientRect();
    int ClientWidth() { return ClientRect().right; }
    int ClientHeight() { return ClientRect().bottom; }
    void SetClientWidth(int width) { SetClientSize(width, ClientHeight()); }
    void SetClientHeight(int height) { SetClientSize(ClientWidth(), height); }
    // Resizes the control so that its client area gets this size.
    void SetClientSize(int width, int height);
    // The screen position of the client area's top left corner; raises
    // EInvalidOperation for a windowless control without a parent.
    virtual POINT ClientOrigin();
    POINT ClientToScreen(POINT point);
    POINT ScreenToClient(POINT point);

    TAlign Align() const { return align_; }
    void SetAlign(TAlign align);
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors anchors);

    // Last among its siblings, painted above them (windowless controls stay
    // below windowed ones).
    void BringToFront();
    void SendToBack();

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool parentColor);
    // Changes to the font take ParentFont away, like SetColor takes ParentColor.
    TFont* Font() const { return font_.get(); }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool parentFont);

    // Caption and Text are the same: what the control shows as its text.
    std::string Caption() { return GetText(); }
    void SetCaption(const std::string& caption) { SetText(caption); }
    std::string Text() { return GetText(); }
    void SetText(const std::string& text);

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor);
    TPopupMenu* PopupMenu() const { return popupMenu_; }
    // Shown on the context-menu request while its AutoPopup is set.
    void SetPopupMenu(TPopupMenu* menu);
    std::string Hint;
    bool ShowHint = false;

    TControlState ControlState() const { return controlState_; }
    void SetControlState(TControlState state) { controlState_ = state; }
    TControlStyle ControlStyle() const { return controlStyle_; }
    void SetControlStyle(TControlStyle style) { controlStyle_ = style; }

    // Whether the mouse is captured for this control: a windowless control
    // captures it through its parent's window.
    bool MouseCapture() const;
    void SetMouseCapture(bool capture);

    // Sends a message straight to WindowProc and answers its result; works
    // for windowless controls too.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    // Asks the parent to paint the control again.
    virtual void Invalidate();
    // Paints what is invalid now.
    virtual void Update();
    // Paints the control again now.
    virtual void Repaint();

    // Every message of the control goes here; WndProc by default. Code that
    // wants to see messages first puts its own handler in place and passes
    // them on to the one it replaced.
    TWndMethod WindowProc;

    // The action the control stands for: it takes the action's caption,
    // state and hint, and a click without OnClick runs it.
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    TActionLink* ActionLink() const { return actionLink_.get(); }

    // Starts dragging the control, at once or once the pointer has moved
    // Threshold pixels (DefaultDragThreshold when negative) with the button
    // held; OnStartDrag may give the drag object. One drag at a time.
    void BeginDrag(bool immediate, int threshold = -1);
    // Whether this control is being dragged.
    bool Dragging() const;
    // Drops where the pointer is (or cancels) this control's drag.
    void EndDrag(bool drop);
    TDragMode DragMode = dmManual;
    // The pointer's shape while a target accepts this control.
    TCursor DragCursor = crDrag;
    // The pictures shown under the pointer while the control is dragged.
    virtual TCustomImageList* GetDragImages() { return nullptr; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TStartDragEvent OnStartDrag;
    // Accept starts true when the handler is there: the handler decides.
    TDragOverEvent OnDragOver;
    TDragDropEvent OnDragDrop;
    TEndDragEvent OnEndDrag;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual void WndProc(TMessage& message);
    // What becomes of messages no handler took; windowless controls answer 0.
    virtual void DefaultHandler(TMessage& message);
    virtual std::string GetText();
    virtual void SetTextValue(const std::string& text) { text_ = text; }
    // The palette the control draws with, realised by PaletteChanged; none
    // by default.
    virtual HPALETTE GetPalette() { return nullptr; }
    // Realises the palette into the control's window; answers whether there
    // was one.
    virtual bool PaletteChanged(bool foreground);

    virtual void Click();
    virtual void DblClick();
    virtual void Resize();
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // The action changed, or became the control's; CheckDefaults leaves the
    // properties the control set itself alone.
    virtual void ActionChange(TObject* sender, bool checkDefaults);
    virtual void DoStartDrag(TDragObject*& dragObject);
    virtual void DragOver(TObject* source, int x, int y, TDragState state, bool& accept);
    virtual void DragDrop(TObject* source, int x, int y);
    // A drag left without dropping on the control.
    virtual void DragCanceled() {}
    virtual void DoEndDrag(TObject* target, int x, int y);

    // Sets the bounds fields and tells whom it concerns: the parent's
    // alignment, the control's own children, Resize.
    void ApplyBounds(int left, int top, int width, int height);
    // The control's own size changed.
    virtual void SizeChanged() {}
    // The window the control is drawn in: its own, or its parent's.
    virtual HWND DrawingWindow() const;

    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    TControlState controlState_ = 0;
    TControlStyle controlStyle_ = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
    std::string text_;

private:
    friend class TWinControl;
    friend class TDragControlObject;
    void DragMessage(TMessage& message);
    void MouseButtonMessage(TMessage& message, TMouseButton button, bool down, bool doubleClick);
    void FontChanged();
    void TakeParentFont();
    void TakeParentColor();

    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    TAnchors anchors_ = akLeft | akTop;
    // Where the control was last placed by hand, in a parent's client area of
    // this size: the anchors keep its distances from there.
    RECT anchorBounds_{};
    SIZE anchorParentSize_{};
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    std::unique_ptr<TFont> font_;
    bool parentFont_ = true;
    bool takingParentFont_ = false;
    TCursor cursor_ = crDefault;
    TPopupMenu* popupMenu_ = nullptr;
    std::unique_ptr<TActionLink> actionLink_;

    // The control under the mouse, told of CM_MOUSEENTER and CM_MOUSELEAVE,
    // and the control the mouse is captured for.
    static TControl* mouseControl_;
    static TControl* captureControl_;
};

// Lends a canvas the DC a control paints into for as long as it paints.
class TCanvasDCScope {
public:
    TCanvasDCScope(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetHandle(dc); }
    ~TCanvasDCScope() { canvas_.SetHandle(nullptr); }
    TCanvasDCScope(const TCanvasDCScope&) = delete;
    TCanvasDCScope& operator=(const TCanvasDCScope&) = delete;

private:
    TCanvas& canvas_;
};

// A windowless control: its parent paints it, through WM_PAINT with the DC
// in WParam, with the origin at the control's top left corner and the
// clipping limited to its bounds.
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
    std::string ClassName() const override { return "TGraphicControl"; }

    // Draws on the parent's DC while the control paints; it has no DC of
    // its own outside of painting.
    TCanvas* Canvas() { return &canvas_; }

protected:
    void WndProc(TMessage& message) override;
    virtual void Paint() {}

private:
    TControlCanvas canvas_;
};

