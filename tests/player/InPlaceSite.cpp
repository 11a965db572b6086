#include "InPlaceSite.h"

namespace tvmtest {

HWND ControlWindow(IOleObject* control)
{
    IOleInPlaceObject* inPlace = nullptr;
    HWND window = nullptr;
    if (SUCCEEDED(control->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        inPlace->GetWindow(&window);
        inPlace->Release();
    }
    return window;
}

}
