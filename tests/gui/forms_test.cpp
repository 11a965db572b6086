#include "Forms.h"
#include "Icon.h"
#include "Threads.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr UINT WM_TEST = WM_APP + 1;
constexpr UINT WM_THROW = WM_APP + 2;

// A form that hands its test messages to the test, and throws what the
// test asks it to from inside its window procedure.
class TTestForm : public TForm {
public:
    using TForm::TForm;
    std::string ClassName() const override { return "TTestForm"; }

    std::function<void(TMessage&)> OnTestMessage;
    std::function<void()> Thrower;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_TEST && OnTestMessage) {
            OnTestMessage(message);
            return;
        }
        if (message.Msg == WM_THROW) Thrower();
        TForm::WndProc(message);
    }
};

// What reached the application's exception handler.
struct TReported {
    TObject* sender;
    std::string message;
};

class ApplicationTest : public testing::Test {
protected:
    void SetUp() override
    {
        Application->OnException = [this](TObject* sender, const Exception& e) {
            reported.push_back({sender, e.Message()});
        };
    }
    void TearDown() override
    {
        Application->OnException = nullptr;
        Screen->SetCursor(crDefault);
    }

    std::vector<TReported> reported;
};

std::string WindowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

bool timedOut = false;
std::string boxText;

void CALLBACK TimeOut(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    timedOut = true;
}

void CALLBACK ReadAndCloseBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND box = FindWindowA("#32770", "Tavelomatic Studio");
    if (!box) return;
    KillTimer(nullptr, timer);
    char text[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    boxText = text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

}

TEST_F(ApplicationTest, ExceptionsInsideAWindowProcedureReachHandleException)
{
    TTestForm form(nullptr);
    struct {
        std::function<void()> thrower;
        const char* reported;
    } cases[] = {
        {[] { throw EConvertError("'abc' is not a valid integer value"); }, "'abc' is not a valid integer value"},
        {[] { throw std::runtime_error("from the standard library"); }, "from the standard library"},
        {[] { throw 42; }, "Unknown exception"},
        {[] { throw EAbort(); }, nullptr},
    };
    for (auto& c : cases) {
        reported.clear();
        form.Thrower = c.thrower;
        SendMessageA(form.Handle(), WM_THROW, 0, 0);
        PostMessageA(form.Handle(), WM_THROW, 0, 0);
        Application->ProcessMessages();
        if (!c.reported) {
            EXPECT_TRUE(reported.empty());
            continue;
        }
        ASSERT_EQ(reported.size(), 2u) << c.reported;
        for (auto& r : reported) {
            EXPECT_EQ(r.sender, &form);
            EXPECT_EQ(r.message, c.reported);
        }
    }
}

TEST_F(ApplicationTest, ExceptionBoxIsTitledWithTheApplicationTitle)
{
    EXPECT_EQ(Application->Title(), "gui_forms_tests");
    Application->SetTitle("Tavelomatic Studio");
    EXPECT_EQ(WindowText(Application->Handle()), "Tavelomatic Studio");

    // The box is read and closed from a timer that runs inside its own loop.
    boxText.clear();
    SetTimer(nullptr, 0, 100, &ReadAndCloseBox);
    Application->OnException = nullptr;
    try {
        throw EInvalidOperation("Cannot make a visible window modal");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(boxText, "Cannot make a visible window modal");
    Application->SetTitle("");
}

TEST_F(ApplicationTest, SynchronizedCallsWakeTheWaitingMessageLoop)
{
    class TWorker : public TThread {
    public:
        std::vector<DWORD> callers;
        bool done = false;

    protected:
        void Execute() override
        {
            for (int i = 0; i < 3; ++i) {
                Sleep(20);
                Synchronize([this] { callers.push_back(GetCurrentThreadId()); });
            }
            Synchronize([this] { done = true; });
        }
    } worker;
    timedOut = false;
    UINT_PTR watchdog = SetTimer(nullptr, 0, 5000, &TimeOut);
    worker.Start();

    // HandleMessage waits for messages while the worker sleeps: only the
    // wake-up of each synchronised call brings it back.
    while (!worker.done && !timedOut) Application->HandleMessage();

    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(worker.callers, std::vector<DWORD>(3, GetCurrentThreadId()));
    worker.WaitFor();
}

TEST_F(ApplicationTest, FormsCreatedByTheApplicationFireOnCreateOnceWhole)
{
    class TfrmCreated : public TForm {
    public:
        explicit TfrmCreated(TComponent* owner) : TForm(owner)
        {
            OnCreate = [this](TObject*) {
                created = true;
                throw EConvertError("raised in OnCreate");
            };
        }
        bool created = false;
    };
    TfrmCreated* form = nullptr;
    Application->CreateForm(form);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->created);
    EXPECT_EQ(form->Owner(), Application);
    EXPECT_EQ(Application->MainForm(), form);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].sender, form);
    EXPECT_EQ(reported[0].message, "raised in OnCreate");

    bool destroyed = false;
    form->OnDestroy = [&](TObject* sender) {
        EXPECT_EQ(sender, form);
        destroyed = form->created;  // the whole form is still there
    };
    form->Free();
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(ApplicationTest, ExeNameIsTheFullPath)
{
    std::string exe = Application->ExeName();
    EXPECT_EQ(exe.substr(1, 2), ":\\");
    EXPECT_EQ(exe.substr(exe.size() - 20), "\\gui_forms_tests.exe");
}

TEST_F(ApplicationTest, FormWindowFollowsCaptionBoundsAndVisibility)
{
    TTestForm form(Application);
    std::vector<std::string> events;
    form.OnShow = [&](TObject*) { events.push_back("show"); };
    form.OnHide = [&](TObject*) { events.push_back("hide"); };
    form.SetCaption("Crop... | Tavelomatic Converter");
    form.SetBounds(10, 20, 300, 200);
    EXPECT_FALSE(form.HandleAllocated());

    form.Show();

    ASSERT_TRUE(form.HandleAllocated());
    EXPECT_TRUE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(FindWindowA("TTestForm", "Crop... | Tavelomatic Converter"), form.Handle());
    RECT bounds;
    GetWindowRect(form.Handle(), &bounds);
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(bounds.right, 310);
    EXPECT_EQ(bounds.bottom, 220);

    SetWindowPos(form.Handle(), nullptr, 40, 50, 320, 210, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(form.Left(), 40);
    EXPECT_EQ(form.Top(), 50);
    EXPECT_EQ(form.Width(), 320);
    EXPECT_EQ(form.Height(), 210);
    form.SetLeft(5);
    GetWindowRect(form.Handle(), &bounds);
    EXPECT_EQ(bounds.left, 5);
    EXPECT_EQ(bounds.right, 325);

    SetWindowTextA(form.Handle(), "Settings");
    EXPECT_EQ(form.Caption(), "Settings");
    form.Repaint();

    // A window made again keeps the caption and bounds of the one it replaces.
    HWND first = form.Handle();
    form.DestroyHandle();
    EXPECT_FALSE(form.HandleAllocated());
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(WindowText(form.Handle()), "Settings");
    GetWindowRect(form.Handle(), &bounds);
    EXPECT_EQ(bounds.left, 5);
    EXPECT_EQ(bounds.bottom, 260);
    form.Show();
    events.clear();

    ShowWindow(form.Handle(), SW_HIDE);
    EXPECT_FALSE(form.Visible());
    form.Show();
    form.Hide();
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    EXPECT_EQ(events, (std::vector<std::string>{"hide", "show", "hide"}));
}

TEST_F(ApplicationTest, CloseDoesWhatOnCloseAsks)
{
    for (TCloseAction action : {caNone, caHide, caMinimize, caFree}) {
        auto* form = new TTestForm(Application);
        bool destroyed = false;
        form->OnClose = [&](TObject*, TCloseAction& asked) {
            EXPECT_EQ(asked, caHide);
            asked = action;
        };
        form->OnDestroy = [&](TObject*) { destroyed = true; };
        form->Show();
        HWND window = form->Handle();

        PostMessageA(window, WM_CLOSE, 0, 0);
        Application->ProcessMessages();

        EXPECT_EQ(destroyed, action == caFree) << action;
        EXPECT_EQ(IsWindow(window) != FALSE, action != caFree) << action;
        if (action == caFree) continue;
        EXPECT_EQ(IsWindowVisible(window) != FALSE, action != caHide) << action;
        EXPECT_EQ(IsIconic(window) != FALSE, action == caMinimize) << action;
        form->Free();
    }

    TTestForm kept(Application);
    bool asked = false;
    kept.OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
    kept.OnClose = [&](TObject*, TCloseAction&) { asked = true; };
    kept.Show();
    kept.Close();
    EXPECT_TRUE(kept.Visible());
    EXPECT_FALSE(asked);
}

TEST_F(ApplicationTest, WindowProcCanBeReplacedInFrontOfTheForm)
{
    TTestForm form(nullptr);
    std::vector<UINT> seen;
    TWndMethod previous = form.WindowProc;
    form.WindowProc = [&](TMessage& message) {
        if (message.Msg == WM_TEST) seen.push_back(message.Msg);
        previous(message);
    };
    form.OnTestMessage = [](TMessage& message) { message.Result = 7; };

    EXPECT_EQ(SendMessageA(form.Handle(), WM_TEST, 0, 0), 7);
    EXPECT_EQ(form.Perform(WM_TEST), 7);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(ApplicationTest, ShowModalRunsUntilModalResultIsSet)
{
    TTestForm owner(nullptr);
    owner.Show();
    TTestForm dialog(nullptr);
    bool ownerDisabled = false;
    dialog.OnShow = [&](TObject*) {
        ownerDisabled = !IsWindowEnabled(owner.Handle());
        PostMessageA(dialog.Handle(), WM_TEST, 0, 0);
    };
    dialog.OnTestMessage = [&](TMessage&) { dialog.SetModalResult(mrOk); };

    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(dialog.Visible());

    // Closing a modal form cancels it, unless the form refuses to close.
    int queries = 0;
    dialog.OnTestMessage = [&](TMessage&) { dialog.Close(); };
    dialog.OnCloseQuery = [&](TObject*, bool& canClose) {
        canClose = ++queries > 1;
        if (!canClose) PostMessageA(dialog.Handle(), WM_TEST, 0, 0);
    };
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(queries, 2);

    dialog.OnShow = nullptr;
    dialog.Show();
    EXPECT_THROW(dialog.ShowModal(), EInvalidOperation);
}

TEST_F(ApplicationTest, ScreenCursorOverridesEveryWindowUntilDefault)
{
    HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    TTestForm form(nullptr);
    form.Show();
    auto setCursorMessage = [&] {
        return SendMessageA(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Handle()),
                            MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    };

    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(GetCursor(), wait);
    EXPECT_TRUE(setCursorMessage());
    EXPECT_EQ(GetCursor(), wait);

    Screen->SetCursor(crDefault);
    EXPECT_NE(GetCursor(), wait);
    setCursorMessage();
    EXPECT_EQ(GetCursor(), arrow);

    EXPECT_EQ(Screen->Cursors(crHandPoint), LoadCursorA(nullptr, IDC_HAND));
    EXPECT_EQ(Screen->Cursors(14000), arrow);
    HCURSOR cross = LoadCursorA(nullptr, IDC_CROSS);
    Screen->SetCursors(14000, cross);
    EXPECT_EQ(Screen->Cursors(14000), cross);
    Screen->SetCursors(14000, nullptr);
    EXPECT_EQ(Screen->Cursors(14000), arrow);
    Screen->SetCursors(crDefault, nullptr);
    EXPECT_EQ(Screen->Cursors(crDefault), arrow);
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_GT(Screen->PixelsPerInch(), 0);
}

TEST_F(ApplicationTest, ApplicationEventsSeeMessagesNewestFirstUntilOneHandlesThem)
{
    std::vector<std::string> seen;
    constexpr UINT Probe = WM_APP + 17;
    auto handler = [&](const char* name, bool handles) {
        return [&seen, name, handles](MSG& msg, bool& handled) {
            if (msg.message != Probe) return;
            seen.push_back(name);
            handled = handles;
        };
    };
    Application->OnMessage = handler("application", false);
    TApplicationEvents older(nullptr);
    older.OnMessage = handler("older", false);
    auto newer = std::make_unique<TApplicationEvents>(nullptr);
    newer->OnMessage = handler("newer", true);

    PostMessageA(Application->Handle(), Probe, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"newer"}));

    newer.reset();
    seen.clear();
    PostMessageA(Application->Handle(), Probe, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"older", "application"}));
    Application->OnMessage = nullptr;
}

TEST_F(ApplicationTest, WorkAreaLiesInTheDesktopAndTheIconReachesTheWindow)
{
    const TRect desktop = Screen->DesktopRect();
    const TRect work = Screen->WorkAreaRect();
    EXPECT_GT(RectWidth(work), 0);
    EXPECT_GE(work.left, desktop.left);
    EXPECT_LE(work.right, desktop.right);
    EXPECT_LE(work.bottom, desktop.bottom);

    TIcon icon;
    icon.SetHandle(CopyIcon(LoadIconA(nullptr, IDI_APPLICATION)));
    Application->SetIcon(&icon);
    ASSERT_FALSE(Application->Icon().Empty());
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Application->Handle(), WM_GETICON, ICON_BIG, 0)),
              Application->Icon().Handle());
}
