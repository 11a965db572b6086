#include "ControlTestSupport.h"
#include "UtilWindow.h"

#include <gtest/gtest.h>

using namespace tvmtest;

namespace {

constexpr UINT WM_ASK = WM_APP + 7;

// A window of someone else: it answers WM_ASK with 42.
LRESULT CALLBACK ForeignProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ASK) return 42;
    return DefWindowProcA(window, msg, wParam, lParam);
}

HWND CreateForeignWindow()
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = ForeignProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ForeignWindow";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "ForeignWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Another subclass, installed on top of whatever the window has: it adds 1
// to every answer to WM_ASK.
WNDPROC belowTop = nullptr;

LRESULT CALLBACK TopProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = CallWindowProcA(belowTop, window, msg, wParam, lParam);
    return msg == WM_ASK ? result + 1 : result;
}

WNDPROC ProcOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

// A control that counts the WM_ASK messages it sees.
class TAdopter : public TWinControl {
public:
    using TWinControl::TWinControl;
    int Seen = 0;

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == WM_ASK) ++Seen;
        TWinControl::WndProc(message);
    }
};

}

TEST(Subclassing, AdoptedWindowIsGivenBackWorkingWithoutDestroyingIt)
{
    HWND window = CreateForeignWindow();
    WNDPROC original = ProcOf(window);
    {
        TAdopter control(nullptr);
        control.AdoptHandle(window);
        EXPECT_EQ(control.Handle(), window);
        EXPECT_EQ(TWinControl::FindControl(window), &control);
        EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 42) << "the window's own procedure is the default handler";
        EXPECT_EQ(control.Seen, 1);

        control.ReleaseHandle();
        EXPECT_EQ(ProcOf(window), original);
        EXPECT_EQ(TWinControl::FindControl(window), nullptr);
        control.AdoptHandle(window);
    }
    EXPECT_TRUE(IsWindow(window)) << "a control never destroys a window it adopted";
    EXPECT_EQ(ProcOf(window), original);
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 42);
    DestroyWindow(window);
}

TEST(Subclassing, ASubclassInstalledLaterKeepsWorkingAfterTheRelease)
{
    HWND window = CreateForeignWindow();
    TAdopter control(nullptr);
    control.AdoptHandle(window);
    WNDPROC layers = ProcOf(window);
    belowTop = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TopProc)));
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 43);

    control.ReleaseHandle();
    EXPECT_EQ(ProcOf(window), TopProc) << "the later subclass is not cut off";
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 43);
    EXPECT_EQ(control.Seen, 1);

    // Adopted again below the later subclass, without a second layer.
    control.AdoptHandle(window);
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 43);
    EXPECT_EQ(control.Seen, 2);
    control.ReleaseHandle();

    // The later subclass goes: the layer's procedure, now alone, still passes
    // everything on to the window's own.
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(belowTop));
    EXPECT_EQ(ProcOf(window), layers);
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 42);
    EXPECT_EQ(control.Seen, 2);
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(Subclassing, WindowsOfTheLayersClassWithoutAControlGetTheClassProcedure)
{
    // A control built on a system class registers that class under its own
    // name; a window of that name made by other code is a plain button.
    struct TButtonControl : TWinControl {
        using TWinControl::TWinControl;
        std::string ClassName() const override { return "TButtonControl"; }
        void CreateParams(TCreateParams& params) override
        {
            TWinControl::CreateParams(params);
            GetClassInfoA(nullptr, "BUTTON", &params.WindowClass);
        }
    } control(nullptr);
    control.SetCaption("Mine");
    control.HandleNeeded();
    HWND stranger = CreateWindowExA(0, "TButtonControl", "Stranger", WS_POPUP | BS_CHECKBOX, 0, 0, 50, 20, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(stranger);
    SendMessageA(stranger, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(stranger, BM_GETCHECK, 0, 0), BST_CHECKED) << "a button's own procedure answered";
    DestroyWindow(stranger);
}

TEST(Subclassing, AllocatedWindowsHandTheirMessagesToAMethod)
{
    std::vector<UINT> seen;
    std::vector<std::string> reported;
    Application->OnException = [&](TObject*, const Exception& e) { reported.push_back(e.Message()); };
    HWND window = nullptr;
    window = AllocateHWnd([&](TMessage& message) {
        if (message.Msg == WM_ASK) {
            seen.push_back(message.Msg);
            message.Result = 7;
        } else if (message.Msg == WM_ASK + 1) {
            throw EConvertError("raised by the method");
        } else {
            message.Result = DefWindowProcA(window, message.Msg, message.WParam, message.LParam);
        }
    });
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(SendMessageA(window, WM_ASK, 0, 0), 7);
    SendMessageA(window, WM_ASK + 1, 0, 0);
    EXPECT_EQ(reported, std::vector<std::string>{"raised by the method"});
    DeallocateHWnd(window);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(seen.size(), 1u);
    Application->OnException = nullptr;
}
