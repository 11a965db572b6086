#include "UtilWindow.h"

#include "Exceptions.h"
#include "Forms.h"

namespace {

const char* const UtilWindowClass = "TvmUtilWindow";

TWndMethod* MethodOf(HWND window)
{
    return reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK UtilWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWndMethod* method = MethodOf(window);
    if (!method) return DefWindowProcA(window, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    // The method may free the window's owner, and the window with it: it
    // runs from a copy, and only the stack is touched afterwards.
    TWndMethod running = *method;
    try {
        running(message);
    } catch (...) {
        Application->HandleException(Application);
    }
    return message.Result;
}

}

HWND AllocateHWnd(TWndMethod method)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA registered;
    if (!GetClassInfoA(instance, UtilWindowClass, &registered)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = UtilWndProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = UtilWindowClass;
        if (!RegisterClassA(&windowClass))
            throw EInvalidOperation("Error registering window class: " + SysErrorMessage(GetLastError()));
    }
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, UtilWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) throw EInvalidOperation("Error creating window: " + SysErrorMessage(GetLastError()));
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(method))));
    return window;
}

void DeallocateHWnd(HWND window)
{
    if (!window) return;
    TWndMethod* method = MethodOf(window);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    delete method;
}

TUtilityWindow::TUtilityWindow(TWndMethod method) : handle_(AllocateHWnd(std::move(method))) {}

TUtilityWindow::~TUtilityWindow()
{
    DeallocateHWnd(handle_);
}

void TUtilityWindow::DefaultHandler(TMessage& message) const
{
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}
