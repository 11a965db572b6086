#pragma once
// The moniker the player gets from its CreateURLMoniker: binding it to
// storage goes through the content manager, which serves the movies in
// memory and hands everything else to the system. Its other moniker calls go
// to the system's moniker for the same URL (E_FAIL when the system made
// none); as callback and binding it refuses every call.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <string>

#include "Interfaced.h"

class TMyMoniker final : public TInterfacedObject<IMoniker, IBindStatusCallback, IBinding> {
public:
    static Microsoft::WRL::ComPtr<IMoniker> Create(IMoniker* context, const std::wstring& url);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    // IPersist, IPersistStream
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override;
    HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
    HRESULT STDMETHODCALLTYPE Save(IStream* stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;

    // IMoniker
    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE Reduce(IBindCtx* context, DWORD howFar, IMoniker** left, IMoniker** reduced) override;
    HRESULT STDMETHODCALLTYPE ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) override;
    HRESULT STDMETHODCALLTYPE Enum(BOOL forward, IEnumMoniker** monikers) override;
    HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override;
    HRESULT STDMETHODCALLTYPE Hash(DWORD* hash) override;
    HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) override;
    HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) override;
    HRESULT STDMETHODCALLTYPE Inverse(IMoniker** inverse) override;
    HRESULT STDMETHODCALLTYPE CommonPrefixWith(IMoniker* other, IMoniker** prefix) override;
    HRESULT STDMETHODCALLTYPE RelativePathTo(IMoniker* other, IMoniker** path) override;
    HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override;
    HRESULT STDMETHODCALLTYPE ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                               IMoniker** result) override;
    HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* kind) override;

    // IBindStatusCallback
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG status, LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

    // IBinding
    HRESULT STDMETHODCALLTYPE Abort() override;
    HRESULT STDMETHODCALLTYPE Suspend() override;
    HRESULT STDMETHODCALLTYPE Resume() override;
    HRESULT STDMETHODCALLTYPE SetPriority(LONG priority) override;
    HRESULT STDMETHODCALLTYPE GetBindResult(CLSID* protocol, DWORD* result, LPOLESTR* text, DWORD* reserved) override;

private:
    TMyMoniker(IMoniker* context, const std::wstring& url);

    // Call with the system's moniker, or E_FAIL without one.
    template <class Call>
    HRESULT Pass(Call call)
    {
        return system_ ? call(system_.Get()) : E_FAIL;
    }

    std::wstring url_;
    Microsoft::WRL::ComPtr<IMoniker> context_;
    Microsoft::WRL::ComPtr<IMoniker> system_;
};
