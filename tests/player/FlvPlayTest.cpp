// The program's FLV-player movie, as tvmpro.exe carries it, plays an FLV and
// an F4V file that Debian's ffmpeg wrote: the host hears that it is ready,
// where the playhead is, where a seek went and that it is complete, and the
// frames drawn are the pattern's, up to its last.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "DibCanvas.h"
#include "InPlaceSite.h"
#include "MappedPlayer.h"
#include "Psnr.h"
#include "TestSupport.h"

namespace {

enum Slot { PutMovie = 22, SetVariable = 65 };
const IID EventsIid = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr DISPID FsCommandEvent = 150;
constexpr int Width = 160, Height = 120, Rate = 10;
constexpr size_t FrameBytes = size_t{Width} * Height * 3;

// Keeps each FSCommand as (command, args).
class FsCommandSink : public IDispatch {
public:
    std::vector<std::pair<std::string, std::string>> Commands;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch))
            return *object = nullptr, E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    // Lives on the test's stack: references are not counted.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        // Arguments come last first: args, then the command.
        if (id == FsCommandEvent && parameters->cArgs == 2)
            Commands.emplace_back(Narrow(parameters->rgvarg[1].bstrVal), Narrow(parameters->rgvarg[0].bstrVal));
        return S_OK;
    }

    // The playheads reported, in seconds.
    std::vector<double> Playheads(size_t from = 0) const
    {
        std::vector<double> seconds;
        for (size_t i = from; i < Commands.size(); ++i)
            if (Commands[i].first == "kvn_flvmsg_playheadupdate")
                seconds.push_back(std::stod(Commands[i].second));
        return seconds;
    }
    bool Has(const std::string& command) const
    {
        return std::any_of(Commands.begin(), Commands.end(), [&](const auto& c) { return c.first == command; });
    }

private:
    static std::string Narrow(BSTR text)
    {
        std::string narrow;
        for (UINT i = 0; text && i < SysStringLen(text); ++i) narrow += static_cast<char>(text[i]);
        return narrow;
    }
};

void Set(tvmtest::RawFlash& flash, const wchar_t* name, const wchar_t* value)
{
    BSTR n = SysAllocString(name), v = SysAllocString(value);
    EXPECT_EQ(flash.Call(SetVariable, n, v), S_OK);
    SysFreeString(v);
    SysFreeString(n);
}

// How near the control's picture, drawn at the test's size, is to the
// pattern's frame at pixels.
double DrawnPsnr(IViewObject* view, const uint8_t* pixels)
{
    tvmtest::DibCanvas canvas(Width, Height);
    RECTL bounds{0, 0, Width, Height};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, canvas.Dc(), &bounds, nullptr, nullptr, 0),
              S_OK);
    return tvmtest::Psnr(canvas.Pixels(), pixels);
}

// The picture goes from 160x120 to the movie's 640x480 stage and back to
// 160x120 through smoothed scaling: the FLV's H.263 drew 22.1 dB from the
// pattern, the F4V's H.264 27.4 dB.
struct Case {
    const char* File;
    double Least;  // dB against the pattern
};

TEST(FlvPlay, TheProgramsFlvPlayerMoviePlaysFlvAndF4vFiles)
{
    std::vector<uint8_t> movie = tvmtest::ProgramResource("KVNResources", "FLVPLAYER");
    ASSERT_GE(movie.size(), 8u) << "the program carries the FLV-player movie";
    EXPECT_EQ(std::string(movie.begin(), movie.begin() + 3), "CWS") << "zlib-compressed";
    std::string player = tvmtest::OutputDir() + "flvplayer.swf";
    tvmtest::WriteFile(player, movie);
    tvmtest::Bytes pattern = tvmtest::ReadFile(tvmtest::OutputDir() + "player_flv_pattern.rgb");
    ASSERT_EQ(pattern.size(), FrameBytes * 10 * Rate);

    for (const Case& c : {Case{"player_flv_10s.flv", 20}, Case{"player_flv_10s.f4v", 25}}) {
        SCOPED_TRACE(c.File);
        IOleObject* control = tvmtest::NewPlayerControl();
        ASSERT_NE(control, nullptr);
        IConnectionPointContainer* container = nullptr;
        IConnectionPoint* point = nullptr;
        IViewObject* view = nullptr;
        ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
        ASSERT_EQ(container->FindConnectionPoint(EventsIid, &point), S_OK);
        ASSERT_EQ(control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view)), S_OK);
        FsCommandSink sink;
        DWORD cookie = 0;
        ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
        tvmtest::InPlaceSite site;
        ASSERT_EQ(control->SetClientSite(&site), S_OK);
        double psnr = 0, last = 0, beforeLast = 0;
        size_t sought = 0;
        {
            tvmtest::RawFlash flash(control);
            std::string url = player + "?url=" + tvmtest::OutputDir() + c.File;
            ASSERT_EQ(flash.PutString(PutMovie, std::wstring(url.begin(), url.end())), S_OK);
            ASSERT_EQ(control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &site, 0, site.Window, nullptr), S_OK);
            HWND window = tvmtest::ControlWindow(control);
            for (int waited = 0; waited < 40000 && !sink.Has("kvn_flvmsg_complete"); waited += 20) {
                tvmtest::Pump(20);
                std::vector<double> playheads = sink.Playheads();
                if (psnr == 0 && !playheads.empty() && playheads.back() > 1) {
                    // One frame on, then drawn: the picture of the playhead it reported.
                    SendMessageA(window, WM_USER + 1, 1, 0);
                    double at = sink.Playheads().back();
                    auto frame = static_cast<size_t>(std::floor(at * Rate + 1e-6));
                    psnr = DrawnPsnr(view, pattern.data() + FrameBytes * frame);
                }
                if (sought == 0 && !playheads.empty() && playheads.back() > 2) {
                    Set(flash, L"time", L"5");
                    Set(flash, L"cmdw", L"kvn_cmd_seektime");
                    sought = sink.Commands.size();
                }
            }
            // At the end the file's last picture shows, which a codec that
            // reorders its pictures gives up only once told no more come.
            SendMessageA(window, WM_USER + 1, 1, 0);
            size_t frames = pattern.size() / FrameBytes;
            last = DrawnPsnr(view, pattern.data() + FrameBytes * (frames - 1));
            beforeLast = DrawnPsnr(view, pattern.data() + FrameBytes * (frames - 2));
            control->Close(OLECLOSE_NOSAVE);
        }
        control->SetClientSite(nullptr);
        point->Unadvise(cookie);
        point->Release();
        container->Release();
        view->Release();
        control->Release();

        const auto& commands = sink.Commands;
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(commands[0].first, "kvn_flvmsg_ready");
        EXPECT_EQ(commands[1].first, "kvn_flvmsg_progress");
        EXPECT_EQ(commands.back().first, "kvn_flvmsg_complete");
        EXPECT_EQ(sink.Playheads().size(), commands.size() - 3) << "only the playhead in between";
        ASSERT_GT(sought, 0u) << "the playhead passed 2 s";
        std::vector<double> before = sink.Playheads(), after = sink.Playheads(sought);
        before.resize(before.size() - after.size());
        ASSERT_FALSE(after.empty());
        EXPECT_NEAR(after.front(), 5, 0.3) << "the first playhead after the seek";
        EXPECT_TRUE(std::is_sorted(before.begin(), before.end()));
        EXPECT_TRUE(std::is_sorted(after.begin(), after.end()));
        EXPECT_NEAR(after.back(), 10, 0.3) << "complete comes at the end";
        EXPECT_GE(psnr, c.Least);
        EXPECT_GE(last, c.Least) << "the last picture at the end";
        EXPECT_GT(last, beforeLast) << "the last picture, not one before it";
    }
}

}
