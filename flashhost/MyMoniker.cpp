#include "MyMoniker.h"

#include "ContentManager.h"

using Microsoft::WRL::ComPtr;

namespace {

template <class T>
void Clear(T** result)
{
    if (result)
        *result = nullptr;
}

}

ComPtr<IMoniker> TMyMoniker::Create(IMoniker* context, const std::wstring& url)
{
    ComPtr<IMoniker> moniker(static_cast<IMoniker*>(new TMyMoniker(context, url)));
    return moniker;
}

TMyMoniker::TMyMoniker(IMoniker* context, const std::wstring& url) : url_(url), context_(context)
{
    if (FAILED(::CreateURLMoniker(context, url.c_str(), &system_)))
        system_.Reset();
}

HRESULT TMyMoniker::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object,
                  {{IID_IMoniker, static_cast<IMoniker*>(this)},
                   {IID_IBindStatusCallback, static_cast<IBindStatusCallback*>(this)},
                   {IID_IBinding, static_cast<IBinding*>(this)}});
}

HRESULT TMyMoniker::BindToStorage(IBindCtx* context, IMoniker* left, REFIID iid, void** object)
{
    // The player's callback is registered in the bind context: ours takes its
    // place for a moment, which hands it out, and it goes back at once.
    ComPtr<IBindStatusCallback> player;
    if (context && SUCCEEDED(RegisterBindStatusCallback(context, this, &player, 0))) {
        if (player)
            RegisterBindStatusCallback(context, player.Get(), nullptr, 0);
        else
            RevokeBindStatusCallback(context, this);
    }
    return ContentManager().BindToStorage(context, left, iid, context_.Get(), player.Get(), url_, object);
}

HRESULT TMyMoniker::GetClassID(CLSID* clsid)
{
    return Pass([&](IMoniker* system) { return system->GetClassID(clsid); });
}

HRESULT TMyMoniker::IsDirty()
{
    return Pass([&](IMoniker* system) { return system->IsDirty(); });
}

HRESULT TMyMoniker::Load(IStream* stream)
{
    return Pass([&](IMoniker* system) { return system->Load(stream); });
}

HRESULT TMyMoniker::Save(IStream* stream, BOOL clearDirty)
{
    return Pass([&](IMoniker* system) { return system->Save(stream, clearDirty); });
}

HRESULT TMyMoniker::GetSizeMax(ULARGE_INTEGER* size)
{
    return Pass([&](IMoniker* system) { return system->GetSizeMax(size); });
}

HRESULT TMyMoniker::BindToObject(IBindCtx* context, IMoniker* left, REFIID iid, void** object)
{
    Clear(object);
    return Pass([&](IMoniker* system) { return system->BindToObject(context, left, iid, object); });
}

HRESULT TMyMoniker::Reduce(IBindCtx* context, DWORD howFar, IMoniker** left, IMoniker** reduced)
{
    Clear(reduced);
    return Pass([&](IMoniker* system) { return system->Reduce(context, howFar, left, reduced); });
}

HRESULT TMyMoniker::ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite)
{
    Clear(composite);
    return Pass([&](IMoniker* system) { return system->ComposeWith(right, onlyIfNotGeneric, composite); });
}

HRESULT TMyMoniker::Enum(BOOL forward, IEnumMoniker** monikers)
{
    Clear(monikers);
    return Pass([&](IMoniker* system) { return system->Enum(forward, monikers); });
}

HRESULT TMyMoniker::IsEqual(IMoniker* other)
{
    return Pass([&](IMoniker* system) { return system->IsEqual(other); });
}

HRESULT TMyMoniker::Hash(DWORD* hash)
{
    return Pass([&](IMoniker* system) { return system->Hash(hash); });
}

HRESULT TMyMoniker::IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning)
{
    return Pass([&](IMoniker* system) { return system->IsRunning(context, left, newlyRunning); });
}

HRESULT TMyMoniker::GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time)
{
    return Pass([&](IMoniker* system) { return system->GetTimeOfLastChange(context, left, time); });
}

HRESULT TMyMoniker::Inverse(IMoniker** inverse)
{
    Clear(inverse);
    return Pass([&](IMoniker* system) { return system->Inverse(inverse); });
}

HRESULT TMyMoniker::CommonPrefixWith(IMoniker* other, IMoniker** prefix)
{
    Clear(prefix);
    return Pass([&](IMoniker* system) { return system->CommonPrefixWith(other, prefix); });
}

HRESULT TMyMoniker::RelativePathTo(IMoniker* other, IMoniker** path)
{
    Clear(path);
    return Pass([&](IMoniker* system) { return system->RelativePathTo(other, path); });
}

HRESULT TMyMoniker::GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name)
{
    Clear(name);
    return Pass([&](IMoniker* system) { return system->GetDisplayName(context, left, name); });
}

HRESULT TMyMoniker::ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR name, ULONG* eaten,
                                     IMoniker** result)
{
    Clear(result);
    return Pass([&](IMoniker* system) { return system->ParseDisplayName(context, left, name, eaten, result); });
}

HRESULT TMyMoniker::IsSystemMoniker(DWORD* kind)
{
    return Pass([&](IMoniker* system) { return system->IsSystemMoniker(kind); });
}

HRESULT TMyMoniker::OnStartBinding(DWORD, IBinding*)
{
    return E_FAIL;
}

HRESULT TMyMoniker::GetPriority(LONG*)
{
    return E_FAIL;
}

HRESULT TMyMoniker::OnLowResource(DWORD)
{
    return E_FAIL;
}

HRESULT TMyMoniker::OnProgress(ULONG, ULONG, ULONG, LPCWSTR)
{
    return E_FAIL;
}

HRESULT TMyMoniker::OnStopBinding(HRESULT, LPCWSTR)
{
    return E_FAIL;
}

HRESULT TMyMoniker::GetBindInfo(DWORD*, BINDINFO*)
{
    return E_FAIL;
}

HRESULT TMyMoniker::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return E_FAIL;
}

HRESULT TMyMoniker::OnObjectAvailable(REFIID, IUnknown*)
{
    return E_FAIL;
}

HRESULT TMyMoniker::Abort()
{
    return E_FAIL;
}

HRESULT TMyMoniker::Suspend()
{
    return E_FAIL;
}

HRESULT TMyMoniker::Resume()
{
    return E_FAIL;
}

HRESULT TMyMoniker::SetPriority(LONG)
{
    return E_FAIL;
}

HRESULT TMyMoniker::GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*)
{
    return E_FAIL;
}
