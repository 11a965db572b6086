#include "Forms.h"

#include "DragDrop.h"
#include "Hints.h"
#include "Icon.h"

#include "Menus.h"
#include "Threads.h"

#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

// Calls Report with the exception being handled; a silent abort reports
// nothing. Exceptions of other kinds are reported as the common class.
void WithCurrentException(const std::function<void(const Exception&)>& report)
{
    try {
        throw;
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        report(e);
    } catch (const std::bad_alloc&) {
        report(EOutOfMemory("Out of memory"));
    } catch (const std::exception& e) {
        report(Exception(e.what()));
    } catch (...) {
        report(Exception("Unknown exception"));
    }
}

bool ServeSynchronizedCalls()
{
    return GetCurrentThreadId() == MainThreadID && CheckSynchronize();
}

// While a form runs modally the program's other windows are disabled;
// afterwards they are enabled again before the form hides, so that the
// window active before it becomes active again.
class TModalScope {
public:
    TModalScope(TForm& form, bool& modal) : form_(form), modal_(modal), previouslyActive_(GetActiveWindow())
    {
        EnumThreadWindows(GetCurrentThreadId(), &Disable, reinterpret_cast<LPARAM>(this));
        modal_ = true;
    }
    ~TModalScope()
    {
        modal_ = false;
        for (HWND window : disabled_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
        form_.Hide();
        if (previouslyActive_ && IsWindow(previouslyActive_)) SetActiveWindow(previouslyActive_);
    }
    TModalScope(const TModalScope&) = delete;
    TModalScope& operator=(const TModalScope&) = delete;

private:
    static BOOL CALLBACK Disable(HWND window, LPARAM self)
    {
        auto* scope = reinterpret_cast<TModalScope*>(self);
        if (window != scope->form_.Handle() && IsWindowVisible(window) && IsWindowEnabled(window)) {
            EnableWindow(window, FALSE);
            scope->disabled_.push_back(window);
        }
        return TRUE;
    }

    TForm& form_;
    bool& modal_;
    HWND previouslyActive_;
    std::vector<HWND> disabled_;
};

const char* const ApplicationClass = "TApplication";

TScreen screenObject;

}

TScreen* Screen = &screenObject;
const TApplicationAccess Application;

TApplication* TApplicationAccess::Get()
{
    static TApplication application;
    return &application;
}

// ---- TForm

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    visible_ = false;
    controlState_ |= csCustomPaint;
    TControl::SetBounds(0, 0, 320, 240);
}

void TForm::AfterConstruction()
{
    Fire(OnCreate);
}

void TForm::CreateParams(TCreateParams& params)
{
    TWinControl::CreateParams(params);
    // The other forms stay above the main form and share its taskbar button.
    TForm* mainForm = Application->MainForm();
    if (mainForm && mainForm != this && mainForm->HandleAllocated()) params.WndParent = mainForm->Handle();
    static const struct {
        DWORD style;
        DWORD exStyle;
    } Borders[] = {
        {WS_POPUP, 0},
        {WS_CAPTION | WS_BORDER, 0},
        {WS_CAPTION | WS_THICKFRAME, 0},
        {WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME},
        {WS_CAPTION, WS_EX_TOOLWINDOW},
        {WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW},
    };
    params.Style |= Borders[borderStyle_].style;
    params.ExStyle |= Borders[borderStyle_].exStyle;
    if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) {
        params.Style |= WS_SYSMENU;
        bool framed = borderStyle_ == bsSingle || borderStyle_ == bsSizeable;
        if (framed && (borderIcons_ & biMinimize)) params.Style |= WS_MINIMIZEBOX;
        if (framed && (borderIcons_ & biMaximize)) params.Style |= WS_MAXIMIZEBOX;
        if ((borderIcons_ & biHelp) && !(params.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)))
            params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
    PlaceWindow(params);
}

void TForm::PlaceWindow(TCreateParams& params)
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    TForm* over = nullptr;
    switch (position_) {
    case poDesigned:
        return;
    case poDefault:
        params.Width = params.Height = CW_USEDEFAULT;
        [[fallthrough]];
    case poDefaultPosOnly:
        params.X = params.Y = CW_USEDEFAULT;
        return;
    case poDefaultSizeOnly:
        params.Width = params.Height = CW_USEDEFAULT;
        return;
    case poMainFormCenter:
        over = Application->MainForm();
        break;
    case poOwnerFormCenter:
        over = dynamic_cast<TForm*>(Owner());
        break;
    default:
        break;
    }
    if (over && over != this && over->HandleAllocated()) GetWindowRect(over->Handle(), &area);
    params.X = area.left + (area.right - area.left - params.Width) / 2;
    params.Y = area.top + (area.bottom - area.top - params.Height) / 2;
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    if (style == borderStyle_) return;
    borderStyle_ = style;
    RecreateWnd();
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    RecreateWnd();
}

void TForm::SetFormStyle(TFormStyle style)
{
    if (style == formStyle_) return;
    formStyle_ = style;
    if (HandleAllocated())
        SetWindowPos(Handle(), style == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TForm::WindowState()
{
    if (!HandleAllocated() || !visible_) return windowState_;
    HWND window = Handle();
    return IsIconic(window) ? wsMinimized : IsZoomed(window) ? wsMaximized : wsNormal;
}

void TForm::SetWindowState(TWindowState state)
{
    windowState_ = state;
    if (HandleAllocated() && visible_) ShowWindow(Handle(), ShowCommand());
}

int TForm::ShowCommand() const
{
    static const int Commands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    return Commands[windowState_];
}

void TForm::WndProc(TMessage& message)
{
    switch (message.Msg) {
    case WM_DESTROY:
        // The system would destroy the menu with the window; the menu keeps it.
        if (menu_) menu_->SetWindowHandle(nullptr);
        break;
    case WM_COMMAND:
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (menu_ && menu_->HandleMenuMessage(message)) return;
        break;
    case WM_ACTIVATE:
        // The focus goes back to the control that had it.
        if (LOWORD(message.WParam) != WA_INACTIVE && !HIWORD(message.WParam) && activeControl_ &&
            activeControl_->CanFocus()) {
            activeControl_->SetFocus();
            return;
        }
        break;
    case CM_VISIBLECHANGED:
        // Shown in the state it was given while hidden.
        if (visible_ && windowState_ != wsNormal) {
            ShowWindow(Handle(), ShowCommand());
            return;
        }
        break;
    case WM_QUERYNEWPALETTE:
        message.Result = PaletteChanged(true);
        return;
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(message.WParam) != Handle()) PaletteChanged(false);
        return;
    case CM_DIALOGKEY:
        if (message.WParam == VK_TAB && !(KeyboardShiftState() & (ssCtrl | ssAlt))) {
            SelectNext(activeControl_, !(KeyboardShiftState() & ssShift), true);
            message.Result = 1;
            return;
        }
        break;
    case WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        Free();
        return;
    case WM_SHOWWINDOW:
        // A zero LParam: shown or hidden by ShowWindow, not with its owner.
        if (message.LParam == 0) {
            visible_ = message.WParam != 0;
            Fire(visible_ ? OnShow : OnHide);
        }
        break;
    }
    TWinControl::WndProc(message);
}

void TForm::SetActiveControl(TWinControl* control)
{
    if (control && GetParentForm(control) != this)
        throw EInvalidOperation("Cannot focus a control of another form");
    if (control && HandleAllocated() && IsWindowVisible(Handle()) && control->CanFocus())
        control->SetFocus();
    else
        activeControl_ = control;
}

void TForm::SetFocusedControl(TWinControl* control)
{
    if (control == activeControl_) return;
    TWinControl* previous = activeControl_;
    activeControl_ = control;
    if (previous) {
        previous->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(control));
        previous->DoExit();
    }
    control->DoEnter();
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
}

void TForm::ControlRemoved(TControl* control)
{
    for (TWinControl** kept : {&activeControl_, &activeOleControl_})
        for (TControl* c = *kept; c; c = c->Parent())
            if (c == control) {
                *kept = nullptr;
                break;
            }
}

bool TForm::IsShortCut(TMessage& key)
{
    bool handled = false;
    if (OnShortCut) OnShortCut(key, handled);
    return handled || (menu_ && menu_->IsShortCut(ShortCutFromKey(WORD(key.WParam))));
}

void TForm::SetMenu(TMainMenu* menu)
{
    if (menu == menu_) return;
    if (menu_) {
        menu_->SetWindowHandle(nullptr);
        menu_->RemoveFreeNotification(this);
    }
    menu_ = menu;
    if (!menu_) return;
    menu_->FreeNotification(this);
    if (HandleAllocated()) menu_->SetWindowHandle(Handle());
}

TForm::~TForm()
{
    if (menu_) menu_->SetWindowHandle(nullptr);
}

void TForm::CreateWnd()
{
    TWinControl::CreateWnd();
    if (menu_) menu_->SetWindowHandle(Handle());
}

void TForm::Notification(TComponent* component, TOperation operation)
{
    TWinControl::Notification(component, operation);
    if (operation == opRemove && component == menu_) menu_ = nullptr;
}

TForm* GetParentForm(TControl* control)
{
    while (control->Parent()) control = control->Parent();
    return dynamic_cast<TForm*>(control);
}

void TForm::PaintWindow(HDC dc)
{
    if (!OnPaint) return;
    TCanvasDCScope scope(*Canvas(), dc);
    Fire(OnPaint);
}

void TForm::BeforeDestruction()
{
    Fire(OnDestroy);
    TWinControl::BeforeDestruction();
}

void TForm::Fire(const TNotifyEvent& event)
{
    if (!event) return;
    try {
        event(this);
    } catch (...) {
        Application->HandleException(this);
    }
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

TCloseAction TForm::AskClose()
{
    if (!CloseQuery()) return caNone;
    TCloseAction action = caHide;
    if (OnClose) OnClose(this, action);
    return action;
}

void TForm::Close()
{
    if (modal_) {
        modalResult_ = mrCancel;
        return;
    }
    TCloseAction action = AskClose();
    if (action == caNone) return;
    if (Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        ShowWindow(Handle(), SW_MINIMIZE);
    else
        Release();
}

void TForm::Release()
{
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

TModalResult TForm::ShowModal()
{
    if (Visible() || modal_) throw EInvalidOperation("Cannot make a visible window modal");
    TModalScope scope(*this, modal_);
    modalResult_ = mrNone;
    Show();
    while (modalResult_ == mrNone) {
        Application->HandleMessage();
        if (Application->Terminated())
            modalResult_ = mrCancel;
        else if (modalResult_ != mrNone)
            CloseModal();
    }
    return modalResult_;
}

void TForm::CloseModal()
{
    TCloseAction action = AskClose();
    if (action == caNone)
        modalResult_ = mrNone;
    else if (action == caFree)
        Release();
}

// ---- TApplication

TApplication::TApplication() : TComponent(nullptr)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &AppWndProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = ApplicationClass;
    RegisterClassA(&windowClass);
    handle_ = CreateWindowExA(0, ApplicationClass, Title().c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    WakeMainThread = [] { PostMessageA(Application->Handle(), WM_NULL, 0, 0); };
}

TApplication::~TApplication()
{
    hints_.reset();
    // The forms go while the application they may call is still whole.
    DestroyComponents();
    WakeMainThread = nullptr;
    DestroyWindow(handle_);
    if (oleInitialized_) OleUninitialize();
}

void TApplication::Initialize()
{
    if (!oleInitialized_) oleInitialized_ = SUCCEEDED(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
}

std::string TApplication::ExeName() const
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string TApplication::Title() const
{
    if (!title_.empty()) return title_;
    std::string name = ExeName();
    name.erase(0, name.find_last_of("\\/:") + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

void TApplication::SetTitle(const std::string& title)
{
    title_ = title;
    SetWindowTextA(handle_, Title().c_str());
}

void TApplication::FormCreated(TForm* form)
{
    form->AfterConstruction();
    if (!mainForm_) {
        form->HandleNeeded();
        mainForm_ = form;
        // However the main form goes, the application lets go of it.
        FreeNotification(form);
    }
}

void TApplication::Notification(TComponent* component, TOperation operation)
{
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == mainForm_) mainForm_ = nullptr;
}

void TApplication::Run()
{
    if (!mainForm_) return;
    if (ShowMainForm) mainForm_->Show();
    while (!terminated_) {
        try {
            HandleMessage();
        } catch (...) {
            HandleException(this);
        }
    }
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) return false;
    // Windows with a wide-character procedure get their messages unconverted.
    bool unicode = msg.hwnd && IsWindowUnicode(msg.hwnd);
    if (!(unicode ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)))
        return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    TrackHint(msg);
    bool handled = false;
    // A copy: a handler may free its own events object.
    for (TApplicationEvents* events : std::vector<TApplicationEvents*>(events_)) {
        if (handled) break;
        if (std::find(events_.begin(), events_.end(), events) != events_.end() && events->OnMessage)
            events->OnMessage(msg, handled);
    }
    if (!handled && OnMessage) OnMessage(msg, handled);
    if (!handled) handled = IsDragKeyMsg(msg) || IsPreProcessMessage(msg) || IsKeyMsg(msg);
    if (!handled) {
        TranslateMessage(&msg);
        if (unicode)
            DispatchMessageW(&msg);
        else
            DispatchMessageA(&msg);
    }
    return true;
}

TIcon& TApplication::Icon()
{
    if (!icon_) icon_ = std::make_unique<TIcon>();
    return *icon_;
}

void TApplication::SetIcon(const TIcon* icon)
{
    Icon().Assign(icon);
    const LPARAM handle = reinterpret_cast<LPARAM>(Icon().Handle());
    for (HWND window : {handle_, mainForm_ && mainForm_->HandleAllocated() ? mainForm_->Handle() : nullptr}) {
        if (!window) continue;
        SendMessageA(window, WM_SETICON, ICON_BIG, handle);
        SendMessageA(window, WM_SETICON, ICON_SMALL, handle);
    }
}

TApplicationEvents::TApplicationEvents(TComponent* owner) : TComponent(owner)
{
    auto& events = Application->events_;
    events.insert(events.begin(), this);
}

TApplicationEvents::~TApplicationEvents()
{
    auto& events = Application->events_;
    events.erase(std::remove(events.begin(), events.end(), this), events.end());
}

THintManager& TApplication::Hints()
{
    if (!hints_) hints_ = std::make_unique<THintManager>();
    return *hints_;
}

void TApplication::TrackHint(const MSG& msg)
{
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        TWinControl* owner = TWinControl::ContainingControl(msg.hwnd);
        TControl* control = owner;
        if (owner && owner->Handle() == msg.hwnd)
            if (TControl* inner = owner->ControlAtPos(MessagePoint(msg.lParam), false)) control = inner;
        Hints().MouseMoved(control);
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_KEYDOWN:
        if (hints_) hints_->CancelHint();
        break;
    }
}

bool TApplication::IsPreProcessMessage(MSG& msg)
{
    TWinControl* control = TWinControl::ContainingControl(msg.hwnd);
    return control && control->PreProcessMessage(msg);
}

bool TApplication::IsKeyMsg(MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    TWinControl* control = TWinControl::ContainingControl(msg.hwnd);
    return control && control->Perform(CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (ProcessMessage(msg)) {
    }
    ServeSynchronizedCalls();
}

void TApplication::HandleMessage()
{
    MSG msg;
    if (!ProcessMessage(msg) && !ServeSynchronizedCalls()) WaitMessage();
}

LRESULT CALLBACK TApplication::AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    try {
        switch (msg) {
        case WM_NULL:
            CheckSynchronize();
            return 0;
        case WM_CLOSE:
            if (Application->mainForm_) Application->mainForm_->Close();
            return 0;
        }
    } catch (...) {
        Application->HandleException(Application);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void TApplication::HandleException(TObject* sender)
{
    if (!std::current_exception()) return;
    WithCurrentException([&](const Exception& e) {
        if (!OnException) {
            ShowException(e);
            return;
        }
        try {
            OnException(sender, e);
        } catch (...) {
            WithCurrentException([&](const Exception& raised) { ShowException(raised); });
        }
    });
}

void TApplication::ShowException(const Exception& e)
{
    MessageBox(e.Message(), Title(), MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags)
{
    HWND owner = GetActiveWindow();
    if (!owner && mainForm_ && mainForm_->HandleAllocated()) owner = mainForm_->Handle();
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

void TApplication::Minimize()
{
    if (mainForm_) ShowWindow(mainForm_->Handle(), SW_MINIMIZE);
}

// ---- TScreen

TScreen::TScreen() : TComponent(nullptr)
{
    // The system has no drag or split cursors of its own: its nearest shapes stand in.
    static const struct {
        TCursor cursor;
        LPCSTR system;
    } SystemCursors[] = {
        {crDefault, IDC_ARROW},   {crArrow, IDC_ARROW},         {crCross, IDC_CROSS},       {crIBeam, IDC_IBEAM},
        {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},     {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},
        {crUpArrow, IDC_UPARROW}, {crHourGlass, IDC_WAIT},      {crDrag, IDC_ARROW},        {crNoDrop, IDC_NO},
        {crHSplit, IDC_SIZEWE},   {crVSplit, IDC_SIZENS},       {crMultiDrag, IDC_ARROW},   {crSQLWait, IDC_WAIT},
        {crNo, IDC_NO},           {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP},        {crHandPoint, IDC_HAND},
        {crSizeAll, IDC_SIZEALL},
    };
    for (auto& entry : SystemCursors) cursors_[entry.cursor] = LoadCursorA(nullptr, entry.system);
    cursors_[crNone] = nullptr;
}

void TScreen::SetCursor(TCursor cursor)
{
    cursor_ = cursor;
    if (cursor != crDefault) {
        ::SetCursor(Cursors(cursor));
        return;
    }
    // Let the window under the pointer choose its own cursor again.
    POINT point;
    GetCursorPos(&point);
    HWND window = WindowFromPoint(point);
    if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) {
        LRESULT hitTest = SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
        SendMessageA(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(hitTest, WM_MOUSEMOVE));
    } else {
        ::SetCursor(Cursors(crDefault));
    }
}

HCURSOR TScreen::Cursors(TCursor index) const
{
    auto found = cursors_.find(index);
    return found != cursors_.end() ? found->second : cursors_.at(crDefault);
}

void TScreen::SetCursors(TCursor index, HCURSOR cursor)
{
    if (cursor)
        cursors_[index] = cursor;
    else if (index != crDefault && index != crNone)
        cursors_.erase(index);
}

TRect TScreen::DesktopRect() const
{
    return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                  GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

TRect TScreen::WorkAreaRect() const
{
    TRect area{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0)) area = Bounds(0, 0, Width(), Height());
    return area;
}

int TScreen::PixelsPerInch() const
{
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return pixelsPerInch;
}
