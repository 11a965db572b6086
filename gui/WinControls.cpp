#include "WinControls.h"

#include "Exceptions.h"
#include "Forms.h"
#include "Hints.h"

#include <map>

namespace {

// Where a window finds the control that owns it.
const char* const ControlProperty = "TvmControl";
// The procedure below the layer's in a window that a control gave back while
// a later subclass still called the layer's procedure.
const char* const DefProcProperty = "TvmDefProc";

// The control whose window CreateWindowEx is making on this thread: its
// first messages arrive before the window handle is known.
thread_local TWinControl* creatingControl = nullptr;

HINSTANCE Instance()
{
    return GetModuleHandleA(nullptr);
}

// The default procedures of the window classes the layer registered.
std::map<ATOM, WNDPROC>& ClassProcedures()
{
    static std::map<ATOM, WNDPROC> procedures;
    return procedures;
}

// Where a window's messages go when no control answers for it: the
// procedure kept for it, or its class's own.
WNDPROC FallbackProcedure(HWND window)
{
    if (auto kept = reinterpret_cast<WNDPROC>(GetPropA(window, DefProcProperty))) return kept;
    auto found = ClassProcedures().find(static_cast<ATOM>(GetClassLongPtrA(window, GCW_ATOM)));
    return found != ClassProcedures().end() ? found->second : DefWindowProcA;
}

bool WindowOfThisProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process == GetCurrentProcessId();
}

UINT ChildIds = 0;

bool IsReflectedNotification(UINT msg)
{
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        return true;
    }
    return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC;
}

}

TWinControl::TWinControl(TComponent* owner) : TControl(owner)
{
}

TWinControl::~TWinControl()
{
    if (TForm* form = GetParentForm(this)) form->ControlRemoved(this);
    for (TControl* control : controls_) control->parent_ = nullptr;
    if (handle_) {
        HWND window = handle_;
        bool adopted = adopted_;
        if (canvas_) canvas_->SetWindow(nullptr);
        Detach();
        if (!adopted) DestroyWindow(window);
    }
    // Leaves the parent while it is still a windowed control: the parent's
    // tab order forgets it too.
    if (parent_) parent_->RemoveControl(this);
}

void TWinControl::BeforeDestruction()
{
    TControl::BeforeDestruction();
    DestroyHandle();
}

TWinControl* TWinControl::FindControl(HWND window)
{
    if (!window || !WindowOfThisProcess(window)) return nullptr;
    return static_cast<TWinControl*>(GetPropA(window, ControlProperty));
}

TWinControl* TWinControl::ContainingControl(HWND window)
{
    for (; window; window = GetParent(window)) {
        if (TWinControl* control = FindControl(window)) return control;
        if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}
// ---- The window

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
    if (!handle_) return;
    for (TControl* control : controls_)
        if (TWinControl* child = AsWinControl(control)) child->DestroyHandle();
    DestroyWnd();
}

void TWinControl::RecreateWnd()
{
    if (!handle_ || adopted_) return;
    DestroyHandle();
    HandleNeeded();
}

void TWinControl::CreateParams(TCreateParams& params)
{
    params.Caption = text_;
    params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (parent_) {
        params.Style |= WS_CHILD;
        params.WndParent = parent_->Handle();
    }
    if (tabStop_) params.Style |= WS_TABSTOP;
    if (!enabled_) params.Style |= WS_DISABLED;
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

void TWinControl::RegisterWindowClass(const TCreateParams& params)
{
    WNDCLASSA registered;
    if (GetClassInfoA(Instance(), params.WinClassName.c_str(), &registered)) return;
    WNDCLASSA windowClass = params.WindowClass;
    windowClass.lpfnWndProc = &StdWndProc;
    windowClass.hInstance = Instance();
    windowClass.lpszClassName = params.WinClassName.c_str();
    ATOM atom = RegisterClassA(&windowClass);
    if (!atom)
        throw EInvalidOperation("Error registering window class " + params.WinClassName + ": " +
                                SysErrorMessage(GetLastError()));
    ClassProcedures()[atom] = params.WindowClass.lpfnWndProc;
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    // Making the parent's window made the children's, this one's included.
    if (handle_) return;
    defWndProc_ = params.WindowClass.lpfnWndProc;
    RegisterWindowClass(params);
    CreateWindowHandle(params);
    if (!handle_) throw EInvalidOperation("Error creating window: " + SysErrorMessage(GetLastError()));
    // Windows of system classes draw their text with the control's font.
    if (defWndProc_ != DefWindowProcA) {
        TMessage setFont{WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0, 0};
        DefaultHandler(setFont);
    }
    for (TControl* control : controls_)
        if (TWinControl* child = AsWinControl(control)) child->HandleNeeded();
    Realign();
    if (visible_) ShowWindow(handle_, parent_ ? SW_SHOWNA : SW_SHOW);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params)
{
    // Children get an identifier of their own: WM_MEASUREITEM names its control by it.
    HMENU id = params.Style & WS_CHILD ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(++ChildIds & 0xFFFF)) : nullptr;
    creatingControl = this;
    HWND window = CreateWindowExA(params.ExStyle, params.WinClassName.c_str(), params.Caption.c_str(), params.Style,
                                  params.X, params.Y, params.Width, params.Height, params.WndParent, id, Instance(),
                                  nullptr);
    creatingControl = nullptr;
    if (window && !handle_) Attach(window);
}

void TWinControl::DestroyWnd()
{
    text_ = GetText();
    DestroyWindowHandle();
}

TCanvas* TWinControl::WindowCanvas()
{
    if (!canvas_) canvas_ = std::make_unique<TControlCanvas>();
    canvas_->SetWindow(Handle());
    return canvas_.get();
}

void TWinControl::DestroyWindowHandle()
{
    // The window's DC goes back before the window.
    if (canvas_) canvas_->SetWindow(nullptr);
    controlState_ |= csDestroyingHandle;
    if (adopted_)
        ReleaseHandle();
    else
        DestroyWindow(handle_);
    controlState_ &= ~csDestroyingHandle;
}

void TWinControl::AdoptHandle(HWND window)
{
    DestroyHandle();
    // A window given back while a later subclass still called the layer's
    // procedure has that procedure in its chain already.
    if (auto kept = reinterpret_cast<WNDPROC>(GetPropA(window, DefProcProperty))) {
        defWndProc_ = kept;
    } else {
        defWndProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StdWndProc));
    }
    adopted_ = true;
    Attach(window);
    UpdateBounds();
}

void TWinControl::ReleaseHandle()
{
    if (!handle_ || !adopted_) return;
    adopted_ = false;
    Detach();
}

void TWinControl::Attach(HWND window)
{
    handle_ = window;
    SetPropA(window, ControlProperty, this);
}

void TWinControl::Detach()
{
    RemovePropA(handle_, ControlProperty);
    if (GetWindowLongPtrA(handle_, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&StdWndProc)) {
        RemovePropA(handle_, DefProcProperty);
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defWndProc_));
    } else {
        SetPropA(handle_, DefProcProperty, reinterpret_cast<HANDLE>(defWndProc_));
    }
    if (captureControl_ == this || (captureControl_ && captureControl_->parent_ == this && !AsWinControl(captureControl_)))
        captureControl_ = nullptr;
    handle_ = nullptr;
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* control = static_cast<TWinControl*>(GetPropA(window, ControlProperty));
    if (!control) {
        control = creatingControl;
        if (!control) {
            WNDPROC fallback = FallbackProcedure(window);
            if (msg == WM_NCDESTROY) RemovePropA(window, DefProcProperty);
            return CallWindowProcA(fallback, window, msg, wParam, lParam);
        }
        creatingControl = nullptr;
        control->Attach(window);
    }
    if (msg == WM_NCDESTROY) {
        WNDPROC defWndProc = control->defWndProc_;
        control->adopted_ = false;
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

void TWinControl::DefaultHandler(TMessage& message)
{
    if (handle_) message.Result = CallWindowProcA(defWndProc_, handle_, message.Msg, message.WParam, message.LParam);
}

std::string TWinControl::GetText()
{
    if (!handle_) return text_;
    int length = GetWindowTextLengthA(handle_);
    std::string text(length + 1, '\0');
    text.resize(GetWindowTextA(handle_, text.data(), length + 1));
    return text;
}

void TWinControl::SetTextValue(const std::string& text)
{
    text_ = text;
    if (handle_) SetWindowTextA(handle_, text.c_str());
}

// ---- Messages

void TWinControl::WndProc(TMessage& message)
{
    if (message.Msg >= WM_MOUSEFIRST && message.Msg <= WM_MBUTTONDBLCLK && RouteMouse(message)) return;
    if (IsReflectedNotification(message.Msg) && ReflectNotification(message)) return;
    switch (message.Msg) {
    case WM_PAINT:
    case WM_PRINTCLIENT:
        PaintHandler(message);
        return;
    case WM_ERASEBKGND:
        // Windows of system classes erase their own way.
        if (defWndProc_ != DefWindowProcA) break;
        EraseBackground(reinterpret_cast<HDC>(message.WParam));
        message.Result = 1;
        return;
    case WM_MOUSELEAVE:
        if (mouseControl_ == this || (mouseControl_ && mouseControl_->parent_ == this && !AsWinControl(mouseControl_))) {
            TControl* left = mouseControl_;
            TrackMouse(nullptr);
            Application->Hints().MouseLeft(left);
        }
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(message.LParam) != handle_ &&
            (captureControl_ == this || (captureControl_ && captureControl_->parent_ == this)))
            captureControl_ = nullptr;
        break;
    case WM_SETCURSOR:
        if (LOWORD(message.LParam) == HTCLIENT) {
            TCursor cursor = Screen->Cursor();
            if (cursor == crDefault && reinterpret_cast<HWND>(message.WParam) == handle_) {
                POINT point;
                GetCursorPos(&point);
                ::ScreenToClient(handle_, &point);
                TControl* under = ControlAtPos(point, false);
                cursor = (under ? under : this)->Cursor();
            }
            if (cursor != crDefault) {
                ::SetCursor(Screen->Cursors(cursor));
                message.Result = TRUE;
                return;
            }
        }
        break;
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(message);
        UpdateBounds();
        return;
    case WM_SETFOCUS:
        DefaultHandler(message);
        if (TForm* form = GetParentForm(this); form && form != this) form->SetFocusedControl(this);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        WORD key = static_cast<WORD>(message.WParam);
        if (message.Msg == WM_KEYDOWN || message.Msg == WM_SYSKEYDOWN)
            KeyDown(key, KeyboardShiftState());
        else
            KeyUp(key, KeyboardShiftState());
        if (!key) return;
        message.WParam = key;
        break;
    }
    case WM_CHAR: {
        char key = static_cast<char>(message.WParam);
        KeyPress(key);
        if (!key) return;
        message.WParam = static_cast<unsigned char>(key);
        break;
    }
    case WM_SYSCOLORCHANGE:
        Perform(CM_SYSCOLORCHANGE);
        break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        message.Result = IsDialogKey(message);
        return;
    case CN_CHAR: {
        TForm* form = GetParentForm(this);
        HWND focus = GetFocus();
        LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, message.WParam, 0) : 0;
        if (form && !(code & (DLGC_WANTCHARS | DLGC_WANTMESSAGE)))
            message.Result = form->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
        return;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED:
        Broadcast(message);
        return;
    case CM_SYSCOLORCHANGE:
        Invalidate();
        Broadcast(message);
        return;
    case CM_COLORCHANGED:
        Invalidate();
        for (TControl* control : controls_) control->Perform(CM_PARENTCOLORCHANGED);
        return;
    case CM_FONTCHANGED:
        if (handle_ && defWndProc_ != DefWindowProcA)
            SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
        Invalidate();
        for (TControl* control : controls_) control->Perform(CM_PARENTFONTCHANGED);
        return;
    case CM_ENABLEDCHANGED:
        if (handle_) EnableWindow(handle_, enabled_);
        return;
    case CM_VISIBLECHANGED:
        if (visible_ && (!parent_ || parent_->handle_)) HandleNeeded();
        if (handle_) ShowWindow(handle_, !visible_ ? SW_HIDE : parent_ ? SW_SHOWNA : SW_SHOW);
        return;
    }
    if (message.Msg >= CN_BASE && message.Msg < CN_BASE + 0x400) {
        // A notification the child did not answer gets the system's answer:
        // for WM_CTLCOLOR*, its colours and brush.
        if (message.Msg >= CN_BASE + WM_CTLCOLORMSGBOX && message.Msg <= CN_BASE + WM_CTLCOLORSTATIC)
            message.Result = DefWindowProcA(handle_, message.Msg - CN_BASE, message.WParam, message.LParam);
        return;
    }
    TControl::WndProc(message);
}

bool TWinControl::ReflectNotification(TMessage& message)
{
    HWND child = nullptr;
    switch (message.Msg) {
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(message.LParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU) child = item->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(message.LParam);
        if (item->CtlType != ODT_MENU && handle_) child = GetDlgItem(handle_, item->CtlID);
        break;
    }
    case WM_DELETEITEM:
        child = reinterpret_cast<DELETEITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    case WM_COMPAREITEM:
        child = reinterpret_cast<COMPAREITEMSTRUCT*>(message.LParam)->hwndItem;
        break;
    default:
        child = reinterpret_cast<HWND>(message.LParam);
    }
    TWinControl* control = FindControl(child);
    if (!control || control == this) return false;
    message.Result = control->Perform(CN_BASE + message.Msg, message.WParam, message.LParam);
    return true;
}

bool TWinControl::IsDialogKey(TMessage& message)
{
    TForm* form = GetParentForm(this);
    if (!form) return false;
    if (form->IsShortCut(message)) return true;
    if (message.Msg != CN_KEYDOWN) return false;
    LRESULT mask;
    switch (message.WParam) {
    case VK_TAB:
        mask = DLGC_WANTTAB;
        break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        mask = DLGC_WANTARROWS;
        break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_EXECUTE:
    case VK_CANCEL:
        mask = DLGC_WANTALLKEYS;
        break;
    default:
        return false;
    }
    // The window with the focus may be a system control inside this one.
    HWND focus = GetFocus();
    LRESULT code = focus ? SendMessageA(focus, WM_GETDLGCODE, message.WParam, 0) : 0;
    if (code & (mask | DLGC_WANTMESSAGE)) return false;
    return form->Perform(CM_DIALOGKEY, message.WParam, message.LParam) != 0;
}

bool TWinControl::PreProcessMessage(MSG&)
{
    return false;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift)
{
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(char& key)
{
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift)
{
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::DoEnter()
{
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit) OnExit(this);
}

// ---- Mouse

bool TWinControl::RouteMouse(TMessage& message)
{
    POINT point = MessagePoint(message.LParam);
    TControl* under = ControlAtPos(point, false);
    if (message.Msg == WM_MOUSEMOVE) TrackMouse(under ? under : this);
    TControl* target = under;
    if (captureControl_ == this) target = nullptr;
    if (captureControl_ && captureControl_->parent_ == this && !AsWinControl(captureControl_)) target = captureControl_;
    if (!target) return false;
    UINT msg = message.Msg;
    bool doubleClick = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    if (doubleClick && !(target->controlStyle_ & csDoubleClicks)) msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    POINT local{point.x - target->left_, point.y - target->top_};
    message.Result = target->Perform(msg, message.WParam, PointToLParam(local));
    return true;
}

void TWinControl::TrackMouse(TControl* target)
{
    if (target == mouseControl_) return;
    TControl* previous = mouseControl_;
    mouseControl_ = target;
    if (previous) previous->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(previous));
    if (!target) return;
    target->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(target));
    TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, handle_, 0};
    TrackMouseEvent(&leave);
}
