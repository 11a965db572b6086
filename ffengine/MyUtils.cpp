#include "MyUtils.h"

#include "Exceptions.h"
#include "SysUtils.h"
#include "Threads.h"

#include <cstring>

std::wstring IncludeTrailingBackslash(const std::wstring& path)
{
    return !path.empty() && path.back() == L'\\' ? path : path + L'\\';
}

namespace {

size_t FolderLength(const std::wstring& fileName)
{
    size_t delimiter = fileName.find_last_of(L"\\:");
    return delimiter == std::wstring::npos ? 0 : delimiter + 1;
}

bool FindEntry(const std::wstring& fileName, WIN32_FILE_ATTRIBUTE_DATA& data)
{
    return GetFileAttributesExW(fileName.c_str(), GetFileExInfoStandard, &data) &&
           !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}

std::wstring WideExtractFilePath(const std::wstring& fileName)
{
    return fileName.substr(0, FolderLength(fileName));
}

std::wstring WideExtractFileName(const std::wstring& fileName)
{
    return fileName.substr(FolderLength(fileName));
}

bool WideFileExists(const std::wstring& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return FindEntry(fileName, data);
}

int64_t WideFileSize(const std::wstring& fileName)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!FindEntry(fileName, data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring WideGetCurrentDir()
{
    wchar_t dir[MAX_PATH + 1];
    DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, dir);
    return n <= MAX_PATH ? std::wstring(dir, n) : std::wstring();
}

bool WideSetCurrentDir(const std::wstring& dir)
{
    return SetCurrentDirectoryW(dir.c_str()) != 0;
}

std::wstring WideGetEnv(const std::wstring& name)
{
    std::wstring value(1024, L'\0');
    DWORD n = GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = GetEnvironmentVariableW(name.c_str(), value.data(), n);
    }
    value.resize(n < value.size() ? n : 0);
    return value;
}

void BindFunction(HMODULE module, const std::wstring& libraryFileName, const char* name, bool optional, void* slot)
{
    FARPROC address = GetProcAddress(module, name);
    if (!address && !optional) {
        DWORD error = GetLastError();
        throw Exception(std::string("Load function ") + name + "@" + WideToAnsi(libraryFileName) + " error: " +
                        SysErrorMessage(error));
    }
    static_assert(sizeof address == sizeof(void (*)()));
    std::memcpy(slot, &address, sizeof address);
}

void BindFunctions(HMODULE module, const std::wstring& libraryFileName, std::span<const TEntryPoint> entryPoints)
{
    try {
        for (const TEntryPoint& entry : entryPoints) BindFunction(module, libraryFileName, entry.Name, false, entry.Slot);
    } catch (...) {
        UnbindFunctions(entryPoints);
        throw;
    }
}

void UnbindFunctions(std::span<const TEntryPoint> entryPoints)
{
    for (const TEntryPoint& entry : entryPoints) std::memset(entry.Slot, 0, sizeof(FARPROC));
}

std::wstring WideExpandFileName(const std::wstring& fileName)
{
    DWORD length = GetFullPathNameW(fileName.c_str(), 0, nullptr, nullptr);
    if (!length) return fileName;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(fileName.c_str(), length, full.data(), nullptr);
    full.resize(length);
    return full;
}

namespace {

void TakeFindData(const WIN32_FIND_DATAW& data, TWideSearchRec& rec)
{
    rec.Name = data.cFileName;
    rec.Attr = data.dwFileAttributes;
    rec.Size = int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

}

int WideFindFirst(const std::wstring& path, TWideSearchRec& rec)
{
    WIN32_FIND_DATAW data;
    rec.FindHandle = FindFirstFileW(path.c_str(), &data);
    if (rec.FindHandle == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    TakeFindData(data, rec);
    return 0;
}

int WideFindNext(TWideSearchRec& rec)
{
    WIN32_FIND_DATAW data;
    if (!FindNextFileW(rec.FindHandle, &data)) return static_cast<int>(GetLastError());
    TakeFindData(data, rec);
    return 0;
}

void WideFindClose(TWideSearchRec& rec)
{
    if (rec.FindHandle != INVALID_HANDLE_VALUE) FindClose(rec.FindHandle);
    rec.FindHandle = INVALID_HANDLE_VALUE;
}

std::string SplitAt(std::string& text, char separator)
{
    size_t at = text.find(separator);
    std::string head = text.substr(0, at);
    text = at == std::string::npos ? "" : text.substr(at + 1);
    return head;
}

void ProcessMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CheckSynchronize();
}

void RunInMainThread(const std::function<void()>& method)
{
    if (GetCurrentThreadId() == MainThreadID)
        method();
    else
        TThread::Synchronize(method);
}
