#include "InPlaceObject.h"

#include "ComGuard.h"
#include "PlayerControl.h"

InPlaceObject::InPlaceObject(PlayerControl& control) : WindowPart(control, control) {}

HRESULT InPlaceObject::InPlaceDeactivate()
{
    return Guarded([&] {
        control_.DeactivateInPlace();
        return S_OK;
    });
}

HRESULT InPlaceObject::UIDeactivate()
{
    return S_OK;
}

HRESULT InPlaceObject::SetObjectRects(LPCRECT position, LPCRECT)
{
    if (!position)
        return E_INVALIDARG;
    if (HWND window = control_.Window())
        MoveWindow(window, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

HRESULT InPlaceObject::ReactivateAndUndo()
{
    return E_NOTIMPL;
}
