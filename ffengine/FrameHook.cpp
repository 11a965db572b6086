#include "FrameHook.h"

#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include "Threads.h"

#include <windows.h>

#include <map>

namespace {

// The plug-ins loaded so far, by file name; never freed before the program ends.
std::map<std::string, HMODULE>& PluginCache()
{
    static std::map<std::string, HMODULE> cache;
    return cache;
}

TCriticalSection& PluginLock()
{
    static TCriticalSection lock;
    return lock;
}

void HookError(const std::string& message)
{
    ff::av_log(nullptr, AV_LOG_ERROR, "%s\n", message.c_str());
}

// Makes the plug-in's folder current and puts it on PATH while it loads, so
// that the libraries it needs beside it are found; restores the folder.
class TPluginFolder {
public:
    explicit TPluginFolder(const std::string& fileName)
    {
        size_t slash = fileName.find_last_of("\\/");
        if (slash == std::string::npos) return;
        std::string folder = fileName.substr(0, slash);
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        previous_ = current;
        SetCurrentDirectoryA(folder.c_str());
        std::string path = UpperCase(GetEnvironmentString("PATH"));
        if (path.find(UpperCase(folder)) == std::string::npos)
            SetEnvironmentVariableA("PATH", (folder + ";" + path).c_str());
    }
    ~TPluginFolder()
    {
        if (!previous_.empty()) SetCurrentDirectoryA(previous_.c_str());
    }

private:
    static std::string GetEnvironmentString(const char* name)
    {
        DWORD size = GetEnvironmentVariableA(name, nullptr, 0);
        std::string value(size, '\0');
        value.resize(GetEnvironmentVariableA(name, value.data(), size));
        return value;
    }

    std::string previous_;
};

}

int AddFrameHook(TFrameHookList& list, const std::vector<std::string>& args)
{
    if (args.empty()) return -2;
    const std::string& fileName = args[0];
    HMODULE module = nullptr;
    {
        TCriticalSectionGuard guard(PluginLock());
        auto cached = PluginCache().find(fileName);
        if (cached != PluginCache().end()) {
            module = cached->second;
        } else {
            TPluginFolder folder(fileName);
            module = LoadLibraryExA(fileName.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
            if (!module) {
                HookError(SysErrorMessage(GetLastError()));
                return -1;
            }
            PluginCache()[fileName] = module;
        }
    }
    TFrameHookEntry entry;
    entry.Configure = reinterpret_cast<TFrameHookConfigure>(reinterpret_cast<void*>(GetProcAddress(module, "Configure")));
    entry.Process = reinterpret_cast<TFrameHookProcess>(reinterpret_cast<void*>(GetProcAddress(module, "Process")));
    entry.Release = reinterpret_cast<TFrameHookRelease>(reinterpret_cast<void*>(GetProcAddress(module, "Release")));
    if (!entry.Process) {
        HookError(Format("Failed to find Process entrypoint in %s", fileName));
        return -2;
    }
    if (!entry.Configure && args.size() > 1) {
        HookError(Format("Failed to find Configure entrypoint in %s", fileName));
        return -2;
    }
    if (entry.Configure) {
        std::vector<std::string> copies = args;
        std::vector<char*> argv;
        for (std::string& arg : copies) argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (entry.Configure(&entry.Context, static_cast<int>(args.size()), argv.data()) != 0) {
            HookError(Format("Failed to Configure %s", fileName));
            return -22;
        }
    }
    list.push_back(entry);
    return 0;
}

void ProcessFrameHooks(const TFrameHookList& list, void* picture, int pixelFormat, int width, int height, int64_t pts)
{
    for (const TFrameHookEntry& entry : list) entry.Process(entry.Context, picture, pixelFormat, width, height, pts);
}

void ReleaseFrameHooks(TFrameHookList& list)
{
    for (const TFrameHookEntry& entry : list)
        if (entry.Release) entry.Release(entry.Context);
    list.clear();
}
