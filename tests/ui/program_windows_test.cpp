// The program's windows as a whole: made in their order, and freed before
// the player code their player controls run on.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "PlayerLoader.h"
#include "ProgramWindows.h"
#include "Streams.h"
#include "TestSupport.h"
#include "sadd.h"
#include "sconvert.h"
#include "scrop.h"
#include "smain.h"
#include "spreset.h"
#include "spresetedit.h"
#include "sselect.h"
#include "ssettings.h"

namespace {

// The test module reports its detach through this variable.
bool PlayerCodeDetached()
{
    return GetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr, 0) > 0;
}

}

TEST(ProgramWindows, AreMadeInTheirOrderWithTheMainWindowFirst)
{
    CreateProgramWindows();
    const std::vector<TComponent*> windows = {frmMain, frmSettings, frmConvert, frmSelect,
                                              frmAdd,  frmCrop,     frmPreset,  frmPresetEdit};
    const std::vector<std::string> classes = {"TfrmMain", "TfrmSettings", "TfrmConvert", "TfrmSelect",
                                              "TfrmAdd",  "TfrmCrop",     "TfrmPreset",  "TfrmPresetEdit"};
    ASSERT_EQ(Application->ComponentCount(), int(windows.size()));
    for (int i = 0; i < Application->ComponentCount(); ++i) {
        EXPECT_EQ(Application->Components(i), windows[size_t(i)]) << i;
        EXPECT_EQ(Application->Components(i)->ClassName(), classes[size_t(i)]);
    }
    EXPECT_EQ(Application->MainForm(), frmMain);
    DestroyProgramWindows();
}

TEST(ProgramWindows, GoBeforeThePlayerCodeTheyRunOn)
{
    {
        TFileStream module(tvmtest::TestsDir() + "loadertestmodule.dll", fmOpenRead);
        LoadPlayerCodeFromStream(module);
    }
    SetEnvironmentVariableA("TESTMODULE_DETACHED", nullptr);
    CreateProgramWindows();
    std::vector<bool> detachedWhenDestroyed;
    for (int i = 0; i < Application->ComponentCount(); ++i)
        static_cast<TForm*>(Application->Components(i))->OnDestroy = [&](TObject*) {
            detachedWhenDestroyed.push_back(PlayerCodeDetached());
        };

    DestroyProgramWindows();
    EXPECT_EQ(detachedWhenDestroyed, std::vector<bool>(8, false));
    EXPECT_TRUE(PlayerCodeDetached());
    EXPECT_EQ(Application->ComponentCount(), 0);
    EXPECT_EQ(Application->MainForm(), nullptr);
}
