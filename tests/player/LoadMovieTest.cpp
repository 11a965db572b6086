// A movie's scripts load a sibling movie and a file of variables from the
// folder the movie was read from, a frame after they asked.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "InPlaceSite.h"
#include "MappedPlayer.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

enum Slot { PutMovie = 22, GetVariable = 66 };

std::wstring Variable(tvmtest::RawFlash& flash, const wchar_t* name)
{
    BSTR path = SysAllocString(name);
    BSTR value = nullptr;
    flash.Call(GetVariable, path, &value);
    std::wstring text = value ? value : L"";
    SysFreeString(value);
    SysFreeString(path);
    return text;
}

tvmtest::Bytes SlowMovie(const tvmtest::Bytes& actions)
{
    // At 1/256 frame per second no timer tick moves it on.
    tvmtest::SwfMovie movie;
    movie.frameCount = 1;
    movie.rateInteger = 0;
    movie.rateFraction = 1;
    movie.tags = tvmtest::SwfTags().DoAction(actions).ShowFrame().End().Take();
    return tvmtest::MakeSwf(movie);
}

TEST(LoadMovie, ScriptsLoadSiblingFilesFromTheMoviesFolder)
{
    using tvmtest::SwfActions;
    std::string folder = tvmtest::OutputDir();
    tvmtest::WriteFile(folder + "load_child.swf",
                       SlowMovie(SwfActions().Push({"_level0.fromChild", "yes"}).Op(0x1D).Take()));
    tvmtest::WriteFile(folder + "load_vars.txt", tvmtest::Bytes{'g', '=', 'h', 'i'});
    std::string host = folder + "load_host.swf";
    tvmtest::WriteFile(host, SlowMovie(SwfActions()
                                           .GetUrl("load_child.swf", "_level1")
                                           .GetUrl("load_missing.swf", "_level2")
                                           .Push({"load_vars.txt", "_level0"})
                                           .Op(0x9A, tvmtest::Bytes{0x80})
                                           .Take()));

    tvmtest::InPlaceSite site;
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->SetClientSite(&site), S_OK);
    {
        tvmtest::RawFlash flash(control);
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(host.begin(), host.end())), S_OK);
        RECT place = {0, 0, 100, 80};
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, &place), S_OK);
        HWND window = tvmtest::ControlWindow(control);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(Variable(flash, L"fromChild"), L"");
        SendMessageA(window, WM_USER + 1, 1, 0);
        EXPECT_EQ(Variable(flash, L"fromChild"), L"yes");
        EXPECT_EQ(Variable(flash, L"g"), L"hi");
        // The file that is not there fails alone; the movie plays on.
        SendMessageA(window, WM_USER + 1, 1, 0);
        EXPECT_EQ(Variable(flash, L"g"), L"hi");
        ASSERT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
    }
    control->SetClientSite(nullptr);
    control->Release();
}

}
