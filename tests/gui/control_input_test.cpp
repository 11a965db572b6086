#include "ControlTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tvmtest;

namespace {

// Moves the pointer as the user would, and waits until Until holds.
template <typename F>
bool MoveMouseTo(POINT screen, F until)
{
    SendMouseInput(screen);
    return PumpUntil(until);
}

LPARAM At(int x, int y)
{
    return MAKELPARAM(x, y);
}

// A system button drawn by its owner: the parent's WM_DRAWITEM and
// WM_COMMAND come back to it reflected.
class TOwnerDrawButton : public TWinControl {
public:
    TOwnerDrawButton(TComponent* owner, TWinControl* parent, TMessageLog& log) : TWinControl(owner), log_(log)
    {
        // The button tracks the mouse itself.
        SetControlStyle(ControlStyle() & ~(csCaptureMouse | csClickEvents));
        SetBounds(10, 10, 60, 30);
        SetParent(parent);
    }
    std::string ClassName() const override { return "TOwnerDrawButton"; }

protected:
    void CreateParams(TCreateParams& params) override
    {
        TWinControl::CreateParams(params);
        GetClassInfoA(nullptr, "BUTTON", &params.WindowClass);
        params.Style |= BS_OWNERDRAW;
    }
    void WndProc(TMessage& message) override
    {
        if (message.Msg == CN_DRAWITEM) {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(message.LParam);
            log_.push_back(item->hwndItem == Handle() ? "draw item" : "draw another item");
            HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
            FillRect(item->hDC, &item->rcItem, brush);
            DeleteObject(brush);
            message.Result = TRUE;
            return;
        }
        if (message.Msg == CN_COMMAND && HIWORD(message.WParam) == BN_CLICKED) log_.push_back("clicked");
        TWinControl::WndProc(message);
    }

private:
    TMessageLog& log_;
};

// What the window procedure of a system class would be: it records the
// keys that reach it and answers WM_GETDLGCODE as told.
TMessageLog* defaultLog = nullptr;
LRESULT dialogCode = 0;

LRESULT CALLBACK RecordingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETDLGCODE) return dialogCode;
    if (msg == WM_KEYDOWN && defaultLog) defaultLog->push_back("default key " + std::to_string(wParam));
    if (msg == WM_CHAR && defaultLog) defaultLog->push_back("default char " + std::string(1, static_cast<char>(wParam)));
    return DefWindowProcA(window, msg, wParam, lParam);
}

class TKeyTarget : public TWinControl {
public:
    TKeyTarget(TComponent* owner, TWinControl* parent, const std::string& name, bool tabStop) : TWinControl(owner)
    {
        SetName(name);
        SetBounds(0, 0, 20, 20);
        SetTabStop(tabStop);
        SetParent(parent);
        OnEnter = [this](TObject*) { Log.push_back("enter " + Name()); };
        OnExit = [this](TObject*) { Log.push_back("exit " + Name()); };
    }
    std::string ClassName() const override { return "TKeyTarget"; }

    static TMessageLog Log;

protected:
    void CreateParams(TCreateParams& params) override
    {
        TWinControl::CreateParams(params);
        params.WindowClass.lpfnWndProc = RecordingProc;
    }
};

TMessageLog TKeyTarget::Log;

// A shown form whose focused control has RecordingProc as its default
// procedure, answering WM_GETDLGCODE with DialogCode, and a windowless
// sibling that tests make a default button or an accelerator.
struct TKeyScene {
    explicit TKeyScene(LRESULT code)
    {
        defaultLog = &log;
        dialogCode = code;
        form.Show();
        target.SetFocus();
    }
    ~TKeyScene()
    {
        defaultLog = nullptr;
        dialogCode = 0;
    }
    TKeyScene(const TKeyScene&) = delete;
    TKeyScene& operator=(const TKeyScene&) = delete;

    TMessageLog log;
    TTestForm form{nullptr};
    TKeyTarget target{&form, &form, "target", true};
    TSwatch sibling{&form, &form, 0, RECT{50, 50, 60, 60}};
};

void PressKey(WORD key)
{
    PostMessageA(GetFocus(), WM_KEYDOWN, key, 1);
    Pump();
}

}

TEST(ControlInput, WindowlessChildrenHearTheMouseEnterAndLeave)
{
    TTestForm form(nullptr, 240, 160);
    TMessageLog log;
    TSwatch a(&form, &form, 0, RECT{10, 10, 60, 60});
    TSwatch b(&form, &form, 0, RECT{100, 10, 150, 60});
    a.SetName("a");
    b.SetName("b");
    a.Log = b.Log = &log;
    form.Show();
    form.Update();
    POINT origin = form.ClientOrigin();
    auto logged = [&](size_t count) { return [&log, count] { return log.size() >= count; }; };

    EXPECT_TRUE(MoveMouseTo(POINT{origin.x + 30, origin.y + 30}, logged(1)));
    EXPECT_TRUE(MoveMouseTo(POINT{origin.x + 120, origin.y + 30}, logged(3)));
    EXPECT_TRUE(MoveMouseTo(POINT{origin.x + 80, origin.y + 100}, logged(4)));
    EXPECT_TRUE(MoveMouseTo(POINT{origin.x + 20, origin.y + 20}, logged(5)));
    EXPECT_TRUE(MoveMouseTo(POINT{origin.x + 500, origin.y + 400}, logged(6))) << "leaving the window leaves the child";
    EXPECT_EQ(log, (TMessageLog{"a enter", "a leave", "b enter", "b leave", "a enter", "a leave"}));
}

TEST(ControlInput, MouseReachesWindowlessChildrenWithCaptureAndClicks)
{
    TTestForm form(nullptr);
    TSwatch swatch(&form, &form, 0, RECT{10, 10, 60, 60});
    TSwatch disabled(&form, &form, 0, RECT{100, 10, 150, 60});
    disabled.SetEnabled(false);
    TMessageLog log;
    auto record = [&](const std::string& who) {
        return [&log, who](TObject*, TMouseButton, TShiftState shift, int x, int y) {
            log.push_back(who + " " + std::to_string(x) + "," + std::to_string(y) + (shift & ssDouble ? " double" : ""));
        };
    };
    swatch.OnMouseDown = record("down");
    swatch.OnMouseUp = record("up");
    swatch.OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    swatch.OnClick = [&](TObject*) { log.push_back("click"); };
    swatch.OnDblClick = [&](TObject*) { log.push_back("double click"); };
    form.OnMouseDown = record("form down");
    HWND window = form.Handle();

    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
    EXPECT_TRUE(swatch.MouseCapture());
    EXPECT_EQ(GetCapture(), window);
    SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(120, 30));
    SendMessageA(window, WM_LBUTTONUP, 0, At(120, 30));
    EXPECT_FALSE(swatch.MouseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(20, 30));
    SendMessageA(window, WM_LBUTTONUP, 0, At(25, 35));
    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, At(20, 30));
    SendMessageA(window, WM_LBUTTONUP, 0, At(20, 30));
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, At(120, 30));
    SendMessageA(window, WM_LBUTTONUP, 0, At(120, 30));

    EXPECT_EQ(log, (TMessageLog{"down 10,20", "move 110,20", "up 110,20", "down 10,20", "click", "up 15,25",
                                "double click", "down 10,20 double", "click", "up 10,20", "form down 120,30"}));
}

TEST(ControlInput, NotificationsComeBackToTheChildThatSentThem)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TOwnerDrawButton button(&form, &form, log);
    form.Show();
    form.Update();
    EXPECT_EQ(log, TMessageLog{"draw item"});
    EXPECT_EQ(ClientPixel(button.Handle(), 5, 5), RGB(0, 0, 255));

    log.clear();
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "clicked"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "draw another item"), 0);
}

TEST(ControlInput, TabMovesTheFocusAlongTabStops)
{
    TTestForm form(nullptr);
    TKeyTarget::Log.clear();
    TKeyTarget first(&form, &form, "first", true);
    TKeyTarget skipped(&form, &form, "skipped", false);
    TKeyTarget third(&form, &form, "third", true);
    form.Show();
    first.SetFocus();
    EXPECT_EQ(form.ActiveControl(), &first);

    PressKey(VK_TAB);
    EXPECT_TRUE(third.Focused());
    PressKey(VK_TAB);
    EXPECT_TRUE(first.Focused()) << "Tab wraps around";
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    PressKey(VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(third.Focused()) << "Shift+Tab goes back";
    EXPECT_EQ(form.ActiveControl(), &third);
    EXPECT_EQ(TKeyTarget::Log, (TMessageLog{"enter first", "exit first", "enter third", "exit third", "enter first",
                                            "exit first", "enter third"}));
}

TEST(ControlInput, EnterAndEscapeGoToTheFormFirstThenToTheDefaultHandler)
{
    struct {
        const char* name;
        WORD key;
        LRESULT dialogCode;
        bool defaultButton;
        TMessageLog expected;
    } cases[] = {
        {"plain Enter", VK_RETURN, 0, false, {"form dialog key 13", "default key 13", "default char \r"}},
        {"plain Escape", VK_ESCAPE, 0, false, {"form dialog key 27", "default key 27", "default char \x1b"}},
        {"control wants every key", VK_RETURN, DLGC_WANTALLKEYS, false, {"default key 13", "default char \r"}},
        {"a default button takes it", VK_RETURN, 0, true, {"form dialog key 13", "button 13"}},
        {"an ordinary key", 'A', 0, true, {"default key 65", "default char a"}},
        {"a shortcut of the form", VK_F2, 0, false, {"shortcut"}},
    };
    for (auto& c : cases) {
        TKeyScene scene(c.dialogCode);
        TMessageLog& log = scene.log;
        auto formProc = scene.form.WindowProc;
        scene.form.WindowProc = [&](TMessage& message) {
            if (message.Msg == CM_DIALOGKEY) log.push_back("form dialog key " + std::to_string(message.WParam));
            formProc(message);
        };
        scene.form.OnShortCut = [&](TMessage& key, bool& handled) {
            handled = key.WParam == VK_F2;
            if (handled) log.push_back("shortcut");
        };
        scene.sibling.WindowProc = [&](TMessage& message) {
            if (message.Msg == CM_DIALOGKEY && c.defaultButton) {
                log.push_back("button " + std::to_string(message.WParam));
                message.Result = 1;
            }
        };
        PressKey(c.key);
        EXPECT_EQ(log, c.expected) << c.name;
    }
}

TEST(ControlInput, CharactersNoControlWantsAreOfferedAsDialogCharacters)
{
    struct {
        char key;
        LRESULT dialogCode;
        TMessageLog expected;
    } cases[] = {
        {'x', 0, {"accelerator x"}},
        {'y', 0, {"default char y"}},
        {'x', DLGC_WANTCHARS, {"default char x"}},
    };
    for (auto& c : cases) {
        TKeyScene scene(c.dialogCode);
        scene.sibling.WindowProc = [&](TMessage& message) {
            if (message.Msg == CM_DIALOGCHAR && message.WParam == 'x') {
                scene.log.push_back("accelerator x");
                message.Result = 1;
            }
        };
        PostMessageA(scene.target.Handle(), WM_CHAR, static_cast<WPARAM>(c.key), 1);
        Pump();
        EXPECT_EQ(scene.log, c.expected) << c.key << " " << c.dialogCode;
    }
}

TEST(ControlInput, KeysForAForeignChildWindowReachItsControlReflectedFirst)
{
    TTestForm form(nullptr);
    TMessageLog log;
    TKeyTarget host(&form, &form, "host", true);
    form.Show();
    // A window of other code inside the control, as a hosted player's is.
    HWND inner = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host.Handle(), nullptr,
                                 nullptr, nullptr);
    auto hostProc = host.WindowProc;
    host.WindowProc = [&](TMessage& message) {
        if (message.Msg == CN_BASE + WM_KEYDOWN) {
            log.push_back("reflected " + std::to_string(message.WParam));
            message.Result = message.WParam == VK_F5;
            return;
        }
        hostProc(message);
    };
    SetFocus(inner);
    PressKey(VK_F5);
    PressKey(VK_F6);
    EXPECT_EQ(log, (TMessageLog{"reflected 116", "reflected 117"}));
    EXPECT_EQ(CN_BASE + WM_KEYDOWN, 0xBD00u);
}

TEST(ControlInput, TheCursorIsTheOneOfTheControlUnderThePointer)
{
    TTestForm form(nullptr);
    TSwatch swatch(&form, &form, 0, RECT{10, 10, 60, 60});
    swatch.SetCursor(crHandPoint);
    form.SetCursor(crCross);
    form.Show();
    POINT origin = form.ClientOrigin();
    struct {
        POINT at;
        TCursor cursor;
    } cases[] = {{{30, 30}, crHandPoint}, {{100, 100}, crCross}};
    for (auto& c : cases) {
        SetCursorPos(origin.x + c.at.x, origin.y + c.at.y);
        SendMessageA(form.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), Screen->Cursors(c.cursor)) << c.at.x;
    }
}
