#include <gtest/gtest.h>
#include <windows.h>
#include <unknwn.h>

#include "Direct3D9Switch.h"

namespace {

using Direct3DCreate9Fn = void*(WINAPI*)(UINT);

Direct3DCreate9Fn Direct3DCreate9Entry()
{
    HMODULE d3d9 = LoadLibraryA("d3d9.dll");
    if (!d3d9) return nullptr;
    return reinterpret_cast<Direct3DCreate9Fn>(reinterpret_cast<void*>(GetProcAddress(d3d9, "Direct3DCreate9")));
}

}

TEST(Direct3D9Switch, CreateAnswersNullAfterwards)
{
    auto create = Direct3DCreate9Entry();
    ASSERT_NE(create, nullptr) << "this test needs d3d9.dll";
    // Without this baseline a patch that does nothing would pass wherever
    // the call fails anyway.
    auto* direct3d = static_cast<IUnknown*>(create(32));
    ASSERT_NE(direct3d, nullptr) << "Direct3DCreate9 fails before the patch";
    direct3d->Release();

    DisableDirect3D9();
    // The entry now starts with the jump: jmp rel32, or on x64 jmp [rip+0].
    auto* entry = reinterpret_cast<const unsigned char*>(create);
#ifdef _WIN64
    EXPECT_TRUE(entry[0] == 0xFF && entry[1] == 0x25);
#else
    EXPECT_EQ(entry[0], 0xE9);
#endif
    EXPECT_EQ(create(32), nullptr);
    // Patching twice must stay harmless: the jump is simply written again.
    DisableDirect3D9();
    EXPECT_EQ(create(32), nullptr);
}

TEST(Direct3D9Switch, WithoutLibraryChangesNothing)
{
    ASSERT_EQ(Direct3DCreate9Entry(), nullptr) << "this test runs with d3d9.dll disabled";
    DisableDirect3D9();
    SUCCEED();
}
