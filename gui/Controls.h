#pragma once
// Controls: the base of everything shown on screen, and windowed controls
// that own a system window and dispatch its messages.
#include "Components.h"

#include <windows.h>

#include <functional>
#include <string>

// One window message as a control's handlers see it; Result is the answer.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

using TWndMethod = std::function<void(TMessage& message)>;

// The class library's own messages.
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_RELEASE = CM_BASE + 33;

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

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner) : TComponent(owner) {}
    std::string ClassName() const override { return "TControl"; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int left) { SetBounds(left, top_, width_, height_); }
    void SetTop(int top) { SetBounds(left_, top, width_, height_); }
    void SetWidth(int width) { SetBounds(left_, top_, width, height_); }
    void SetHeight(int height) { SetBounds(left_, top_, width_, height); }
    virtual void SetBounds(int left, int top, int width, int height);

    bool Visible() const { return visible_; }
    virtual void SetVisible(bool visible) { visible_ = visible; }
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }

    const std::string& Caption() const { return caption_; }
    virtual void SetCaption(const std::string& caption) { caption_ = caption; }

protected:
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    std::string caption_;
};

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
    // Destroys the window without telling this object's handlers of it.
    ~TWinControl() override;

    std::string ClassName() const override { return "TWinControl"; }

    // The window, created on first use; raises EInvalidOperation when the
    // system refuses it.
    HWND Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void HandleNeeded();
    void DestroyHandle();

    // Sends a message straight to WindowProc and answers its result.
    LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetBounds(int left, int top, int width, int height) override;
    void SetVisible(bool visible) override;
    void SetCaption(const std::string& caption) override;
    void Invalidate();
    // Paints what is invalid now.
    void Update();
    // Invalidates the whole window and paints it now.
    void Repaint();

    // Every message of the window goes here; WndProc by default. Code that
    // wants to see messages first puts its own handler in place and passes
    // them on to the one it replaced. Exceptions never leave the window's
    // procedure: they go to the application's HandleException.
    TWndMethod WindowProc;

protected:
    virtual void CreateParams(TCreateParams& params);
    virtual void CreateWnd();
    virtual void CreateWindowHandle(const TCreateParams& params);
    virtual void DestroyWnd();
    virtual void WndProc(TMessage& message);
    // Hands the message to the window's default procedure.
    void DefaultHandler(TMessage& message);

private:
    static LRESULT CALLBACK StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Attach(HWND window);
    void Detach();
    void UpdateBounds();

    HWND handle_ = nullptr;
    WNDPROC defWndProc_ = DefWindowProcA;
};
