#include "FFmpegLibraries.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <mutex>
#include <string>

#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "SwResampleStubs.h"
#include "SwScaleStubs.h"

namespace {

struct Library {
    const char* Name;
    int Major;
    const std::span<const TEntryPoint>& EntryPoints;
};

// In the order of their dependencies.
const Library Libraries[] = {
    {"avutil", LIBAVUTIL_VERSION_MAJOR, AVUtilEntryPoints},
    {"swresample", LIBSWRESAMPLE_VERSION_MAJOR, SwResampleEntryPoints},
    {"avcodec", LIBAVCODEC_VERSION_MAJOR, AVCodecEntryPoints},
    {"avformat", LIBAVFORMAT_VERSION_MAJOR, AVFormatEntryPoints},
    {"swscale", LIBSWSCALE_VERSION_MAJOR, SwScaleEntryPoints},
};
constexpr size_t LibraryCount = std::size(Libraries);

// The sound thread and the window's thread (for video) load them, under the
// lock; both have let go of them by the time the module's detach frees them.
std::mutex loading;
std::array<HMODULE, LibraryCount> handles{};
enum class State { NotTried, Loaded, Failed };
State state = State::NotTried;

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {};
    std::string file(path, length);
    return file.substr(0, file.find_last_of('\\') + 1);
}

void Unbind(const Library& library)
{
    for (const TEntryPoint& entry : library.EntryPoints) std::memset(entry.Slot, 0, sizeof(FARPROC));
}

bool Bind(HMODULE module, const Library& library)
{
    for (const TEntryPoint& entry : library.EntryPoints) {
        FARPROC address = GetProcAddress(module, entry.Name);
        if (!address) {
            OutputDebugStringA(("player: " + std::string(library.Name) + " lacks " + entry.Name + "\n").c_str());
            Unbind(library);
            return false;
        }
        std::memcpy(entry.Slot, &address, sizeof(address));
    }
    return true;
}

void ReleaseAll()
{
    for (size_t i = LibraryCount; i-- > 0;) {
        Unbind(Libraries[i]);
        if (handles[i])
            FreeLibrary(handles[i]);
        handles[i] = nullptr;
    }
}

bool LoadAll()
{
    std::string folder = ProgramFolder();
    if (folder.empty())
        return false;
    folder += "libav\\";
    for (size_t i = 0; i < LibraryCount; ++i) {
        std::string path = folder + Libraries[i].Name + "-" + std::to_string(Libraries[i].Major) + ".dll";
        // The library's own dependencies are looked for beside it.
        handles[i] = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!handles[i]) {
            OutputDebugStringA(("player: cannot load " + path + "\n").c_str());
            return false;
        }
        if (!Bind(handles[i], Libraries[i]))
            return false;
    }
    return true;
}

}

bool LoadFFmpegLibraries()
{
    std::lock_guard lock(loading);
    if (state == State::NotTried) {
        state = LoadAll() ? State::Loaded : State::Failed;
        if (state == State::Failed)
            ReleaseAll();
    }
    return state == State::Loaded;
}

void FreeFFmpegLibraries()
{
    std::lock_guard lock(loading);
    ReleaseAll();
    state = State::NotTried;
}
