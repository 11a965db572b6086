#include "Direct3D9Switch.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

// Same signature as Direct3DCreate9 (stdcall, one 32-bit argument).
void* WINAPI Direct3DCreate9Stub(UINT /*sdkVersion*/)
{
    return nullptr;
}

constexpr size_t kJumpSize = 5;

}

void DisableDirect3D9()
{
    HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    if (!d3d9) return;
    auto* entry = reinterpret_cast<uint8_t*>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
    if (!entry) return;

    // The library stays loaded and the page stays writable: the patch must
    // outlive every later caller in the process.
    DWORD oldProtection = 0;
    if (!VirtualProtect(entry, kJumpSize, PAGE_EXECUTE_READWRITE, &oldProtection)) return;

    auto target = reinterpret_cast<uintptr_t>(&Direct3DCreate9Stub);
    auto displacement = static_cast<int32_t>(target - (reinterpret_cast<uintptr_t>(entry) + kJumpSize));
    entry[0] = 0xE9;  // jmp rel32
    std::memcpy(entry + 1, &displacement, sizeof displacement);
    FlushInstructionCache(GetCurrentProcess(), entry, kJumpSize);
}
