// In-place activation as the host does it: DoVerb(-5) under the site's
// window on every resize, the frame step by WM_USER + 1, Close and again.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "InPlaceSite.h"
#include "MappedPlayer.h"
#include "PlayerBindings.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

enum Slot { PutMovie = 22, CurrentFrame = 35, PutWMode = 41 };

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

using tvmtest::ControlWindow;

TEST(InPlace, ActivatesUnderTheSiteStepsByOneFrameAndClosesToActivateAgain)
{
    tvmtest::InPlaceSite site;
    ASSERT_NE(site.Window, nullptr);
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->SetClientSite(&site), S_OK);
    HWND window = nullptr;
    {
        // Five frames at 1/256 frame per second: no timer tick moves them.
        tvmtest::SwfMovie movie;
        movie.frameCount = 5;
        movie.rateInteger = 0;
        movie.rateFraction = 1;
        std::string path = tvmtest::OutputDir() + "in_place.swf";
        tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
        tvmtest::RawFlash flash(control);
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);

        RECT place = {10, 20, 110, 95};
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, &place), S_OK);
        EXPECT_EQ(site.Activations, 1);
        EXPECT_EQ(site.FrameInfoSize, sizeof(OLEINPLACEFRAMEINFO));
        window = ControlWindow(control);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(GetParent(window), site.Window);
        EXPECT_EQ(ClientSize(window).cx, 100);
        EXPECT_EQ(ClientSize(window).cy, 75);
        EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0) << "the host's subclassing owns the user data";

        ASSERT_EQ(flash.PutString(PutWMode, L"Direct"), S_OK);
        for (long expected : {1L, 2L}) {
            EXPECT_EQ(SendMessageA(window, WM_USER + 1, 1, 0), 0);
            EXPECT_EQ(flash.GetLong(CurrentFrame), expected);
        }
        SIZE blit = LastBlitSize();
        EXPECT_EQ(blit.cx, 100) << "each step reaches the window as one full-frame BitBlt";
        EXPECT_EQ(blit.cy, 75);
        SendMessageA(window, WM_USER + 1, 2, 0);
        EXPECT_EQ(flash.GetLong(CurrentFrame), 2) << "only wParam 1 and 3 step";
        SendMessageA(window, WM_USER + 1, 3, 0);
        EXPECT_EQ(flash.GetLong(CurrentFrame), 3) << "a step the host draws itself";

        // Keys and mnemonics are offered; the stage takes none.
        IOleInPlaceActiveObject* active = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active)), S_OK);
        MSG key = {window, WM_KEYDOWN, 'A', 0, 0, {0, 0}};
        EXPECT_EQ(active->TranslateAccelerator(&key), S_FALSE);
        HWND activeWindow = nullptr;
        EXPECT_EQ(active->GetWindow(&activeWindow), S_OK);
        EXPECT_EQ(activeWindow, window);
        active->Release();
        // The host asks with a size of 16, as 32-bit code has it: nothing past it is written.
        IOleControl* oleControl = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&oleControl)), S_OK);
        unsigned char info[sizeof(CONTROLINFO) + 8];
        memset(info, 0xCD, sizeof(info));
        reinterpret_cast<CONTROLINFO*>(info)->cb = 16;
        EXPECT_EQ(oleControl->GetControlInfo(reinterpret_cast<CONTROLINFO*>(info)), S_OK);
        EXPECT_EQ(reinterpret_cast<CONTROLINFO*>(info)->hAccel, nullptr) << "no accelerators";
        for (size_t i = 16; i < sizeof(info); ++i) EXPECT_EQ(info[i], 0xCD) << "byte " << i;
        oleControl->Release();

        // A resize is another DoVerb: the same window moves.
        RECT smaller = {0, 0, 50, 40};
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, &smaller), S_OK);
        EXPECT_EQ(ControlWindow(control), window);
        EXPECT_EQ(ClientSize(window).cx, 50);
        EXPECT_EQ(site.Activations, 1);

        // Any other mode paints the step through the window's own paint.
        ASSERT_EQ(flash.PutString(PutWMode, L"window"), S_OK);
        EXPECT_EQ(SendMessageA(window, WM_USER + 1, 1, 0), 0);
        EXPECT_EQ(flash.GetLong(CurrentFrame), 4);
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE)) << "painted before the step answered";
        EXPECT_EQ(LastBlitSize().cx, 100) << "no BitBlt outside direct mode";

        ASSERT_EQ(control->Close(OLECLOSE_NOSAVE), S_OK);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(site.Deactivations, 1);
        EXPECT_EQ(ControlWindow(control), nullptr);

        // Without a position the site's own is taken.
        ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, nullptr), S_OK);
        window = ControlWindow(control);
        ASSERT_TRUE(IsWindow(window));
        EXPECT_EQ(ClientSize(window).cx, 60);
        EXPECT_EQ(site.Activations, 2);
    }
    EXPECT_EQ(control->SetClientSite(nullptr), S_OK);
    control->Release();
    EXPECT_FALSE(IsWindow(window)) << "the control's window goes with it";
}

}
