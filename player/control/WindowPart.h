#pragma once
// IOleWindow's two methods, for the control's interfaces that extend it.
#include <windows.h>
#include <ole2.h>

#include "ComObject.h"

class PlayerControl;
// The control's window, or null while it is not in place.
HWND ControlWindow(const PlayerControl& control);

template <class Interface>
class WindowPart : public ComPart<Interface> {
public:
    explicit WindowPart(PlayerControl& control, IUnknown& owner) : ComPart<Interface>(owner), control_(control) {}

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = ControlWindow(control_);
        return *window ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

protected:
    PlayerControl& control_;
};
