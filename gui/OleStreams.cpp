#include "OleStreams.h"

#include "Exceptions.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

namespace {

// The most one call of the stream moves.
constexpr ULONG MaxChunk = 0x40000000;

// Runs Body; an exception becomes Failure, or the out-of-memory code.
template <class F>
HRESULT Guarded(HRESULT failure, F body)
{
    try {
        return body();
    } catch (const EOutOfMemory&) {
        return STG_E_INSUFFICIENTMEMORY;
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    } catch (...) {
        return failure;
    }
}

// Moves up to Count bytes in pieces the stream accepts; stops at the first
// short piece. Answers how many moved.
template <class Move>
ULONG MoveAll(ULONG count, Move move)
{
    ULONG done = 0;
    while (done < count) {
        ULONG piece = std::min(count - done, MaxChunk);
        int32_t moved = move(done, static_cast<int32_t>(piece));
        if (moved <= 0) break;
        done += static_cast<ULONG>(moved);
        if (static_cast<ULONG>(moved) < piece) break;
    }
    return done;
}

}

Microsoft::WRL::ComPtr<IStream> TStreamAdapter::Create(TStream* stream, TStreamOwnership ownership)
{
    // Constructed from the raw pointer, the ComPtr adds the first reference.
    return Microsoft::WRL::ComPtr<IStream>(new TStreamAdapter(stream, ownership));
}

TStreamAdapter::~TStreamAdapter()
{
    if (ownership_ == soOwned) delete stream_;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TStreamAdapter::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE TStreamAdapter::Release()
{
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Read(void* buffer, ULONG count, ULONG* read)
{
    if (read) *read = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    return Guarded(STG_E_READFAULT, [&] {
        ULONG done = MoveAll(count, [&](ULONG offset, int32_t piece) {
            return stream_->Read(static_cast<char*>(buffer) + offset, piece);
        });
        if (read) *read = done;
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Write(const void* buffer, ULONG count, ULONG* written)
{
    if (written) *written = 0;
    if (!buffer) return STG_E_INVALIDPOINTER;
    return Guarded(STG_E_CANTSAVE, [&] {
        ULONG done = MoveAll(count, [&](ULONG offset, int32_t piece) {
            return stream_->Write(static_cast<const char*>(buffer) + offset, piece);
        });
        if (written) *written = done;
        return done == count ? S_OK : STG_E_MEDIUMFULL;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition)
{
    return Guarded(STG_E_INVALIDFUNCTION, [&] {
        int64_t base;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = stream_->GetPosition();
            break;
        case STREAM_SEEK_END:
            base = stream_->GetSize();
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        // Before the start, or past what a position can hold.
        if (move.QuadPart < -base || move.QuadPart > std::numeric_limits<int64_t>::max() - base)
            return STG_E_INVALIDFUNCTION;
        int64_t position = stream_->Seek(base + move.QuadPart, soFromBeginning);
        if (position < 0) return STG_E_INVALIDFUNCTION;
        if (newPosition) newPosition->QuadPart = static_cast<ULONGLONG>(position);
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::SetSize(ULARGE_INTEGER size)
{
    if (size.QuadPart > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max())) return STG_E_INVALIDFUNCTION;
    return Guarded(STG_E_INVALIDFUNCTION, [&] {
        stream_->SetSize(static_cast<int64_t>(size.QuadPart));
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::CopyTo(IStream* dest, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                                 ULARGE_INTEGER* written)
{
    if (read) read->QuadPart = 0;
    if (written) written->QuadPart = 0;
    if (!dest) return STG_E_INVALIDPOINTER;
    return Guarded(STG_E_READFAULT, [&] {
        std::vector<char> buffer(0x10000);
        ULONGLONG totalRead = 0;
        ULONGLONG totalWritten = 0;
        HRESULT result = S_OK;
        while (totalRead < count.QuadPart) {
            auto piece = static_cast<int32_t>(std::min<ULONGLONG>(count.QuadPart - totalRead, buffer.size()));
            int32_t got = stream_->Read(buffer.data(), piece);
            if (got <= 0) break;
            totalRead += static_cast<ULONGLONG>(got);
            ULONG put = 0;
            result = dest->Write(buffer.data(), static_cast<ULONG>(got), &put);
            totalWritten += put;
            if (FAILED(result) || put < static_cast<ULONG>(got)) break;
        }
        if (read) read->QuadPart = totalRead;
        if (written) written->QuadPart = totalWritten;
        return result;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Commit(DWORD)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Revert()
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Stat(STATSTG* stat, DWORD flags)
{
    if (!stat) return STG_E_INVALIDPOINTER;
    if (flags != STATFLAG_DEFAULT && flags != STATFLAG_NONAME) return STG_E_INVALIDFLAG;
    return Guarded(STG_E_ACCESSDENIED, [&] {
        // The stream has no name to give, whatever the flags ask.
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = static_cast<ULONGLONG>(stream_->GetSize());
        return S_OK;
    });
}

HRESULT STDMETHODCALLTYPE TStreamAdapter::Clone(IStream** clone)
{
    if (clone) *clone = nullptr;
    return E_NOTIMPL;
}

int32_t TOleStream::Read(void* buffer, int32_t count)
{
    ULONG read = 0;
    if (count <= 0 || FAILED(stream_->Read(buffer, static_cast<ULONG>(count), &read))) return 0;
    return static_cast<int32_t>(std::min<ULONG>(read, static_cast<ULONG>(count)));
}

int32_t TOleStream::Write(const void* buffer, int32_t count)
{
    ULONG written = 0;
    if (count <= 0 || FAILED(stream_->Write(buffer, static_cast<ULONG>(count), &written))) return 0;
    return static_cast<int32_t>(std::min<ULONG>(written, static_cast<ULONG>(count)));
}

int64_t TOleStream::Seek(int64_t offset, TSeekOrigin origin)
{
    LARGE_INTEGER move;
    move.QuadPart = offset;
    ULARGE_INTEGER position{};
    if (FAILED(stream_->Seek(move, static_cast<DWORD>(origin), &position))) return -1;
    return static_cast<int64_t>(position.QuadPart);
}
