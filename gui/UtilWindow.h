#pragma once
// Hidden windows for objects that are no controls but need messages of
// their own: timers, notifications, calls posted from other threads.
#include "Messages.h"

// A hidden top-level window (it hears broadcasts too) whose every message
// goes to Method; Method calls DefWindowProcA for those it does not answer.
// Exceptions from Method go to the application's HandleException.
HWND AllocateHWnd(TWndMethod method);
// Destroys the window and the method with it; null is ignored.
void DeallocateHWnd(HWND window);

// The same window owned by an object: made with it, destroyed with it. As a
// pop-up it can also own the menus TrackPopupMenu shows.
class TUtilityWindow {
public:
    explicit TUtilityWindow(TWndMethod method);
    ~TUtilityWindow();
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;

    HWND Handle() const { return handle_; }
    // The system's own answer to the message.
    void DefaultHandler(TMessage& message) const;

private:
    HWND handle_;
};
