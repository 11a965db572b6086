#pragma once
// FFmpeg's libraries, loaded at run time from the program's folder and bound
// by name: engine code calls FFmpeg only through the ff:: entry points.
#include "Threads.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

enum TLibraryIndex { liAVCodec, liAVDevice, liAVFilter, liAVFormat, liAVUtil, liSwScale, liMsvcrt, liSwResample };
constexpr int LibraryCount = 8;

// A set of libraries: bit i stands for library i.
using TLibrarySet = uint8_t;
constexpr TLibrarySet LibraryBit(TLibraryIndex index)
{
    return static_cast<TLibrarySet>(1u << index);
}
constexpr TLibrarySet AllLibraries = 0xFF;
constexpr TLibrarySet EncoderLibraries = AllLibraries;
constexpr TLibrarySet DecoderLibraries = LibraryBit(liAVCodec) | LibraryBit(liAVFormat) | LibraryBit(liAVUtil) |
                                         LibraryBit(liSwScale) | LibraryBit(liMsvcrt);

class TFFLoader {
public:
    TFFLoader() = default;
    // Unloads whatever is still loaded.
    ~TFFLoader();
    TFFLoader(const TFFLoader&) = delete;
    TFFLoader& operator=(const TFFLoader&) = delete;

    // The folder the libraries are looked for in first (the system's own
    // libraries never are); empty: the system's search order only.
    const std::wstring& LibraryPath() const { return libraryPath_; }
    void SetLibraryPath(const std::wstring& path) { libraryPath_ = path; }
    // The text of the last load or bind failure.
    const std::string& LastErrorMessage() const { return lastErrorMessage_; }

    // "avcodec-59.dll", ..., "msvcrt.dll".
    static std::wstring LibraryFileName(TLibraryIndex index);

    // Loads and binds the library unless it already is; a library lacking
    // one entry point is left unloaded.
    bool LoadLibraryByIndex(TLibraryIndex index);
    // Loads the set in ascending order; on a failure unloads what this call
    // loaded, nothing that was loaded before.
    bool LoadLibraries(TLibrarySet set);
    bool Loaded(TLibraryIndex index) const;
    bool AllLoaded(TLibrarySet set) const;
    void UnloadLibrary(TLibraryIndex index);
    void UnloadLibraries(TLibrarySet set);

private:
    struct TLibraryStatus {
        HMODULE Handle = nullptr;
        bool Bound = false;
    };

    std::array<TLibraryStatus, LibraryCount> status_;
    std::wstring libraryPath_;
    std::string lastErrorMessage_;
};

TFFLoader& FFLoader();

// Asks whether a blocking FFmpeg call on a thread should give up. Each engine
// registers the threads it runs FFmpeg on; every context the engine opens
// carries InterruptCallback, which asks here for the calling thread.
using TInterruptCheck = bool (*)(void* owner);

class TInterruptCB {
public:
    // One entry per thread, owner and check.
    void Add(DWORD threadId, void* owner, TInterruptCheck check);
    void Remove(DWORD threadId, void* owner, TInterruptCheck check);
    // The answer of the thread's first entry; False without one.
    bool Check(DWORD threadId);
    void Clear();

private:
    struct TEntry {
        DWORD ThreadID;
        void* Owner;
        TInterruptCheck Check;
    };

    std::vector<TEntry>::iterator Find(DWORD threadId, void* owner, TInterruptCheck check);

    TCriticalSection lock_;
    std::vector<TEntry> entries_;
};

TInterruptCB& InterruptCB();

// For a context's interrupt_callback: 1 when the calling thread is to give up.
int InterruptCallback(void* opaque);
