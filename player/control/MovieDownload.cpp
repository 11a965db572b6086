#include "MovieDownload.h"

#include "ComGuard.h"
#include "Movie.h"

using Microsoft::WRL::ComPtr;

ComPtr<MovieDownload> MovieDownload::Start(const std::wstring& url, Finished finished)
{
    ComPtr<MovieDownload> download;
    // The pointer takes the one reference the object starts with.
    *download.GetAddressOf() = new MovieDownload;
    download->finished_ = std::move(finished);
    ComPtr<IBindCtx> context;
    ComPtr<IMoniker> moniker;
    ComPtr<IBindStatusCallback> previous;
    ComPtr<IStream> stream;
    HRESULT result = CreateBindCtx(0, &context);
    if (SUCCEEDED(result))
        result = CreateURLMoniker(nullptr, url.c_str(), &moniker);
    if (SUCCEEDED(result))
        result = RegisterBindStatusCallback(context.Get(), download.Get(), &previous, 0);
    if (SUCCEEDED(result))
        result = moniker->BindToStorage(context.Get(), nullptr, IID_IStream, reinterpret_cast<void**>(stream.GetAddressOf()));
    // A binding that answered at once hands the stream over whole.
    if (result == S_OK && stream && download->finished_) {
        download->Drain(stream.Get());
        download->Finish(true);
    } else if (FAILED(result)) {
        download->Finish(false);
    }
    return download;
}

void MovieDownload::Abandon()
{
    finished_ = nullptr;
    if (binding_)
        binding_->Abort();
    binding_.Reset();
}

void MovieDownload::Finish(bool succeeded)
{
    Finished finished = std::move(finished_);
    finished_ = nullptr;
    binding_.Reset();
    if (!finished)
        return;
    if (succeeded && !overflowed_)
        finished(std::move(bytes_));
    else
        finished(std::nullopt);
}

bool MovieDownload::Drain(IStream* stream)
{
    uint8_t piece[64 * 1024];
    ULONG read = 0;
    while (!overflowed_ && SUCCEEDED(stream->Read(piece, sizeof(piece), &read)) && read > 0) {
        if (bytes_.size() + read > tvmplayer::MaxMovieBytes)
            overflowed_ = true;
        else
            bytes_.insert(bytes_.end(), piece, piece + read);
    }
    return !overflowed_;
}

HRESULT MovieDownload::QueryInterface(REFIID iid, void** object)
{
    return AnswerInterface(iid, object, {{IID_IUnknown, this}, {IID_IBindStatusCallback, this}});
}

HRESULT MovieDownload::OnStartBinding(DWORD, IBinding* binding)
{
    binding_ = binding;
    return S_OK;
}

HRESULT MovieDownload::GetPriority(LONG* priority)
{
    if (!priority)
        return E_POINTER;
    *priority = THREAD_PRIORITY_NORMAL;
    return S_OK;
}

HRESULT MovieDownload::OnLowResource(DWORD)
{
    return S_OK;
}

HRESULT MovieDownload::OnProgress(ULONG, ULONG, ULONG, LPCWSTR)
{
    return S_OK;
}

HRESULT MovieDownload::OnStopBinding(HRESULT result, LPCWSTR)
{
    return Guarded([&] {
        Finish(SUCCEEDED(result));
        return S_OK;
    });
}

HRESULT MovieDownload::GetBindInfo(DWORD* flags, BINDINFO* info)
{
    if (!flags || !info)
        return E_INVALIDARG;
    *flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA | BINDF_GETNEWESTVERSION;
    ULONG size = info->cbSize;
    ZeroMemory(info, size);
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
}

HRESULT MovieDownload::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM* medium)
{
    if (!finished_)
        return E_ABORT;
    return Guarded([&] {
        if (medium && medium->tymed == TYMED_ISTREAM && medium->pstm && !Drain(medium->pstm))
            return E_ABORT;
        return S_OK;
    });
}

HRESULT MovieDownload::OnObjectAvailable(REFIID, IUnknown*)
{
    return S_OK;
}
