// tvmpro.exe itself, started the way a user or a script would.
#include <gtest/gtest.h>
#include <windows.h>

#include "FastIni.h"
#include "SysUtils.h"
#include "TestSupport.h"

namespace {

// tvmpro.exe started with Arguments; a run the test gives up on is ended,
// so no failed test leaves the program behind.
class Started {
public:
    explicit Started(const std::string& arguments)
    {
        const std::string exe = tvmtest::BinDir() + "tvmpro.exe";
        std::string line = "\"" + exe + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        ok = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;
    ~Started()
    {
        if (!ok) return;
        TerminateProcess(process.hProcess, 99);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }

    bool Running(DWORD wait) const { return WaitForSingleObject(process.hProcess, wait) == WAIT_TIMEOUT; }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(DWORD timeout) const
    {
        DWORD code = STILL_ACTIVE;
        if (!Running(timeout)) GetExitCodeProcess(process.hProcess, &code);
        return code;
    }

    PROCESS_INFORMATION process{};
    bool ok = false;
};

// The window is made before it is shown: on a loaded machine the test can
// find it in between, so it waits for it to be shown too.
HWND WaitForShownWindow(const char* className, DWORD timeout)
{
    for (DWORD waited = 0; waited < timeout; waited += 50) {
        HWND window = FindWindowA(className, nullptr);
        if (window && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return nullptr;
}

std::string Caption(HWND window)
{
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}

TEST(Program, MaintenanceRunRewritesTheProjectWithoutAWindow)
{
    const std::string folder = tvmtest::OutputDir() + "maintenance_run\\";
    ForceDirectories(folder);
    const std::string project = folder + "batch.prj";
    const std::string text = "[Identifier]\r\nTasksCount=1\r\n\r\n[Task0_Source_FileInfo]\r\nFileName=D:\\m\\a.swf\r\n\r\n";
    tvmtest::WriteFile(project, tvmtest::Bytes(text.begin(), text.end()));

    Started started("-a 1 -pf \"" + project + "\"");
    ASSERT_TRUE(started.ok);
    bool sawWindow = false;
    for (int i = 0; i < 600 && started.Running(50) && !sawWindow; ++i)
        sawWindow = FindWindowA("TfrmMain", nullptr) != nullptr;
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(started.WaitForExit(30000), 0u);

    TFastIniFile ini(project);
    EXPECT_EQ(ini.ReadString("Task0_Source_FileInfo", "FileName", ""), tvmtest::BinDir() + "flash\\a.swf");
}

TEST(Program, NormalRunCreatesItsWindowsAndEndsWithTheMainWindow)
{
    Started started("");
    ASSERT_TRUE(started.ok);
    HWND main = WaitForShownWindow("TfrmMain", 30000);
    ASSERT_NE(main, nullptr) << "the main window was not shown";
    EXPECT_EQ(Caption(main), "Tavelomatic Studio");
    // The other windows stay hidden (and without a system window) until used.
    EXPECT_EQ(FindWindowA("TfrmSettings", nullptr), nullptr);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(started.WaitForExit(30000), 0u);
}
