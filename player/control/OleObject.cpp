#include "OleObject.h"

#include "ComGuard.h"
#include "PlayerControl.h"

OleObject::OleObject(PlayerControl& control) : ComPart(control), control_(control) {}

HRESULT OleObject::SetClientSite(IOleClientSite* site)
{
    control_.ClientSite = site;
    return S_OK;
}

HRESULT OleObject::GetClientSite(IOleClientSite** site)
{
    if (!site)
        return E_POINTER;
    return control_.ClientSite.CopyTo(site);
}

HRESULT OleObject::SetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_INVALIDARG;
    control_.Extent = *size;
    return S_OK;
}

HRESULT OleObject::GetExtent(DWORD aspect, SIZEL* size)
{
    if (aspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!size)
        return E_POINTER;
    *size = control_.Extent;
    return S_OK;
}

HRESULT OleObject::Close(DWORD)
{
    return Guarded([&] {
        control_.DeactivateInPlace();
        return S_OK;
    });
}

HRESULT OleObject::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return E_NOTIMPL;
}

HRESULT OleObject::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

HRESULT OleObject::GetMoniker(DWORD, DWORD, IMoniker**)
{
    return E_NOTIMPL;
}

HRESULT OleObject::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

HRESULT OleObject::GetClipboardData(DWORD, IDataObject**)
{
    return E_NOTIMPL;
}

HRESULT OleObject::DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT position)
{
    switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
    case OLEIVERB_INPLACEACTIVATE:
        return Guarded([&] { return control_.ActivateInPlace(position); });
    case OLEIVERB_HIDE:
        return Guarded([&] {
            control_.DeactivateInPlace();
            return S_OK;
        });
    default:
        return OLEOBJ_S_INVALIDVERB;
    }
}

HRESULT OleObject::EnumVerbs(IEnumOLEVERB**)
{
    return E_NOTIMPL;
}

HRESULT OleObject::Update()
{
    return E_NOTIMPL;
}

HRESULT OleObject::IsUpToDate()
{
    return E_NOTIMPL;
}

HRESULT OleObject::GetUserClassID(CLSID*)
{
    return E_NOTIMPL;
}

HRESULT OleObject::GetUserType(DWORD, LPOLESTR*)
{
    return E_NOTIMPL;
}

HRESULT OleObject::Advise(IAdviseSink*, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT OleObject::Unadvise(DWORD)
{
    return E_NOTIMPL;
}

HRESULT OleObject::EnumAdvise(IEnumSTATDATA**)
{
    return E_NOTIMPL;
}

HRESULT OleObject::GetMiscStatus(DWORD, DWORD*)
{
    return E_NOTIMPL;
}

HRESULT OleObject::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}
