#pragma once
// The player's windows. One window class for the process, registered with the
// A functions under a name (the host renames it and gives it its own
// instance). The object behind each window is found in a table of this
// module, never in the window's user data, which the host's subclassing owns.
#include <windows.h>

class StageWindowOwner {
public:
    virtual LRESULT OnStageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~StageWindowOwner() = default;
};

// The module's instance, from its attach; the class is registered on the
// first window.
void StartStageWindows(HINSTANCE instance);
// From the module's detach: the windows left are destroyed and the class goes.
void StopStageWindows();

// A visible child window of parent at position, whose messages go to owner.
HWND CreateStageWindow(StageWindowOwner& owner, HWND parent, const RECT& position);
