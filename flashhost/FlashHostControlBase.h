#pragma once
// The small interface through which movies served from memory reach the
// player control that loads them.
#include <windows.h>
#include <oaidl.h>

class TStream;

inline constexpr IID IID_IFlashHostControlBase = {
    0x911FA1AF, 0xCDB2, 0x45ED, {0x82, 0x71, 0x56, 0x62, 0x00, 0x00, 0x00, 0x76}};

struct IFlashHostControlBase : public IUnknown {
    // Writes the control's Movie property.
    virtual HRESULT STDMETHODCALLTYPE SetMovie(BSTR url) = 0;
    // The control's LoadMovie; its failures come back as their HRESULT.
    virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) = 0;
    // The control's Base property; the caller frees the string.
    virtual HRESULT STDMETHODCALLTYPE GetBase(BSTR* base) = 0;
    // S_FALSE when the control has no handler for the event; S_OK once fired.
    virtual HRESULT STDMETHODCALLTYPE CallOnLoadExternalResource(const char* url, TStream* stream) = 0;
    // As above; Handled is left untouched without a handler.
    virtual HRESULT STDMETHODCALLTYPE CallOnLoadExternalResourceEx(const char* url, TStream* stream,
                                                                   bool* handled) = 0;
};
