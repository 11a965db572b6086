#pragma once
// The control's IOleInPlaceObject: its window and where it sits.
#include <windows.h>
#include <ole2.h>

#include "ComObject.h"

class PlayerControl;

class InPlaceObject final : public ComPart<IOleInPlaceObject> {
public:
    explicit InPlaceObject(PlayerControl& control);

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;

private:
    PlayerControl& control_;
};
