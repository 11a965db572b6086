#include "UtilityWindow.h"

#include "Exceptions.h"
#include "Forms.h"

namespace {

const char* const UtilityWindowClass = "TvmUtilityWindow";

HINSTANCE Instance()
{
    return GetModuleHandleA(nullptr);
}

}

TUtilityWindow::TUtilityWindow(TWndMethod method) : method_(std::move(method))
{
    WNDCLASSA registered;
    if (!GetClassInfoA(Instance(), UtilityWindowClass, &registered)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = Instance();
        windowClass.lpszClassName = UtilityWindowClass;
        RegisterClassA(&windowClass);
    }
    // A pop-up rather than a message-only window: it also owns the menus
    // that TrackPopupMenu shows.
    handle_ = CreateWindowExA(WS_EX_TOOLWINDOW, UtilityWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              Instance(), nullptr);
    if (!handle_) throw EOutOfMemory("Error creating window: " + SysErrorMessage(GetLastError()));
    // Installed only now, so that no message arrives before the object is known.
    SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndProc));
}

TUtilityWindow::~TUtilityWindow()
{
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
    DestroyWindow(handle_);
}

void TUtilityWindow::DefaultHandler(TMessage& message) const
{
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

LRESULT CALLBACK TUtilityWindow::WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    TMessage message{msg, wParam, lParam, 0};
    // The method may free the window's owner, and with it this object: it
    // runs from a copy, and only the stack is touched afterwards.
    TWndMethod method = self->method_;
    try {
        method(message);
    } catch (...) {
        Application->HandleException(nullptr);
    }
    return message.Result;
}
