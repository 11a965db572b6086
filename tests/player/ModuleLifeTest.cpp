// The module mapped, attached and detached twice in one process while its
// sound thread runs and its window stands: the detach must end both, or the
// thread would run on in code that is no longer mapped.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "MappedPlayer.h"
#include "PlayerBindings.h"
#include "PlayerLoader.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

const int PutMovie = 22;
LONG opens = 0;
LONG closes = 0;

void CountOpen(LPHWAVEOUT, UINT, LPCWAVEFORMATEX)
{
    InterlockedIncrement(&opens);
}

void CountClose(HWAVEOUT)
{
    InterlockedIncrement(&closes);
}

TEST(ModuleLife, DetachEndsTheSoundThreadOfMoviesLeftLoaded)
{
    std::string program = tvmtest::BinDir() + "tvmpro.exe";
    HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << program;
    std::string path = tvmtest::OutputDir() + "module_life.swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(tvmtest::SwfMovie()));
    SetWaveOutOpenHandlers(CountOpen, nullptr);
    SetWaveOutCloseHandlers(CountClose, nullptr);
    for (LONG round = 1; round <= 2; ++round) {
        // Mapping anew detaches the image of the round before.
        LoadPlayerCodeFromResource(image);
        EXPECT_EQ(closes, round - 1);
        void* object = nullptr;
        ASSERT_EQ(PlayerCodeProvider().CreateInstance(IID_IOleObject, &object), S_OK);
        tvmtest::RawFlash flash(static_cast<IUnknown*>(object));
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);
        for (int waited = 0; waited < 5000 && opens < round; waited += 10) Sleep(10);
        ASSERT_EQ(opens, round) << "the sound thread runs";
        // The control is left behind with its movie: only the detach can end the thread.
    }
    LoadPlayerCodeFromResource(image);
    EXPECT_EQ(closes, 2);
    SetWaveOutOpenHandlers(nullptr, nullptr);
    SetWaveOutCloseHandlers(nullptr, nullptr);
    FreeLibrary(image);
}

}
