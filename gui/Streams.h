#pragma once
// Byte streams: the abstract stream, streams over system file handles and
// files, memory streams and read-only streams over a module's resources.
// Positions and sizes are 64-bit; one read or write moves at most 2 GB.
#include "Persistent.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
public:
    std::string ClassName() const override { return "TStream"; }

    // Read and Write move up to Count bytes and answer how many they moved.
    virtual int32_t Read(void* buffer, int32_t count) = 0;
    virtual int32_t Write(const void* buffer, int32_t count) = 0;
    // Answers the new position, or -1 when the system refuses it.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    // Exactly Count bytes, or EReadError "Stream read error" /
    // EWriteError "Stream write error".
    void ReadBuffer(void* buffer, int32_t count);
    void WriteBuffer(const void* buffer, int32_t count);

    // Copies Count bytes from Source's position on; Count 0 copies the whole
    // Source from its start. Answers the bytes copied; a Source that ends
    // early raises EReadError.
    int64_t CopyFrom(TStream& source, int64_t count);

    int64_t GetPosition();
    void SetPosition(int64_t position);
    virtual int64_t GetSize();
    // Streams that cannot change their size raise EStreamError.
    virtual void SetSize(int64_t size);
};

// File open modes: one access mode, combined with one share mode. fmCreate
// creates or empties the file for reading and writing.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
// Without a share mode (or with fmShareExclusive) nobody else may open the file.
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

// A stream over a system file handle that someone else owns.
class THandleStream : public TStream {
public:
    explicit THandleStream(HANDLE handle) : handle_(handle) {}
    std::string ClassName() const override { return "THandleStream"; }

    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Cuts or extends the file; a refusal raises EInOutError.
    void SetSize(int64_t size) override;

    HANDLE Handle() const { return handle_; }

protected:
    HANDLE handle_;
};

// A file opened or created for the stream's lifetime. A failure raises
// EFOpenError "Cannot open file \"<name>\". <system message>" or
// EFCreateError "Cannot create file \"<name>\". <system message>".
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& fileName, uint16_t mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    std::string ClassName() const override { return "TFileStream"; }

    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
};

// A stream over a block of memory that the derived class provides.
class TCustomMemoryStream : public TStream {
public:
    std::string ClassName() const override { return "TCustomMemoryStream"; }

    int32_t Read(void* buffer, int32_t count) override;
    // Any position is accepted; reads and writes outside the data move nothing.
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return size_; }

    void* Memory() const { return memory_; }
    // The whole data, wherever the position stands.
    void SaveToStream(TStream& stream);
    void SaveToFile(const std::string& fileName);

protected:
    void SetPointer(void* memory, int64_t size);
    int64_t position_ = 0;

private:
    void* memory_ = nullptr;
    int64_t size_ = 0;
};

// A growable stream in memory.
class TMemoryStream : public TCustomMemoryStream {
public:
    std::string ClassName() const override { return "TMemoryStream"; }

    // Writing past the end grows the data (a gap reads as zeros).
    int32_t Write(const void* buffer, int32_t count) override;
    // A position past the new end moves to the end.
    void SetSize(int64_t size) override;
    void Clear();

    // The whole of Stream, read from its start.
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);

private:
    void Resize(int64_t size);
    std::vector<char> data_;
};

// A read-only stream over a resource of a module. Name and type may be
// texts or MAKEINTRESOURCE numbers. A missing resource raises EResNotFound
// "Resource <name> not found".
class TResourceStream : public TCustomMemoryStream {
public:
    TResourceStream(HINSTANCE instance, const char* name, const char* type);
    std::string ClassName() const override { return "TResourceStream"; }

    // Raise EStreamError "Can't write to a read-only resource stream".
    int32_t Write(const void* buffer, int32_t count) override;
    void SetSize(int64_t size) override;
};
