#include "ContentProvider.h"

using Microsoft::WRL::ComPtr;

namespace {

// Every piece goes as the first and the last notification of its own.
constexpr DWORD WholePiece = BSCF_FIRSTDATANOTIFICATION | BSCF_LASTDATANOTIFICATION;

ComPtr<IStream> NewMemoryStream()
{
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)))
        return nullptr;
    return stream;
}

void Rewind(IStream* stream)
{
    LARGE_INTEGER start = {};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

}

ComPtr<IContentProvider> TContentProvider::Create()
{
    ComPtr<IContentProvider> provider(new TContentProvider);
    return provider;
}

HRESULT TContentProvider::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{IID_IContentProvider, this}});
}

HRESULT TContentProvider::SetCallback(IBindStatusCallback* callback)
{
    TCriticalSectionGuard guard(lock_);
    callback_ = callback;
    if (!callback_)
        return S_OK;
    if (written_ && buffer_) {
        Start();
        Rewind(buffer_.Get());
        Deliver(buffer_.Get(), bufferBytes_);
        buffer_.Reset();
        bufferBytes_ = 0;
    }
    if (closed_)
        Stop();
    return S_OK;
}

HRESULT TContentProvider::DataWritten()
{
    TCriticalSectionGuard guard(lock_);
    return written_ ? S_OK : S_FALSE;
}

HRESULT TContentProvider::Close()
{
    TCriticalSectionGuard guard(lock_);
    closed_ = true;
    // An empty movie ends its download too: the player waits for the end.
    if (callback_)
        Stop();
    return S_OK;
}

HRESULT TContentProvider::Write(const void* data, ULONG count, ULONG* written)
{
    if (written)
        *written = 0;
    if (count > 0 && !data)
        return STG_E_INVALIDPOINTER;
    TCriticalSectionGuard guard(lock_);
    if (count == 0)
        return S_OK;
    written_ = true;
    ULONG moved = 0;
    if (callback_) {
        Start();
        ComPtr<IStream> piece = NewMemoryStream();
        if (piece && SUCCEEDED(piece->Write(data, count, &moved))) {
            Rewind(piece.Get());
            if (FAILED(Deliver(piece.Get(), moved)))
                moved = 0;
        }
    } else {
        if (!buffer_)
            buffer_ = NewMemoryStream();
        if (buffer_ && SUCCEEDED(buffer_->Write(data, count, &moved)))
            bufferBytes_ += moved;
    }
    if (written)
        *written = moved;
    return S_OK;
}

void TContentProvider::Start()
{
    if (started_)
        return;
    started_ = true;
    callback_->OnStartBinding(0, nullptr);
}

HRESULT TContentProvider::Deliver(IStream* data, ULONG count)
{
    FORMATETC format = {0, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM};
    STGMEDIUM medium = {};
    medium.tymed = TYMED_ISTREAM;
    medium.pstm = data;
    return callback_->OnDataAvailable(WholePiece, count, &format, &medium);
}

void TContentProvider::Stop()
{
    if (stopped_)
        return;
    Start();
    stopped_ = true;
    ComPtr<IBindStatusCallback> callback = std::move(callback_);
    callback->OnStopBinding(S_OK, nullptr);
}

ComPtr<IStream> TContentProviderStream::Create(ComPtr<IContentProvider> provider)
{
    ComPtr<IStream> stream(new TContentProviderStream(std::move(provider)));
    return stream;
}

TContentProviderStream::TContentProviderStream(ComPtr<IContentProvider> provider) : provider_(std::move(provider)) {}

TContentProviderStream::~TContentProviderStream()
{
    provider_->Close();
}

HRESULT TContentProviderStream::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{IID_IStream, this}, {IID_ISequentialStream, this}});
}

HRESULT TContentProviderStream::Write(const void* buffer, ULONG count, ULONG* written)
{
    return provider_->Write(buffer, count, written);
}

HRESULT TContentProviderStream::Read(void*, ULONG, ULONG*)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::SetSize(ULARGE_INTEGER)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::Commit(DWORD)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::Revert()
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::Stat(STATSTG*, DWORD)
{
    return E_NOTIMPL;
}

HRESULT TContentProviderStream::Clone(IStream** clone)
{
    if (clone)
        *clone = nullptr;
    return E_NOTIMPL;
}
