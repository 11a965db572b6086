#include <gtest/gtest.h>
#include <windows.h>

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
    DisableDirect3D9();
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
