#pragma once
// A hidden window of the GUI thread that hands its messages to a method of
// an object which is not a control itself: timers and popup menus receive
// WM_TIMER, WM_COMMAND and the owner-draw messages through one.
#include "Controls.h"

#include <windows.h>

class TUtilityWindow {
public:
    // The method answers every message; it calls DefaultHandler for those
    // the system should answer.
    explicit TUtilityWindow(TWndMethod method);
    ~TUtilityWindow();
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;

    HWND Handle() const { return handle_; }
    // The system's own answer to the message.
    void DefaultHandler(TMessage& message) const;

private:
    static LRESULT CALLBACK WndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

    TWndMethod method_;
    HWND handle_ = nullptr;
};
