#include "Forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void CALLBACK CloseMainForm(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    PostMessageA(Application->MainForm()->Handle(), WM_CLOSE, 0, 0);
}

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

}

// Before the first test touches the application, static initialisation
// has run: it must have made no window.
TEST(ApplicationRun, NoWindowExistsBeforeTheApplicationIsFirstUsed)
{
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 0);
}

// Its own program: a message loop runs only once in a process.
TEST(ApplicationRun, FirstFormIsTheMainFormAndClosingItEndsRun)
{
    std::vector<std::string> events;
    Application->Initialize();
    TForm* main = nullptr;
    TForm* settings = nullptr;
    Application->CreateForm(main);
    Application->CreateForm(settings);
    ASSERT_EQ(Application->MainForm(), main);
    EXPECT_EQ(GetWindow(settings->Handle(), GW_OWNER), main->Handle());
    main->OnShow = [&](TObject*) { events.push_back("show"); };
    main->OnClose = [&](TObject*, TCloseAction&) { events.push_back("close"); };

    // An exception that escapes the loop's own handlers reaches HandleException too.
    constexpr UINT WM_FAIL = WM_APP + 3;
    Application->OnMessage = [](MSG& msg, bool& handled) {
        if (msg.message == WM_FAIL) throw EConvertError("raised in OnMessage");
        handled = false;
    };
    Application->OnException = [&](TObject* sender, const Exception& e) {
        EXPECT_EQ(sender, Application);
        events.push_back(e.Message());
    };
    PostMessageA(main->Handle(), WM_FAIL, 0, 0);
    SetTimer(nullptr, 0, 100, &CloseMainForm);

    Application->Run();

    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(events, (std::vector<std::string>{"show", "raised in OnMessage", "close"}));
    EXPECT_TRUE(main->Visible());
    Application->Minimize();
    EXPECT_TRUE(IsIconic(main->Handle()));
    Application->OnMessage = nullptr;
    Application->OnException = nullptr;
}
