#pragma once
// The parts of the player control that are COM objects of their own
// identity-wise only: their references and interface queries go to the control.
#include "FlashHostControl.h"

// The in-place frame: unlike the site, it answers the top-level window.
class TFlashHostControl::TInPlaceFrame final : public IOleInPlaceFrame {
public:
    explicit TInPlaceFrame(TFlashHostControl& control) : control_(control) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }

    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    HRESULT STDMETHODCALLTYPE SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU shared) override;
    HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    TFlashHostControl& control_;
};

// What the movies served from memory reach the control through.
class TFlashHostControl::THostBase final : public IFlashHostControlBase {
public:
    explicit THostBase(TFlashHostControl& control) : control_(control) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return control_.QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return control_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return control_.Release(); }

    HRESULT STDMETHODCALLTYPE SetMovie(const std::wstring& url) override;
    HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const std::wstring& url) override;
    HRESULT STDMETHODCALLTYPE GetBase(std::wstring& base) override;
    HRESULT STDMETHODCALLTYPE CallOnLoadExternalResource(const std::string& url, TStream* stream) override;
    HRESULT STDMETHODCALLTYPE CallOnLoadExternalResourceEx(const std::string& url, TStream* stream,
                                                           bool& handled) override;

private:
    TFlashHostControl& control_;
};
