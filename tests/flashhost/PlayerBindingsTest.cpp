// The resolver's table and the bindings for windows, cursors, menus, screen
// metrics, drawing, code, COM, files and counters.
#include <windows.h>
#include <ole2.h>
#include <pdh.h>
#include <urlmon.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BindingsTestSupport.h"
#include "PlayerBindings.h"
#include "TestSupport.h"

namespace {

TEST(PlayerImportBinding, BindsTheTwentyOneNamesExactly)
{
    const char* names[] = {"CreateURLMoniker", "RegisterClassExA", "CreateWindowExA",  "LoadCursorA",
                           "LoadMenuA",        "FlushInstructionCache", "CreateFileA", "waveOutOpen",
                           "waveOutWrite",     "waveOutClose",     "SetTimer",         "timeGetTime",
                           "GetTickCount",     "GetLocalTime",     "GetSystemTime",    "GetSystemMetrics",
                           "GetDeviceCaps",    "RegQueryValueExW", "PdhOpenQuery",     "CoGetClassObject",
                           "BitBlt"};
    for (const char* name : names)
        EXPECT_NE(PlayerImportBinding(name), nullptr) << name;
    for (const char* name : {"waveoutopen", "BITBLT", "RegisterClassExW", "Sleep", ""})
        EXPECT_EQ(PlayerImportBinding(name), nullptr) << name;
    EXPECT_EQ(PlayerImportBinding(MAKEINTRESOURCEA(7)), nullptr);
}

TEST(PlayerBindings, DoubleTheScreenSizeOnly)
{
    auto getSystemMetrics = Bound<decltype(&::GetSystemMetrics)>("GetSystemMetrics");
    EXPECT_EQ(getSystemMetrics(SM_CXSCREEN), 2 * GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(getSystemMetrics(SM_CYSCREEN), 2 * GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(getSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CXICON));
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PlayerBindings, RegisterThePlayersWindowClassInTheHostUnderItsOwnName)
{
    auto registerClass = Bound<decltype(&::RegisterClassExA)>("RegisterClassExA");
    auto createWindow = Bound<decltype(&::CreateWindowExA)>("CreateWindowExA");
    HINSTANCE host = GetModuleHandleA(nullptr);
    std::string hostName = "FlashHostControl_PlayerWindow_" + std::to_string(reinterpret_cast<intptr_t>(host));

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = PlayerWindowProc;
    windowClass.hInstance = reinterpret_cast<HINSTANCE>(0x10000000);
    windowClass.lpszClassName = "PlayerWindow";
    // The second registration replaces the first.
    ASSERT_NE(registerClass(&windowClass), 0);
    ASSERT_NE(registerClass(&windowClass), 0);
    WNDCLASSEXA registered = {};
    registered.cbSize = sizeof(registered);
    EXPECT_TRUE(GetClassInfoExA(host, hostName.c_str(), &registered));
    EXPECT_FALSE(GetClassInfoExA(host, "PlayerWindow", &registered));

    HWND window = createWindow(0, "playerwindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               reinterpret_cast<HINSTANCE>(0x10000000), nullptr);
    ASSERT_NE(window, nullptr);
    char className[128] = {};
    GetClassNameA(window, className, sizeof(className));
    EXPECT_EQ(className, hostName);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE)), host);
    DestroyWindow(window);

    // Classes the player did not register go to the system as named.
    EXPECT_EQ(createWindow(0, "NoSuchClass", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
    UnregisterClassA(hostName.c_str(), host);
}

TEST(PlayerBindings, LoadCursorsAndMenusFromTheImagesResources)
{
    auto loadCursor = Bound<decltype(&::LoadCursorA)>("LoadCursorA");
    auto loadMenu = Bound<decltype(&::LoadMenuA)>("LoadMenuA");
    HINSTANCE image = GetModuleHandleA(nullptr);

    HCURSOR cursor = loadCursor(image, "PLAYERCURSOR");
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(loadCursor(image, "PLAYERCURSOR"), cursor) << "made once, then kept";
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    EXPECT_EQ(loadCursor(image, "NOCURSOR"), nullptr);
    EXPECT_EQ(loadCursor(nullptr, IDC_ARROW), LoadCursorA(nullptr, IDC_ARROW));

    HMENU menu = loadMenu(image, "PLAYERMENU");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 0)), 2);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(menu, 0), 1), 102u);
    DestroyMenu(menu);
    EXPECT_EQ(loadMenu(image, "NOMENU"), nullptr);
}

// A 32-bit memory surface.
struct Surface {
    Surface(int width, int height) : Dc(CreateCompatibleDC(nullptr)), Bitmap(CreateBitmap(width, height, 1, 32, nullptr))
    {
        SelectObject(Dc, Bitmap);
    }
    ~Surface()
    {
        DeleteDC(Dc);
        DeleteObject(Bitmap);
    }

    HDC Dc;
    HBITMAP Bitmap;
};

TEST(PlayerBindings, KeepACopyOfTheLastBlit)
{
    auto bitBlt = Bound<decltype(&::BitBlt)>("BitBlt");
    Surface source(8, 6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x)
            SetPixelV(source.Dc, x, y, RGB(x * 30, y * 40, 0x40));
    }
    Surface screen(8, 6);
    ASSERT_TRUE(bitBlt(screen.Dc, 1, 1, 4, 3, source.Dc, 2, 1, SRCCOPY));
    EXPECT_EQ(GetPixel(screen.Dc, 1, 1), GetPixel(source.Dc, 2, 1)) << "the blit itself";

    SIZE size = LastBlitSize();
    EXPECT_EQ(size.cx, 4);
    EXPECT_EQ(size.cy, 3);
    Surface copy(4, 3);
    ASSERT_TRUE(DrawLastBlit(copy.Dc, 0, 0));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(GetPixel(copy.Dc, x, y), GetPixel(source.Dc, x + 2, y + 1)) << x << "," << y;
    }
}

TEST(PlayerBindings, MakeTheFlushedCodeWritableAndExecutable)
{
    auto flush = Bound<decltype(&::FlushInstructionCache)>("FlushInstructionCache");
    void* code = VirtualAlloc(nullptr, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY);
    ASSERT_TRUE(flush(GetCurrentProcess(), code, 16));
    MEMORY_BASIC_INFORMATION memory = {};
    VirtualQuery(code, &memory, sizeof(memory));
    EXPECT_EQ(memory.Protect, DWORD(PAGE_EXECUTE_READWRITE));
    VirtualFree(code, 0, MEM_RELEASE);
}

TEST(PlayerBindings, RefuseTheFilterGraphAndPassOtherClassesToTheSystem)
{
    auto getClassObject = Bound<decltype(&::CoGetClassObject)>("CoGetClassObject");
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    const CLSID filterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    void* object = &object;
    EXPECT_EQ(getClassObject(filterGraph, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);

    const CLSID unknown = {0x3B1E6A52, 0x0C4D, 0x4E7A, {0x9F, 0x21, 0x5D, 0x8C, 0x77, 0x10, 0xA4, 0xE3}};
    void* systemObject = nullptr;
    EXPECT_EQ(getClassObject(unknown, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &object),
              CoGetClassObject(unknown, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &systemObject));
    CoUninitialize();
}

TEST(PlayerBindings, PassFilesMonikersAndCountersToTheSystem)
{
    auto createFile = Bound<decltype(&::CreateFileA)>("CreateFileA");
    std::string self = tvmtest::TestsDir() + "flashhost_bindings_tests.exe";
    HANDLE file = createFile(self.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    auto createMoniker = Bound<decltype(&::CreateURLMoniker)>("CreateURLMoniker");
    IMoniker* moniker = nullptr;
    ASSERT_EQ(createMoniker(nullptr, L"http://localhost/movie.swf", &moniker), S_OK);
    moniker->Release();

    using PdhOpenQueryProc = PDH_STATUS(WINAPI*)(LPCSTR, DWORD_PTR, PDH_HQUERY*);
    PDH_HQUERY query = nullptr;
    ASSERT_EQ(Bound<PdhOpenQueryProc>("PdhOpenQuery")(nullptr, 0, &query), ERROR_SUCCESS);
    PdhCloseQuery(query);
}

}
