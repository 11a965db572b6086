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

#ifdef _WIN64
// jmp [rip+0] and the stub's address after it: a relative jump reaches only
// 2 GiB, and d3d9.dll may lie farther from the program than that.
constexpr size_t JumpSize = 14;

void WriteJump(uint8_t* entry, void* target)
{
    const uint8_t jumpThroughNextQuad[] = {0xFF, 0x25, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(entry, jumpThroughNextQuad, sizeof jumpThroughNextQuad);
    auto address = reinterpret_cast<uint64_t>(target);
    std::memcpy(entry + sizeof jumpThroughNextQuad, &address, sizeof address);
}
#else
constexpr size_t JumpSize = 5;

void WriteJump(uint8_t* entry, void* target)
{
    auto displacement = static_cast<int32_t>(reinterpret_cast<uintptr_t>(target) -
                                             (reinterpret_cast<uintptr_t>(entry) + JumpSize));
    entry[0] = 0xE9;  // jmp rel32
    std::memcpy(entry + 1, &displacement, sizeof displacement);
}
#endif

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
    if (!VirtualProtect(entry, JumpSize, PAGE_EXECUTE_READWRITE, &oldProtection)) return;
    WriteJump(entry, reinterpret_cast<void*>(&Direct3DCreate9Stub));
    FlushInstructionCache(GetCurrentProcess(), entry, JumpSize);
}
