#pragma once
// A movie that CreateFileA could not open, fetched through a URL moniker:
// the host serves its movies from memory this way. The data comes in
// OnDataAvailable pieces, usually later and on the window's thread, and the
// download ends with OnStopBinding.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ComObject.h"

class MovieDownload final : public ComObject<MovieDownload, IBindStatusCallback> {
public:
    // Called once with the whole movie, or with nothing when it failed.
    using Finished = std::function<void(std::optional<std::vector<uint8_t>>)>;

    // Starts a download; finished may run before Start returns.
    static Microsoft::WRL::ComPtr<MovieDownload> Start(const std::wstring& url, Finished finished);
    // The download is no longer wanted: it stops and never calls back.
    void Abandon();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
    HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG status, LPCWSTR text) override;
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

private:
    void Finish(bool succeeded);
    // Takes what the stream has now; false when the movie grew too large.
    bool Drain(IStream* stream);

    Finished finished_;
    Microsoft::WRL::ComPtr<IBinding> binding_;
    std::vector<uint8_t> bytes_;
    bool overflowed_ = false;
};
