#pragma once
// Video-hook plug-ins: libraries exporting "Configure", "Process" and
// "Release" (C calling convention) that may change each decoded picture.
// A plug-in file is loaded once per process and stays loaded; each hook
// added from it has a context of its own.
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
typedef int (*TFrameHookConfigure)(void** context, int argc, char* argv[]);
typedef void (*TFrameHookProcess)(void* context, void* picture, int pixelFormat, int width, int height, int64_t pts);
typedef void (*TFrameHookRelease)(void* context);
}

struct TFrameHookEntry {
    TFrameHookConfigure Configure = nullptr;
    TFrameHookProcess Process = nullptr;
    TFrameHookRelease Release = nullptr;  // may be missing
    void* Context = nullptr;
};

using TFrameHookList = std::vector<TFrameHookEntry>;

// Args[0] is the plug-in's file name, the rest its arguments. 0, or a
// negative code with the reason logged: -2 without arguments or without a
// needed entry point, -1 when the library does not load, -22 when Configure
// refuses.
int AddFrameHook(TFrameHookList& list, const std::vector<std::string>& args);
// Picture: the planes and line sizes of an AVFrame (its data and linesize).
void ProcessFrameHooks(const TFrameHookList& list, void* picture, int pixelFormat, int width, int height, int64_t pts);
// Releases every hook's context and empties List.
void ReleaseFrameHooks(TFrameHookList& list);
