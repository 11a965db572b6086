#pragma once
// The control's IOleInPlaceActiveObject and IOleControl: the host offers
// keys and mnemonics and tells of ambient changes; the stage takes none of
// them.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "ComObject.h"
#include "WindowPart.h"

class PlayerControl;

class ActiveObject final : public WindowPart<IOleInPlaceActiveObject> {
public:
    explicit ActiveObject(PlayerControl& control);

    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;
};

class OleControl final : public ComPart<IOleControl> {
public:
    explicit OleControl(IUnknown& owner) : ComPart(owner) {}

    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* message) override;
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;
};
