#pragma once
// Windowed controls: a control with a system window of its own, the parent
// of other controls, and the window procedure that dispatches its messages.
#include "Controls.h"

#include <memory>
#include <vector>

// What a windowed control's window is created with.
struct TCreateParams {
    std::string Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent = nullptr;
    // Its lpfnWndProc is the window's default procedure: DefWindowProcA, or
    // the procedure of a system class the control builds on.
    WNDCLASSA WindowClass{};
    std::string WinClassName;
};

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    // Destroys the windows of the children, then its own, without telling
    // this object's handlers of it; the children stay, without a parent.
    ~TWinControl() override;

    std::string ClassName() const override { return "TWinControl"; }

    // The control of a window of this process; null when none.
    static TWinControl* FindControl(HWND window);
    // The control of the window or of the nearest window it lies in.
    static TWinControl* ContainingControl(HWND window);

    // The window, created on first use, after the parent's; raises
    // EInvalidOperation when the system refuses it.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    // Destroys the children's windows, then its own, while every object is whole.
    void DestroyHandle();
    // A new window with the current CreateParams, children included.
    void RecreateWnd();

    // Makes a window that the layer did not create this control's window: its
    // procedure becomes the default handler, the window is never destroyed by
    // the control.
    void AdoptHandle(HWND window);
    // Gives an adopted window back. Its procedure is restored only while the
    // control is still its current subclass; otherwise the subclass installed
    // later keeps calling the control's procedure, which passes everything on.
    void ReleaseHandle();

    // Children in z-order, bottom first.
    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int index) const;
    // Sends the message to every child until one answers nonzero.
    void Broadcast(TMessage& message);
    // The topmost visible child containing Point (client coordinates);
    // disabled ones only with AllowDisabled, windowed ones only with
    // AllowWinControls.
    TControl* ControlAtPos(POINT point, bool allowDisabled, bool allowWinControls = false);

    // Aligns the children now; changes of size, visibility and alignment
    // call it themselves.
    void Realign();

    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool tabStop);
    // Position among the windowed siblings that Tab walks through.
    int TabOrder() const;
    void SetTabOrder(int order);
    bool CanFocus();
    bool Focused() const;
    virtual void SetFocus();
    // Focuses the next (or previous) control after Current among this
    // control's windowed descendants in tab order, wrapping around.
    void SelectNext(TWinControl* current, bool forward, bool checkTabStop);

    void SetBounds(int left, int top, int width, int height) override;
    RECT ClientRect() override;
    POINT ClientOrigin() override;
    void Invalidate() override;
    void Update() override;
    void Repaint() override;

    // Offered every message the application's loop takes for this control's
    // windows before anything else; true consumes it.
    virtual bool PreProcessMessage(MSG& msg);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWnd();
    virtual void DestroyWindowHandle();
    void WndProc(TMessage& message) override;
    // Hands the message to the window's default procedure.
    void DefaultHandler(TMessage& message) override;
    std::string GetText() override;
    void SetTextValue(const std::string& text) override;
    bool PaletteChanged(bool foreground) override;
    // Paints the window into DC: the default procedure's painting, then
    // the windowless children.
    virtual void PaintWindow(HDC dc);
    // Paints a parent's window behind one of its children.
    friend void PaintParentImage(TControl& control, TCanvas& canvas);
    // Paints the windowless children from First (all when null) upwards.
    void PaintControls(HDC dc, TControl* first);
    // Places the children by their Align in Rect, the client area at first.
    virtual void AlignControls(TControl* control, RECT& rect);
    // A child was moved or sized by anything but this control's alignment.
    virtual void ControlBoundsChanged(TControl*) {}
    void SizeChanged() override;
    // The windows go while the whole object can still answer their messages.
    void BeforeDestruction() override;
    HWND DrawingWindow() const override { return handle_; }

    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD& key, TShiftState shift);
    virtual void KeyPress(char& key);
    virtual void KeyUp(WORD& key, TShiftState shift);
    // A canvas over the window, made on first use: it draws on the window's
    // DC outside of painting, and on the DC being painted while painting.
    TCanvas* WindowCanvas();
    // The pointer is over Target, this control or one of its windowless
    // children (null: it left the window): the one it left and the one it
    // entered hear CM_MOUSELEAVE and CM_MOUSEENTER.
    void TrackMouse(TControl* target);

private:
    friend class TControl;
    friend class TForm;
    static LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();
    void UpdateBounds();
    void RegisterWindowClass(const TCreateParams& params);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    // Puts the control first or last among the children of its kind:
    // windowless controls always lie below windowed ones.
    void MoveControl(TControl* control, bool toFront);
    void PaintHandler(TMessage& message);
    void EraseBackground(HDC dc);
    bool RouteMouse(TMessage& message);
    bool ReflectNotification(TMessage& message);
    bool IsDialogKey(TMessage& message);
    void AnchorChildren();
    void GetTabOrderList(std::vector<TWinControl*>& list);

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = DefWindowProcA;
    bool adopted_ = false;
    bool aligning_ = false;
    bool tabStop_ = false;
    std::vector<TControl*> controls_;
    std::vector<TWinControl*> tabList_;
    std::unique_ptr<TControlCanvas> canvas_;
};

// The control as a windowed one, or null for a windowless control.
inline TWinControl* AsWinControl(TControl* control)
{
    return dynamic_cast<TWinControl*>(control);
}

// A windowed control that draws itself on its Canvas.
class TCustomControl : public TWinControl {
public:
    explicit TCustomControl(TComponent* owner);
    std::string ClassName() const override { return "TCustomControl"; }

    TCanvas* Canvas() { return WindowCanvas(); }

protected:
    void PaintWindow(HDC dc) override;
    virtual void Paint() {}
};
