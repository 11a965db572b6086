#pragma once
// The engine's wide-character file and path routines and the binding of
// entry points by name.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// ---- Wide file names and the environment ----

// Adds "\" unless Path already ends with one; an empty path becomes "\".
std::wstring IncludeTrailingBackslash(const std::wstring& path);
// The folder of a path, up to and including its last "\" or ":", and the rest.
std::wstring WideExtractFilePath(const std::wstring& fileName);
std::wstring WideExtractFileName(const std::wstring& fileName);
// True for a name whose attributes can be read and that is no directory.
bool WideFileExists(const std::wstring& fileName);
// Size from the file's directory entry; -1 when missing or a directory.
int64_t WideFileSize(const std::wstring& fileName);
std::wstring WideGetCurrentDir();
bool WideSetCurrentDir(const std::wstring& dir);
// Empty when the variable is not set.
std::wstring WideGetEnv(const std::wstring& name);

// The full path of a name relative to the current folder.
std::wstring WideExpandFileName(const std::wstring& fileName);

// One entry of a folder search.
struct TWideSearchRec {
    std::wstring Name;
    DWORD Attr = 0;
    int64_t Size = 0;
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
};
// 0 with the first entry matching Path, else the system's error code;
// WideFindClose ends a search that WideFindFirst started.
int WideFindFirst(const std::wstring& path, TWideSearchRec& rec);
int WideFindNext(TWideSearchRec& rec);
void WideFindClose(TWideSearchRec& rec);

// Splits Text at the first Separator: what comes before it is answered and
// removed from Text with the separator; without one the whole text.
std::string SplitAt(std::string& text, char separator);

// ---- The GUI thread ----

// Serves the GUI thread's pending messages and synchronised calls.
void ProcessMessages();
// Runs Method on the GUI thread and waits for it; there, at once.
void RunInMainThread(const std::function<void()>& method);

// ---- Binding entry points by name ----

// One entry point: its exported name and the function-pointer variable that
// receives its address.
struct TEntryPoint {
    const char* Name;
    void* Slot;
};

// Fills the variable at Slot with Name's address in Module. A missing name
// that is not Optional raises Exception "Load function <name>@<library> error:
// <system text>", leaving the variable null.
void BindFunction(HMODULE module, const std::wstring& libraryFileName, const char* name, bool optional, void* slot);
// Binds every entry point of the table, none optional; on a failure none
// stays bound.
void BindFunctions(HMODULE module, const std::wstring& libraryFileName, std::span<const TEntryPoint> entryPoints);
// Sets every variable of the table back to null.
void UnbindFunctions(std::span<const TEntryPoint> entryPoints);

// A library's entry points are variables named after them in namespace ff,
// typed from the library's own declarations; a header lists them once as
// X(name) and declares, defines and tabulates them with these.
#define TVM_DECLARE_ENTRY_POINT(name) extern decltype(&::name) name;
#define TVM_DEFINE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
#define TVM_ENTRY_POINT_ROW(name) TEntryPoint{#name, &ff::name},
// Declares a library's variables and its table Table, in the library's header.
#define TVM_DECLARE_ENTRY_POINTS(List, Table) \
    namespace ff {                            \
    List(TVM_DECLARE_ENTRY_POINT)             \
    }                                         \
    extern const std::span<const TEntryPoint> Table;
// Defines them, in the library's .cpp.
#define TVM_DEFINE_ENTRY_POINTS(List, Table)                        \
    namespace ff {                                                  \
    List(TVM_DEFINE_ENTRY_POINT)                                    \
    }                                                               \
    namespace {                                                     \
    const TEntryPoint Table##Rows[] = {List(TVM_ENTRY_POINT_ROW)};  \
    }                                                               \
    const std::span<const TEntryPoint> Table = Table##Rows;
