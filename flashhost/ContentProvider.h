#pragma once
// The bytes of one movie served from memory, on their way from the host's
// stream to the player's bind-status callback. What the host writes before
// the player binds is kept and handed over in one piece when the callback
// comes; what it writes afterwards goes on piece by piece. The download ends
// (OnStopBinding) once the host's stream is freed and a callback is there,
// whether or not any byte came.
//
// The player binds on its own threads while the host writes on its own:
// every operation holds the provider's lock, the player's calls included.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include "Interfaced.h"
#include "Threads.h"

// {58245B0F-C1F8-4D38-B411-F4EBE2A76590}
inline constexpr IID IID_IContentProvider = {
    0x58245B0F, 0xC1F8, 0x4D38, {0xB4, 0x11, 0xF4, 0xEB, 0xE2, 0xA7, 0x65, 0x90}};

struct IContentProvider : IUnknown {
    // The player's callback: what was kept so far reaches it now.
    virtual HRESULT STDMETHODCALLTYPE SetCallback(IBindStatusCallback* callback) = 0;
    // S_OK once any byte was written, else S_FALSE.
    virtual HRESULT STDMETHODCALLTYPE DataWritten() = 0;
    // The host has written everything.
    virtual HRESULT STDMETHODCALLTYPE Close() = 0;
    // Written is 0 when the player refused the bytes.
    virtual HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) = 0;
};

class TContentProvider final : public TInterfacedObject<IContentProvider> {
public:
    static Microsoft::WRL::ComPtr<IContentProvider> Create();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE SetCallback(IBindStatusCallback* callback) override;
    HRESULT STDMETHODCALLTYPE DataWritten() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG count, ULONG* written) override;

private:
    TContentProvider() = default;
    // OnStartBinding, once.
    void Start();
    // Bytes to the callback in one OnDataAvailable, as first and last notification.
    HRESULT Deliver(IStream* data, ULONG count);
    // OnStopBinding, once; the callback is let go.
    void Stop();

    TCriticalSection lock_;
    // Bytes written before the player bound.
    Microsoft::WRL::ComPtr<IStream> buffer_;
    ULONG bufferBytes_ = 0;
    Microsoft::WRL::ComPtr<IBindStatusCallback> callback_;
    bool written_ = false;
    bool started_ = false;
    bool closed_ = false;
    bool stopped_ = false;
};

// The host's end of a provider: Write passes to the provider; every other
// call answers E_NOTIMPL. Releasing the last reference closes the provider.
class TContentProviderStream final : public TInterfacedObject<IStream> {
public:
    static Microsoft::WRL::ComPtr<IStream> Create(Microsoft::WRL::ComPtr<IContentProvider> provider);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

private:
    explicit TContentProviderStream(Microsoft::WRL::ComPtr<IContentProvider> provider);
    ~TContentProviderStream() override;

    Microsoft::WRL::ComPtr<IContentProvider> provider_;
};
