#include "MyUtils.h"

#include "Exceptions.h"
#include "SysUtils.h"

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
