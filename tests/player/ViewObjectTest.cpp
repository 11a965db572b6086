// The control's frame drawn into a memory DC with a DIB section, the way the
// host grabs frames, without any window.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "DibCanvas.h"
#include "MappedPlayer.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

enum Slot { PutBackgroundColor = 18, PutMovie = 22, PutWMode = 41 };

TEST(ViewObject, DrawsTheMoviesBackgroundOrTheHostsIntoTheBounds)
{
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    IViewObject* view = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)), S_OK);
    {
        tvmtest::RawFlash flash(control);
        tvmtest::SwfMovie movie;
        movie.tags = tvmtest::SwfTags().Background(0x336699).ShowFrame().End().Take();
        std::string path = tvmtest::OutputDir() + "view_object.swf";
        tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);

        tvmtest::DibCanvas canvas(64, 48);
        RECTL bounds = {8, 4, 40, 28};
        auto draw = [&] {
            return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0);
        };
        ASSERT_EQ(draw(), S_OK);
        EXPECT_EQ(canvas.Pixel(8, 4) & 0xFFFFFF, 0x336699u);
        EXPECT_EQ(canvas.Pixel(39, 27) & 0xFFFFFF, 0x336699u);
        EXPECT_EQ(canvas.Pixel(40, 28), 0xDEADBEEFu) << "nothing outside the bounds";
        EXPECT_EQ(canvas.Pixel(7, 4), 0xDEADBEEFu);

        EXPECT_EQ(flash.Call(PutBackgroundColor, 0x00FF00L), S_OK);
        ASSERT_EQ(draw(), S_OK);
        EXPECT_EQ(canvas.Pixel(20, 10) & 0xFFFFFF, 0x00FF00u);
        EXPECT_EQ(flash.Call(PutBackgroundColor, -1L), S_OK);
        ASSERT_EQ(draw(), S_OK);
        EXPECT_EQ(canvas.Pixel(20, 10) & 0xFFFFFF, 0x336699u) << "-1 is the movie's own again";

        EXPECT_EQ(flash.PutString(PutWMode, L"Transparent"), S_OK);
        ASSERT_EQ(draw(), S_OK);
        EXPECT_EQ(canvas.Pixel(20, 10) & 0xFFFFFF, 0x336699u) << "no background in transparent mode: what lay below stays";

        EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, nullptr, &bounds, nullptr, nullptr, 0),
                  E_INVALIDARG);
    }
    view->Release();
    control->Release();
}

}
