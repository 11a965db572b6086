#include "Streams.h"

#include "Exceptions.h"
#include "SysUtils.h"

#include <algorithm>
#include <cstring>

namespace {

// Copies move through a buffer of at most this many bytes.
constexpr int64_t CopyBufferSize = 61440;

}

// ---- TStream ----

void TStream::ReadBuffer(void* buffer, int32_t count)
{
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count)
{
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    if (count <= 0) return 0;
    std::vector<char> buffer(static_cast<size_t>(std::min(count, CopyBufferSize)));
    for (int64_t left = count; left > 0;) {
        int32_t n = static_cast<int32_t>(std::min(left, CopyBufferSize));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

int64_t TStream::GetPosition()
{
    return Seek(0, soFromCurrent);
}

void TStream::SetPosition(int64_t position)
{
    Seek(position, soFromBeginning);
}

int64_t TStream::GetSize()
{
    int64_t position = Seek(0, soFromCurrent);
    int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(int64_t)
{
    throw EStreamError("Stream size cannot be changed");
}

// ---- THandleStream ----

int32_t THandleStream::Read(void* buffer, int32_t count)
{
    DWORD read = 0;
    if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
    return static_cast<int32_t>(read);
}

int32_t THandleStream::Write(const void* buffer, int32_t count)
{
    DWORD written = 0;
    if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(count), &written, nullptr)) return 0;
    return static_cast<int32_t>(written);
}

int64_t THandleStream::Seek(int64_t offset, TSeekOrigin origin)
{
    static const DWORD methods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handle_, distance, &position, methods[origin])) return -1;
    return position.QuadPart;
}

void THandleStream::SetSize(int64_t size)
{
    if (Seek(size, soFromBeginning) != size || !SetEndOfFile(handle_)) {
        DWORD error = GetLastError();
        throw EInOutError(SysErrorMessage(error), error);
    }
}

// ---- TFileStream ----

namespace {

DWORD ShareModeOf(uint16_t mode)
{
    switch (mode & 0xF0) {
    case fmShareDenyWrite:
        return FILE_SHARE_READ;
    case fmShareDenyRead:
        return FILE_SHARE_WRITE;
    case fmShareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

DWORD AccessOf(uint16_t mode)
{
    switch (mode & 3) {
    case fmOpenWrite:
        return GENERIC_WRITE;
    case fmOpenReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

HANDLE OpenOrCreate(const std::string& fileName, uint16_t mode)
{
    bool create = (mode & fmCreate) == fmCreate;
    HANDLE handle = CreateFileA(fileName.c_str(), create ? GENERIC_READ | GENERIC_WRITE : AccessOf(mode),
                                ShareModeOf(mode), nullptr, create ? CREATE_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    std::string reason = "\"" + fileName + "\". " + SysErrorMessage(GetLastError());
    if (create) throw EFCreateError("Cannot create file " + reason);
    throw EFOpenError("Cannot open file " + reason);
}

}

TFileStream::TFileStream(const std::string& fileName, uint16_t mode)
    : THandleStream(OpenOrCreate(fileName, mode)), fileName_(fileName)
{
}

TFileStream::~TFileStream()
{
    CloseHandle(handle_);
}

// ---- TCustomMemoryStream ----

int32_t TCustomMemoryStream::Read(void* buffer, int32_t count)
{
    if (count <= 0 || position_ < 0 || position_ >= size_) return 0;
    int32_t n = static_cast<int32_t>(std::min<int64_t>(count, size_ - position_));
    std::memcpy(buffer, static_cast<const char*>(memory_) + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == soFromBeginning ? 0 : origin == soFromCurrent ? position_ : size_;
    position_ = base + offset;
    return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(memory_, static_cast<int32_t>(size_));
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName)
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TCustomMemoryStream::SetPointer(void* memory, int64_t size)
{
    memory_ = memory;
    size_ = size;
}

// ---- TMemoryStream ----

int32_t TMemoryStream::Write(const void* buffer, int32_t count)
{
    if (count <= 0 || position_ < 0) return 0;
    int64_t end = position_ + count;
    if (end > GetSize()) Resize(end);
    std::memcpy(static_cast<char*>(Memory()) + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

void TMemoryStream::SetSize(int64_t size)
{
    size = std::max<int64_t>(size, 0);
    Resize(size);
    if (position_ > size) position_ = size;
}

void TMemoryStream::Clear()
{
    SetSize(0);
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    int64_t size = stream.GetSize();
    SetSize(size);
    // Reads take 32-bit counts; a larger stream comes in pieces.
    auto* memory = static_cast<char*>(Memory());
    for (int64_t done = 0; done < size;) {
        auto piece = static_cast<int32_t>(std::min<int64_t>(size - done, INT32_MAX));
        stream.ReadBuffer(memory + done, piece);
        done += piece;
    }
}

void TMemoryStream::LoadFromFile(const std::string& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::Resize(int64_t size)
{
    data_.resize(static_cast<size_t>(size));
    SetPointer(data_.data(), static_cast<int64_t>(data_.size()));
}

// ---- TResourceStream ----

namespace {

std::string ResourceNameText(const char* name)
{
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<uintptr_t>(name)) : std::string(name);
}

[[noreturn]] void CannotWriteResource()
{
    throw EStreamError("Can't write to a read-only resource stream");
}

}

TResourceStream::TResourceStream(HINSTANCE instance, const char* name, const char* type)
{
    HRSRC info = FindResourceA(instance, name, type);
    HGLOBAL loaded = info ? LoadResource(instance, info) : nullptr;
    void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) throw EResNotFound("Resource " + ResourceNameText(name) + " not found");
    SetPointer(data, SizeofResource(instance, info));
}

int32_t TResourceStream::Write(const void*, int32_t)
{
    CannotWriteResource();
}

void TResourceStream::SetSize(int64_t)
{
    CannotWriteResource();
}
