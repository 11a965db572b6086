// The main window unit's start: which player module the whole process uses.
#include <gtest/gtest.h>
#include <windows.h>

#include "FastIni.h"
#include "PlayerLoader.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "smain.h"
#include "svar.h"

namespace {

// tvmpro.exe carries the stored player module in its resources.
HINSTANCE ProgramResources()
{
    static HMODULE program = LoadLibraryExA((tvmtest::BinDir() + "tvmpro.exe").c_str(), nullptr,
                                            LOAD_LIBRARY_AS_DATAFILE);
    return program;
}

void WriteSource(const char* value)
{
    DeleteFile(TAppIniFile::GetIniFileName());
    if (!value) return;
    TAppIniFile ini;
    ini.WriteString("FlashPlayer", "Source", value);
}

}

TEST(MainUnit, EmptySourceBecomesInternalAndLoadsTheStoredPlayer)
{
    WriteSource(nullptr);
    ASSERT_NE(ProgramResources(), nullptr);
    InitializeMainWindowUnit(ProgramResources());
    EXPECT_EQ(FlashPlayerSource, "internal");
    EXPECT_EQ(TAppIniFile().ReadString("FlashPlayer", "Source", ""), "internal");
    EXPECT_EQ(PlayerCodeProvider().GetVersion() >> 24, 11u);
}

TEST(MainUnit, AnIniFileThatCannotBeWrittenDoesNotStopTheStart)
{
    WriteSource("");
    // Held open by another reader that shares no writing: the file reads,
    // but cannot be written (whatever rights the test runs with).
    HANDLE reader = CreateFileA(TAppIniFile::GetIniFileName().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_NO_THROW(InitializeMainWindowUnit(ProgramResources()));
    EXPECT_EQ(FlashPlayerSource, "internal");
    EXPECT_EQ(TAppIniFile().ReadString("FlashPlayer", "Source", "unread"), "");
    CloseHandle(reader);
    EXPECT_EQ(PlayerCodeProvider().GetVersion() >> 24, 11u);
}

// Run alone (see CMakeLists): the process must not have loaded a player yet.
TEST(MainUnitOtherSource, OtherCaseUsesTheRegisteredPlayer)
{
    WriteSource("Internal");
    InitializeMainWindowUnit(ProgramResources());
    EXPECT_EQ(FlashPlayerSource, "Internal");
    // No player is registered in the test prefix.
    EXPECT_EQ(PlayerCodeProvider().GetVersion(), 0u);
}
