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
