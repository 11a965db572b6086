#include "ActiveObject.h"

#include <cstddef>

#include "PlayerControl.h"

ActiveObject::ActiveObject(PlayerControl& control) : WindowPart(control, control) {}

HRESULT ActiveObject::TranslateAccelerator(LPMSG)
{
    return S_FALSE;
}

HRESULT ActiveObject::OnFrameWindowActivate(BOOL)
{
    return S_OK;
}

HRESULT ActiveObject::OnDocWindowActivate(BOOL)
{
    return S_OK;
}

HRESULT ActiveObject::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL)
{
    return S_OK;
}

HRESULT ActiveObject::EnableModeless(BOOL)
{
    return S_OK;
}

HRESULT OleControl::GetControlInfo(CONTROLINFO* info)
{
    if (!info)
        return E_POINTER;
    // Hosts written for 32-bit code say 16 bytes, which on x64 ends after
    // hAccel: only the fields that the caller's size covers are written.
    auto covered = [&](size_t offset, size_t size) { return info->cb >= offset + size; };
    if (!covered(offsetof(CONTROLINFO, hAccel), sizeof(info->hAccel)))
        return E_INVALIDARG;
    info->hAccel = nullptr;
    if (covered(offsetof(CONTROLINFO, cAccel), sizeof(info->cAccel)))
        info->cAccel = 0;
    if (covered(offsetof(CONTROLINFO, dwFlags), sizeof(info->dwFlags)))
        info->dwFlags = 0;
    return S_OK;
}

HRESULT OleControl::OnMnemonic(MSG*)
{
    return S_OK;
}

HRESULT OleControl::OnAmbientPropertyChange(DISPID)
{
    return S_OK;
}

HRESULT OleControl::FreezeEvents(BOOL)
{
    return S_OK;
}
