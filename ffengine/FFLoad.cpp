#include "FFLoad.h"

#include "AVCodecStubs.h"
#include "AVDeviceStubs.h"
#include "AVFilterStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "FFLog.h"
#include "MyUtils.h"
#include "SwResampleStubs.h"
#include "SwScaleStubs.h"
#include "SysUtils.h"

#include <algorithm>

namespace {

struct TLibraryItem {
    TLibraryIndex Index;
    const wchar_t* Name;
    // A library of the system: never looked for in the library folder.
    bool System;
    // -1: no version in the file name.
    int Major;
    std::span<const TEntryPoint> EntryPoints;
    // Runs once the library is bound.
    void (*AfterLoad)();
};

void InstallLogCallback()
{
    FFLogger().InstallFFmpegCallback();
}

void RegisterDevices()
{
    ff::avdevice_register_all();
}

// The C runtime is called directly; it is loaded from the system only, so a
// file of its name beside FFmpeg's libraries is never taken.
const TLibraryItem Libraries[LibraryCount] = {
    {liAVCodec, L"avcodec", false, 59, AVCodecEntryPoints, nullptr},
    {liAVDevice, L"avdevice", false, 59, AVDeviceEntryPoints, RegisterDevices},
    {liAVFilter, L"avfilter", false, 8, AVFilterEntryPoints, nullptr},
    {liAVFormat, L"avformat", false, 59, AVFormatEntryPoints, nullptr},
    {liAVUtil, L"avutil", false, 57, AVUtilEntryPoints, InstallLogCallback},
    {liSwScale, L"swscale", false, 6, SwScaleEntryPoints, nullptr},
    {liMsvcrt, L"msvcrt", true, -1, {}, nullptr},
    {liSwResample, L"swresample", false, 4, SwResampleEntryPoints, nullptr},
};

void RequireLibraries(TLibrarySet set)
{
    if (!set) throw EAssertionFailed("Empty library set");
}

std::wstring UpperCase(std::wstring text)
{
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Loads Name from Folder when it is there, with Folder current and on PATH
// so that the library's own dependencies are found beside it; else by bare
// name through the system's search order.
HMODULE LoadFromFolder(const std::wstring& folder, const std::wstring& name, DWORD& error)
{
    std::wstring path = folder + name;
    if (folder.empty() || !WideFileExists(path)) {
        HMODULE module = LoadLibraryW(name.c_str());
        error = GetLastError();
        return module;
    }
    std::wstring oldDir = WideGetCurrentDir();
    WideSetCurrentDir(folder);
    std::wstring searchPath = WideGetEnv(L"PATH");
    if (UpperCase(searchPath).find(UpperCase(folder)) == std::wstring::npos)
        SetEnvironmentVariableW(L"PATH", (folder + L";" + searchPath).c_str());
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    error = GetLastError();
    WideSetCurrentDir(oldDir);
    return module;
}

}

TFFLoader::~TFFLoader()
{
    UnloadLibraries(AllLibraries);
}

TFFLoader& FFLoader()
{
    static TFFLoader loader;
    return loader;
}

std::wstring TFFLoader::LibraryFileName(TLibraryIndex index)
{
    const TLibraryItem& item = Libraries[index];
    std::wstring name = item.Name;
    if (item.Major >= 0) name += L"-" + std::to_wstring(item.Major);
    return name + L".dll";
}

bool TFFLoader::LoadLibraryByIndex(TLibraryIndex index)
{
    const TLibraryItem& item = Libraries[index];
    TLibraryStatus& status = status_[index];
    if (!status.Handle) {
        std::wstring folder = libraryPath_.empty() || item.System ? L"" : IncludeTrailingBackslash(libraryPath_);
        std::wstring name = LibraryFileName(index);
        DWORD error = 0;
        status.Handle = LoadFromFolder(folder, name, error);
        if (!status.Handle) {
            lastErrorMessage_ = "Load library " + WideToAnsi(folder + name) + " error: " + SysErrorMessage(error);
            return false;
        }
    }
    if (status.Bound) return true;
    try {
        BindFunctions(status.Handle, LibraryFileName(index), item.EntryPoints);
        status.Bound = true;
    } catch (const Exception& e) {
        lastErrorMessage_ = e.Message();
        UnloadLibrary(index);
        return false;
    }
    if (item.AfterLoad) item.AfterLoad();
    return true;
}

bool TFFLoader::LoadLibraries(TLibrarySet set)
{
    RequireLibraries(set);
    TLibrarySet loadedHere = 0;
    for (int i = 0; i < LibraryCount; ++i) {
        auto index = static_cast<TLibraryIndex>(i);
        if (!(set & LibraryBit(index))) continue;
        bool wasLoaded = status_[index].Handle != nullptr;
        if (!LoadLibraryByIndex(index)) {
            if (loadedHere) UnloadLibraries(loadedHere);
            return false;
        }
        if (!wasLoaded) loadedHere |= LibraryBit(index);
    }
    return true;
}

bool TFFLoader::Loaded(TLibraryIndex index) const
{
    return status_[index].Handle && status_[index].Bound;
}

bool TFFLoader::AllLoaded(TLibrarySet set) const
{
    RequireLibraries(set);
    for (int i = 0; i < LibraryCount; ++i) {
        auto index = static_cast<TLibraryIndex>(i);
        if ((set & LibraryBit(index)) && !Loaded(index)) return false;
    }
    return true;
}

void TFFLoader::UnloadLibrary(TLibraryIndex index)
{
    TLibraryStatus& status = status_[index];
    if (status.Bound) {
        UnbindFunctions(Libraries[index].EntryPoints);
        status.Bound = false;
    }
    if (status.Handle) {
        FreeLibrary(status.Handle);
        status.Handle = nullptr;
    }
}

void TFFLoader::UnloadLibraries(TLibrarySet set)
{
    RequireLibraries(set);
    for (int i = 0; i < LibraryCount; ++i) {
        auto index = static_cast<TLibraryIndex>(i);
        if (set & LibraryBit(index)) UnloadLibrary(index);
    }
}

std::vector<TInterruptCB::TEntry>::iterator TInterruptCB::Find(DWORD threadId, void* owner, TInterruptCheck check)
{
    return std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) {
        return e.ThreadID == threadId && e.Owner == owner && e.Check == check;
    });
}

void TInterruptCB::Add(DWORD threadId, void* owner, TInterruptCheck check)
{
    TCriticalSectionGuard guard(lock_);
    if (Find(threadId, owner, check) == entries_.end()) entries_.push_back({threadId, owner, check});
}

void TInterruptCB::Remove(DWORD threadId, void* owner, TInterruptCheck check)
{
    TCriticalSectionGuard guard(lock_);
    auto found = Find(threadId, owner, check);
    if (found != entries_.end()) entries_.erase(found);
}

bool TInterruptCB::Check(DWORD threadId)
{
    TCriticalSectionGuard guard(lock_);
    auto found = std::find_if(entries_.begin(), entries_.end(), [&](const TEntry& e) { return e.ThreadID == threadId; });
    return found != entries_.end() && found->Check(found->Owner);
}

void TInterruptCB::Clear()
{
    TCriticalSectionGuard guard(lock_);
    entries_.clear();
}

TInterruptCB& InterruptCB()
{
    static TInterruptCB interrupts;
    return interrupts;
}

int InterruptCallback(void*)
{
    return InterruptCB().Check(GetCurrentThreadId()) ? 1 : 0;
}
