#pragma once
// An IStream over one of the program's streams, and one of the program's
// streams over an IStream, for COM objects that read or
// write through IStream (the player loads movies and saves state this way).
#include "Streams.h"

#include <objidl.h>
#include <wrl/client.h>

// Whether the adapter frees its stream when its last reference goes.
enum TStreamOwnership { soReference, soOwned };

// Reads, writes, seeks, sizes and copies through the stream; answers Stat
// with the stream's size. The stream is direct: Commit and Revert succeed
// and change nothing; region locks and Clone are not offered. No exception
// leaves a method: failures become storage error codes.
class TStreamAdapter final : public IStream {
public:
    // The returned pointer holds the adapter's only reference.
    static Microsoft::WRL::ComPtr<IStream> Create(TStream* stream, TStreamOwnership ownership = soReference);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* dest, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

private:
    TStreamAdapter(TStream* stream, TStreamOwnership ownership) : stream_(stream), ownership_(ownership) {}
    ~TStreamAdapter();

    TStream* stream_;
    TStreamOwnership ownership_;
    LONG references_ = 0;
};

// One of the program's streams over an IStream, which it holds a reference to
// for its lifetime. A refused or failed call moves nothing: Read and Write
// answer how much the IStream moved, Seek answers -1.
class TOleStream : public TStream {
public:
    explicit TOleStream(Microsoft::WRL::ComPtr<IStream> stream) : stream_(std::move(stream)) {}
    std::string ClassName() const override { return "TOleStream"; }

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;

    IStream* GetIStream() const { return stream_.Get(); }

private:
    Microsoft::WRL::ComPtr<IStream> stream_;
};
