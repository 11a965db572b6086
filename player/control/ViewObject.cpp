#include "ViewObject.h"

#include <vector>

#include "ComGuard.h"
#include "PlayerControl.h"

ViewObject::ViewObject(PlayerControl& control) : ComPart(control), control_(control) {}

HRESULT ViewObject::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC drawTo, LPCRECTL bounds, LPCRECTL,
                         BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!drawTo || !bounds)
        return E_INVALIDARG;
    return Guarded([&] {
        LONG width = bounds->right - bounds->left;
        LONG height = bounds->bottom - bounds->top;
        if (width <= 0 || height <= 0)
            return S_OK;
        control_.PaintFrame(drawTo, {bounds->left, bounds->top, bounds->right, bounds->bottom});
        return S_OK;
    });
}

HRESULT ViewObject::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colours)
{
    if (colours)
        *colours = nullptr;
    return S_FALSE;
}

HRESULT ViewObject::Freeze(DWORD, LONG, void*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT ViewObject::Unfreeze(DWORD)
{
    return E_NOTIMPL;
}

HRESULT ViewObject::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink)
{
    aspects_ = aspects;
    flags_ = flags;
    sink_ = sink;
    return S_OK;
}

HRESULT ViewObject::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink)
{
    if (aspects)
        *aspects = aspects_;
    if (flags)
        *flags = flags_;
    if (sink)
        sink_.CopyTo(sink);
    return S_OK;
}
