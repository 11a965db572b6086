#pragma once
// A host control as the movies served from memory see it: each call goes to
// a test's function, or answers as a control without a handler would.
#include <windows.h>

#include <functional>
#include <string>

#include "FlashHostControlBase.h"

namespace tvmtest {

class FakeHostControl : public IFlashHostControlBase {
public:
    std::function<void(int layer, const std::wstring& url)> Loaded;  // layer -1: Movie
    std::wstring Base;
    std::function<void(const std::string& url, TStream* stream)> LoadExternalResource;
    std::function<bool(const std::string& url, TStream* stream)> LoadExternalResourceEx;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IFlashHostControlBase)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        return S_OK;
    }
    // Like the host control, the count never frees it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE SetMovie(const std::wstring& url) override { return LoadMovie(-1, url); }
    HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const std::wstring& url) override
    {
        if (Loaded)
            Loaded(layer, url);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetBase(std::wstring& base) override
    {
        base = Base;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CallOnLoadExternalResource(const std::string& url, TStream* stream) override
    {
        if (!LoadExternalResource)
            return S_FALSE;
        LoadExternalResource(url, stream);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CallOnLoadExternalResourceEx(const std::string& url, TStream* stream,
                                                           bool& handled) override
    {
        if (!LoadExternalResourceEx)
            return S_FALSE;
        handled = LoadExternalResourceEx(url, stream);
        return S_OK;
    }
};

}
