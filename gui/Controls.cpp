#include "Controls.h"

#include "Exceptions.h"
#include "Forms.h"

namespace {

// Where a window finds the control that owns it.
const char* const ControlProperty = "TvmControl";

// The control whose window CreateWindowEx is making on this thread: its
// first messages arrive before the window handle is known.
thread_local TWinControl* creatingControl = nullptr;

HINSTANCE Instance()
{
    return GetModuleHandleA(nullptr);
}

}

void TControl::SetBounds(int left, int top, int width, int height)
{
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), WindowProc([this](TMessage& message) { WndProc(message); })
{
}

TWinControl::~TWinControl()
{
    if (!handle_) return;
    HWND window = handle_;
    Detach();
    DestroyWindow(window);
}

HWND TWinControl::Handle()
{
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded()
{
    if (!handle_) CreateWnd();
}

void TWinControl::DestroyHandle()
{
    if (handle_) DestroyWnd();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = caption_;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WindowClass.style = CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProcA;
    params.WindowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    params.WinClassName = ClassName();
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    defWndProc_ = params.WindowClass.lpfnWndProc;
    WNDCLASSA registered;
    if (!GetClassInfoA(Instance(), params.WinClassName.c_str(), &registered)) {
        WNDCLASSA windowClass = params.WindowClass;
        windowClass.lpfnWndProc = &StdWndProc;
        windowClass.hInstance = Instance();
        windowClass.lpszClassName = params.WinClassName.c_str();
        if (!RegisterClassA(&windowClass))
            throw EInvalidOperation("Error registering window class " + params.WinClassName + ": " +
                                    SysErrorMessage(GetLastError()));
    }
    CreateWindowHandle(params);
    if (!handle_) throw EInvalidOperation("Error creating window: " + SysErrorMessage(GetLastError()));
    if (visible_) ShowWindow(handle_, SW_SHOW);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params)
{
    creatingControl = this;
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                  params.X, params.Y, params.Width, params.Height, params.WndParent, nullptr,
                                  Instance(), nullptr);
    creatingControl = nullptr;
    if (window && !handle_) Attach(window);
}

void TWinControl::DestroyWnd()
{
    DestroyWindow(handle_);
}

void TWinControl::Attach(HWND window)
{
    handle_ = window;
    SetPropA(window, ControlProperty, this);
}

void TWinControl::Detach()
{
    RemovePropA(handle_, ControlProperty);
    // Whatever the window still receives goes straight to its default procedure.
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defWndProc_));
    handle_ = nullptr;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* control = static_cast<TWinControl*>(GetPropA(window, ControlProperty));
    if (!control) {
        control = creatingControl;
        if (!control) return DefWindowProcA(window, msg, wParam, lParam);
        creatingControl = nullptr;
        control->Attach(window);
    }
    if (msg == WM_NCDESTROY) {
        WNDPROC defWndProc = control->defWndProc_;
        control->Detach();
        return CallWindowProcA(defWndProc, window, msg, wParam, lParam);
    }
    TMessage message{msg, wParam, lParam, 0};
    // The handler may free the control: it is not touched afterwards.
    try {
        control->WindowProc(message);
    } catch (...) {
        Application->HandleException(control);
    }
    return message.Result;
}

void TWinControl::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_SETCURSOR:
        if (LOWORD(message.LParam) == HTCLIENT && Screen->Cursor() != crDefault) {
            ::SetCursor(Screen->Cursors(Screen->Cursor()));
            message.Result = TRUE;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        UpdateBounds();
        return;
    case WM_SETTEXT:
        DefaultHandler(message);
        if (message.Result && message.LParam) caption_ = reinterpret_cast<const char*>(message.LParam);
        return;
    }
    DefaultHandler(message);
}

void TWinControl::DefaultHandler(TMessage& message)
{
    if (handle_) message.Result = CallWindowProcA(defWndProc_, handle_, message.Msg, message.WParam, message.LParam);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam)
{
    TMessage message{msg, wParam, lParam, 0};
    WindowProc(message);
    return message.Result;
}

void TWinControl::UpdateBounds()
{
    // A minimised window reports a parking place, not its bounds.
    if (IsIconic(handle_)) return;
    RECT bounds;
    GetWindowRect(handle_, &bounds);
    if (GetWindowLongA(handle_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&bounds), 2);
    TControl::SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TWinControl::SetBounds(int left, int top, int width, int height)
{
    if (handle_)
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    else
        TControl::SetBounds(left, top, width, height);
}

void TWinControl::SetVisible(bool visible)
{
    TControl::SetVisible(visible);
    if (visible) HandleNeeded();
    if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void TWinControl::SetCaption(const std::string& caption)
{
    if (handle_)
        SetWindowTextA(handle_, caption.c_str());
    else
        TControl::SetCaption(caption);
}

void TWinControl::Invalidate()
{
    if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Update()
{
    if (handle_) UpdateWindow(handle_);
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}
