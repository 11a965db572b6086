#pragma once
// The control's IOleInPlaceObject: its window and where it sits.
#include <windows.h>
#include <ole2.h>

#include "WindowPart.h"

class PlayerControl;

class InPlaceObject final : public WindowPart<IOleInPlaceObject> {
public:
    explicit InPlaceObject(PlayerControl& control);

    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
    HRESULT STDMETHODCALLTYPE UIDeactivate() override;
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
};
