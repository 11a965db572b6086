#include "ContentManager.h"

#include <algorithm>
#include <charconv>

#include "MyMoniker.h"
#include "OleStreams.h"
#include "SysUtils.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr char Marker[] = "46A10F369771449587DE913EFC0A258C";
constexpr size_t MarkerLength = sizeof(Marker) - 1;

std::string VirtualPath(int number)
{
    return Format("Z:\\FromMemory\\%s\\%d\\%s", Marker, number, "E4ED7C01D28A43418DBF2CB92CC35E56.swf");
}

std::string Replaced(std::string text, char from, char to)
{
    std::replace(text.begin(), text.end(), from, to);
    return text;
}

// Only digits, and a number an int holds: the player's thread must never
// meet an exception for a path it made up.
bool ParseNumber(const std::string& text, int& number)
{
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size();
}

// The control's Base folder, or the current folder when it has none.
std::string BaseFolder(IFlashHostControlBase* control)
{
    std::wstring base;
    if (control->GetBase(base) == S_OK && !base.empty())
        return WideToAnsi(base);
    char folder[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string();
}

// The system's own binding of the URL, answering what the system answers.
HRESULT BindThroughSystem(const std::wstring& url, IMoniker* context, IBindCtx* bindContext, IMoniker* left,
                          REFIID iid, void** object)
{
    ComPtr<IMoniker> moniker;
    HRESULT result = ::CreateURLMoniker(context, url.c_str(), &moniker);
    if (FAILED(result))
        return result;
    return moniker->BindToStorage(bindContext, left, iid, object);
}

}

std::string TContentManager::NewVirtualPath()
{
    TCriticalSectionGuard guard(lock_);
    return VirtualPath(counter_++);
}

bool TContentManager::ParseVirtualPath(const std::string& path, int& number, std::string& rest)
{
    std::string slashed = Replaced(path, '\\', '/');
    size_t marker = slashed.find(Marker);
    if (marker == std::string::npos || marker + MarkerLength + 1 >= slashed.size())
        return false;
    std::string after = slashed.substr(marker + MarkerLength + 1);
    size_t slash = after.find('/');
    if (slash == std::string::npos || !ParseNumber(after.substr(0, slash), number))
        return false;
    rest = after.substr(slash + 1);
    return true;
}

bool TContentManager::SameVirtualPath(const std::string& a, const std::string& b)
{
    int numberA = 0;
    int numberB = 0;
    std::string restA;
    std::string restB;
    bool virtualA = ParseVirtualPath(a, numberA, restA);
    bool virtualB = ParseVirtualPath(b, numberB, restB);
    if (virtualA && virtualB)
        return numberA == numberB && restA == restB;
    return !virtualA && !virtualB && a == b;
}

ComPtr<IContentProvider> TContentManager::TakeProvider(const std::string& path)
{
    TCriticalSectionGuard guard(lock_);
    auto found = std::find_if(providers_.begin(), providers_.end(),
                              [&](const TProviderEntry& entry) { return SameVirtualPath(entry.Path, path); });
    if (found == providers_.end())
        return nullptr;
    ComPtr<IContentProvider> provider = std::move(found->Provider);
    providers_.erase(found);
    return provider;
}

void TContentManager::RegisterControl(int number, IFlashHostControlBase* control)
{
    TCriticalSectionGuard guard(lock_);
    controls_.push_back({number, control});
}

ComPtr<IFlashHostControlBase> TContentManager::FindControl(int number)
{
    TCriticalSectionGuard guard(lock_);
    for (const TControlEntry& entry : controls_) {
        if (entry.Number == number)
            return entry.Control;
    }
    return nullptr;
}

void TContentManager::UnregisterControl(IFlashHostControlBase* control)
{
    // Released once the lock is left.
    std::vector<TControlEntry> controls;
    std::vector<TProviderEntry> providers;
    TCriticalSectionGuard guard(lock_);
    auto gone = std::stable_partition(controls_.begin(), controls_.end(),
                                      [&](const TControlEntry& entry) { return entry.Control.Get() != control; });
    controls.assign(std::make_move_iterator(gone), std::make_move_iterator(controls_.end()));
    controls_.erase(gone, controls_.end());
    // Movies its player never bound to go with it.
    auto unbound = std::stable_partition(providers_.begin(), providers_.end(), [&](const TProviderEntry& entry) {
        int number = 0;
        std::string rest;
        ParseVirtualPath(entry.Path, number, rest);
        return std::none_of(controls.begin(), controls.end(),
                            [&](const TControlEntry& removed) { return removed.Number == number; });
    });
    providers.assign(std::make_move_iterator(unbound), std::make_move_iterator(providers_.end()));
    providers_.erase(unbound, providers_.end());
}

std::unique_ptr<TStream> TContentManager::CreateMovieStream(IFlashHostControlBase* control, bool useLayer,
                                                            int layer)
{
    ComPtr<IContentProvider> provider = TContentProvider::Create();
    auto stream = std::make_unique<TOleStream>(TContentProviderStream::Create(provider));
    std::string path;
    {
        TCriticalSectionGuard guard(lock_);
        int number = counter_++;
        path = VirtualPath(number);
        providers_.push_back({path, provider});
        controls_.push_back({number, control});
    }
    std::wstring url = AnsiToWide(path);
    if (useLayer) {
        control->LoadMovie(layer, UnloadMarker);
        control->LoadMovie(layer, url);
    } else {
        control->SetMovie(UnloadMarker);
        control->SetMovie(url);
    }
    return stream;
}

void TContentManager::LoadMovieFromStream(IFlashHostControlBase* control, bool useLayer, TStream& source,
                                          int layer)
{
    TMemoryStream movie;
    movie.LoadFromStream(source);
    std::unique_ptr<TStream> stream = CreateMovieStream(control, useLayer, layer);
    stream->CopyFrom(movie, 0);
}

HRESULT TContentManager::CreateMoniker(IMoniker* context, LPCWSTR url, IMoniker** moniker)
{
    if (!moniker)
        return E_POINTER;
    *moniker = nullptr;
    if (!url)
        return E_INVALIDARG;
    try {
        *moniker = TMyMoniker::Create(context, url).Detach();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT TContentManager::BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, IMoniker* context,
                                       IBindStatusCallback* callback, const std::wstring& url, void** object)
{
    if (object)
        *object = nullptr;
    try {
        std::string path = WideToAnsi(url);
        int number = 0;
        std::string rest;
        if (!ParseVirtualPath(path, number, rest))
            return BindThroughSystem(url, context, bindContext, left, iid, object);
        // Memory serves only through the player's callback.
        if (!callback)
            return E_INVALIDARG;
        if (ComPtr<IContentProvider> provider = TakeProvider(path)) {
            provider->SetCallback(callback);
            return MK_S_ASYNCHRONOUS;
        }
        ComPtr<IFlashHostControlBase> control = FindControl(number);
        if (!control)
            return E_FAIL;
        if (rest.starts_with('/'))
            rest.erase(0, 1);
        if (OfferToEvents(control.Get(), rest, callback))
            return MK_S_ASYNCHRONOUS;
        return BindThroughSystem(AnsiToWide(BaseFolder(control.Get()) + "/" + rest), context, bindContext, left, iid,
                                 object);
    } catch (...) {
        return E_FAIL;
    }
}

bool TContentManager::OfferToEvents(IFlashHostControlBase* control, const std::string& name,
                                    IBindStatusCallback* callback)
{
    // The callback comes only once the resource is known to be served: a
    // resource nobody serves must not end the player's download.
    ComPtr<IContentProvider> provider = TContentProvider::Create();
    auto stream = std::make_unique<TOleStream>(TContentProviderStream::Create(provider));
    bool handled = false;
    if (control->CallOnLoadExternalResourceEx(name, stream.get(), handled) == S_OK && handled) {
        // The handler keeps the stream; freeing it ends the download.
        stream.release();
        provider->SetCallback(callback);
        return true;
    }
    TMemoryStream resource;
    if (control->CallOnLoadExternalResource(name, &resource) == S_OK && resource.GetSize() > 0)
        stream->CopyFrom(resource, 0);
    if (provider->DataWritten() != S_OK)
        return false;
    provider->SetCallback(callback);
    return true;
}

HANDLE TContentManager::CreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                   DWORD disposition, DWORD flags, HANDLE templateFile)
{
    try {
        int number = 0;
        std::string rest;
        if (name && ParseVirtualPath(name, number, rest)) {
            if (ComPtr<IFlashHostControlBase> control = FindControl(number)) {
                std::string redirected = Replaced(BaseFolder(control.Get()) + "\\" + rest, '/', '\\');
                HANDLE file = ::CreateFileA(redirected.c_str(), access, share, security, disposition, flags,
                                            templateFile);
                if (file != INVALID_HANDLE_VALUE)
                    return file;
            }
        }
    } catch (...) {
        // Opened as given below.
    }
    return ::CreateFileA(name, access, share, security, disposition, flags, templateFile);
}

TContentManager& ContentManager()
{
    // Never freed: the player's threads may bind while statics are torn down.
    static TContentManager* manager = new TContentManager;
    return *manager;
}
