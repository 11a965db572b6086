#pragma once
// Forms, the application object with its message loop, and the screen.
#include "Exceptions.h"
#include "WinControls.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TMainMenu;
class THintManager;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
constexpr TBorderIcons biSystemMenu = 1;
constexpr TBorderIcons biMinimize = 2;
constexpr TBorderIcons biMaximize = 4;
constexpr TBorderIcons biHelp = 8;
// MDI forms are told apart by their style only: they get no MDI windows.
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
// Where the form's window is placed when it is made.
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// Decides whether a key is a shortcut of the form; Handled consumes it.
using TShortCutEvent = std::function<void(TMessage& key, bool& handled)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;
using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;

// What ShowModal answers.
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = IDOK;
constexpr TModalResult mrCancel = IDCANCEL;
constexpr TModalResult mrAbort = IDABORT;
constexpr TModalResult mrRetry = IDRETRY;
constexpr TModalResult mrIgnore = IDIGNORE;
constexpr TModalResult mrYes = IDYES;
constexpr TModalResult mrNo = IDNO;

// A top-level window. The program's windows derive from it, build their
// components in their constructor and answer their own ClassName, which is
// also their window class name.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    // Takes the menu out of the window first: the system would destroy it with the window.
    ~TForm() override;
    // A plain form with nothing on it, for code that builds one at run time.
    static TForm* CreateNew(TComponent* owner) { return new TForm(owner); }

    std::string ClassName() const override { return "TForm"; }

    // Changes of the border make the window anew.
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TFormBorderStyle style);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle style);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition position) { position_ = position; }
    // A hidden form takes its state when it is shown.
    TWindowState WindowState();
    void SetWindowState(TWindowState state);
    // Draws on the form's window, inside and outside of painting.
    TCanvas* Canvas() { return WindowCanvas(); }
    TMainMenu* Menu() const { return menu_; }
    // The menu's bar shows in the form's window while both exist; its
    // commands, owner drawing and shortcuts reach it through the form.
    void SetMenu(TMainMenu* menu);
    // The OLE control of the form that is UI-active.
    TWinControl* ActiveOleControl() const { return activeOleControl_; }
    void SetActiveOleControl(TWinControl* control) { activeOleControl_ = control; }

    // Fires OnCreate once the whole form exists; CreateForm calls it.
    void AfterConstruction();

    // Asks CloseQuery and OnClose: hides the form (caHide, the default),
    // minimises it, frees it later (caFree) or keeps it (caNone). Closing
    // the main form ends the application's message loop; closing a modal
    // form ends ShowModal with mrCancel.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages already waiting for it are handled.
    void Release();

    // Shows the form with every other window of the program disabled until
    // ModalResult is set; answers it. Raises EInvalidOperation for a visible
    // form.
    TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    // The control that has, or gets when the form is active, the focus.
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* control);
    // Told by a control of the form that it took the focus: the control
    // that had it gets CM_CANCELMODE and DoExit, the new one DoEnter, every
    // control CM_FOCUSCHANGED.
    void SetFocusedControl(TWinControl* control);
    // Offered every key before it is dispatched; OnShortCut decides.
    virtual bool IsShortCut(TMessage& key);

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;
    // Fires while the whole form still exists, when it is freed by Free
    // (as its owner frees it), not by a bare delete.
    TNotifyEvent OnDestroy;
    TShortCutEvent OnShortCut;
    // Draws the form on its Canvas when it is painted.
    TNotifyEvent OnPaint;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Notification(TComponent* component, TOperation operation) override;
    void WndProc(TMessage& message) override;
    void BeforeDestruction() override;
    void PaintWindow(HDC dc) override;

private:
    // Runs one of the form's events; an exception goes to the application.
    void Fire(const TNotifyEvent& event);
    // CloseQuery, then OnClose: what closing should do.
    TCloseAction AskClose();
    void CloseModal();
    // Where Position puts the window.
    void PlaceWindow(TCreateParams& params);
    // ShowWindow's command for WindowState.
    int ShowCommand() const;
    friend class TWinControl;
    // The control leaves the form: it cannot stay its active control.
    void ControlRemoved(TControl* control);

    TModalResult modalResult_ = mrNone;
    bool modal_ = false;
    TWinControl* activeControl_ = nullptr;
    TWinControl* activeOleControl_ = nullptr;
    TFormBorderStyle borderStyle_ = bsSizeable;
    TBorderIcons borderIcons_ = biSystemMenu | biMinimize | biMaximize;
    TFormStyle formStyle_ = fsNormal;
    TPosition position_ = poDesigned;
    TWindowState windowState_ = wsNormal;
    TMainMenu* menu_ = nullptr;
};

// The form the control lies in (through its parents); null when none.
TForm* GetParentForm(TControl* control);

using TExceptionEvent = std::function<void(TObject* sender, const Exception& e)>;
// Sees every message the loop takes from the queue; Handled skips its dispatch.
using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;

class TApplicationEvents;
class TIcon;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    std::string ClassName() const override { return "TApplication"; }

    // Prepares the GUI thread for OLE controls and the common controls.
    void Initialize();

    // Full path of the executable.
    std::string ExeName() const;
    // The executable's name without extension until one is set.
    std::string Title() const;
    void SetTitle(const std::string& title);
    // The hidden window of the application; it wakes the loop for
    // synchronised calls of other threads.
    HWND Handle() const { return handle_; }

    TForm* MainForm() const { return mainForm_; }
    bool ShowMainForm = true;
    std::string HelpFile;

    // Creates a form owned by the application and fires its OnCreate; the
    // first form created becomes the main form. Reference is set before
    // OnCreate runs, and stays null when the constructor raises.
    template <class TFormClass>
    void CreateForm(TFormClass*& reference)
    {
        static_assert(std::is_base_of_v<TForm, TFormClass>, "CreateForm makes forms");
        reference = nullptr;
        reference = new TFormClass(this);
        FormCreated(reference);
    }

    // Shows the main form and handles messages until the application
    // terminates; without a main form it returns at once.
    void Run();
    // Ends the message loop: Terminated turns True when the loop takes the
    // quit message from the queue.
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles every waiting message and synchronised call, then returns.
    void ProcessMessages();
    // Handles one message, or waits for one when none is waiting.
    void HandleMessage();

    // Called inside a catch block: hands the exception to OnException, or
    // shows its message in a box titled with the application's title. EAbort
    // passes silently.
    void HandleException(TObject* sender);
    void ShowException(const Exception& e);
    // The system header renames MessageBox to MessageBoxA, here as in the
    // callers: Application->MessageBox(...) reaches this all the same.
    int MessageBox(const std::string& text, const std::string& caption, UINT flags = MB_OK);
    void Minimize();

    // When and how hints show: ShowHint, HintColor, HintPause,
    // HintHidePause, the Hint under the pointer, ActivateHint, CancelHint.
    THintManager& Hints();

    // Whether one of the program's windows on this thread is the active one.
    bool Active() const { return GetActiveWindow() != nullptr; }
    // The program's icon, given to the application's window and the main
    // form's title bar.
    TIcon& Icon();
    void SetIcon(const TIcon* icon);

    TExceptionEvent OnException;
    // Offered each message after every TApplicationEvents' OnMessage.
    TMessageEvent OnMessage;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    // Tells the hints which control the pointer is over, and hides the hint
    // when the user clicks or types.
    void TrackHint(const MSG& msg);
    static LRESULT CALLBACK AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void FormCreated(TForm* form);
    bool ProcessMessage(MSG& msg);
    // The control of the message's window is offered it first; keys then
    // go to it reflected (CN_KEYDOWN, ...), where dialog keys and shortcuts
    // are consumed.
    static bool IsPreProcessMessage(MSG& msg);
    static bool IsKeyMsg(MSG& msg);

    HWND handle_ = nullptr;
    TForm* mainForm_ = nullptr;
    std::string title_;
    bool terminated_ = false;
    bool oleInitialized_ = false;
    std::unique_ptr<THintManager> hints_;
    std::unique_ptr<TIcon> icon_;
    friend class TApplicationEvents;
    // Newest first: the last one made sees a message first.
    std::vector<TApplicationEvents*> events_;
};

// The application's OnMessage for any number of parties: each object
// offers its handler every message the loop takes, newest first, until
// one handles it.
class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* owner);
    ~TApplicationEvents() override;
    std::string ClassName() const override { return "TApplicationEvents"; }

    TMessageEvent OnMessage;
};

// The display, and the cursor shown over all of the program's windows.
class TScreen : public TComponent {
public:
    TScreen();
    std::string ClassName() const override { return "TScreen"; }

    TCursor Cursor() const { return cursor_; }
    // Any cursor but crDefault overrides the cursor of every window of the
    // program; crDefault gives the windows their own again.
    void SetCursor(TCursor cursor);
    // The handle for a cursor number; unknown numbers give the default one.
    HCURSOR Cursors(TCursor index) const;
    // Adds or replaces a cursor; the screen does not take ownership. A null
    // cursor takes the number's own away: it gives the default one again.
    void SetCursors(TCursor index, HCURSOR cursor);

    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    int PixelsPerInch() const;
    // Every monitor together, and the primary monitor less its task bars.
    TRect DesktopRect() const;
    TRect WorkAreaRect() const;

private:
    TCursor cursor_ = crDefault;
    std::map<TCursor, HCURSOR> cursors_;
};

// Reaches the application object, which comes into being on first use and
// not during static initialisation: no window of the program exists before
// WinMain runs.
class TApplicationAccess {
public:
    constexpr TApplicationAccess() = default;
    TApplication* operator->() const { return Get(); }
    operator TApplication*() const { return Get(); }

private:
    static TApplication* Get();
};

extern const TApplicationAccess Application;
extern TScreen* Screen;

// The hourglass for as long as it lives, then the cursor shown before it,
// also when an exception leaves the scope.
class TBusyCursor {
public:
    TBusyCursor() : saved_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
    ~TBusyCursor() { Screen->SetCursor(saved_); }

private:
    TCursor saved_;
};
