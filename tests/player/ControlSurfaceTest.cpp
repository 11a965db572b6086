// The control's scripting interface as the host drives it: every call goes by
// position through the control mapped from the program's resources.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "ContentManager.h"
#include "MappedPlayer.h"
#include "PlayerVersion.h"
#include "SwfFixtures.h"
#include "TestSupport.h"
#include "flashhost/FakeHostControl.h"

namespace {

using tvmtest::RawFlash;

// Positions in the table, IUnknown and IDispatch included.
enum Slot {
    ReadyState = 7, TotalFrames = 8, GetPlaying = 9, PutPlaying = 10, GetBackgroundColor = 17,
    PutBackgroundColor = 18, GetLoop = 19, PutLoop = 20, GetMovie = 21, PutMovie = 22, GetFrameNum = 23,
    PutFrameNum = 24, Play = 28, Stop = 29, Back = 30, Forward = 31, Rewind = 32, GotoFrame = 34,
    CurrentFrame = 35, IsPlaying = 36, PercentLoaded = 37, FrameLoaded = 38, FlashVersion = 39, LoadMovie = 58,
    TGotoLabel = 60, TCurrentLabel = 62, SetVariable = 65, GetVariable = 66, TGetPropertyNum = 72,
    GetFlashVars = 76, PutFlashVars = 77, GetIsDependent = 102, PutIsDependent = 103,
};

class ControlSurface : public testing::Test {
protected:
    void SetUp() override
    {
        control_ = tvmtest::NewPlayerControl();
        ASSERT_NE(control_, nullptr);
        flash_ = std::make_unique<RawFlash>(control_);
        ASSERT_TRUE(flash_->Valid());
    }
    void TearDown() override
    {
        flash_.reset();
        if (control_)
            control_->Release();
    }

    // A movie written for the test, loaded through Movie.
    void LoadFile(const tvmtest::Bytes& movie, const std::string& suffix = "")
    {
        std::string path = tvmtest::OutputDir() + "control_surface.swf";
        tvmtest::WriteFile(path, movie);
        ASSERT_EQ(flash_->PutString(PutMovie, std::wstring(path.begin(), path.end()) + Wide(suffix)), S_OK);
    }
    static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }

    // A root variable's value, or "<none>".
    std::wstring Variable(const wchar_t* name)
    {
        BSTR wanted = SysAllocString(name);
        BSTR value = nullptr;
        HRESULT result = Flash().Call(GetVariable, wanted, &value);
        std::wstring text = SUCCEEDED(result) && value ? std::wstring(value, SysStringLen(value)) : L"<none>";
        SysFreeString(value);
        SysFreeString(wanted);
        return text;
    }

    RawFlash& Flash() { return *flash_; }

    IOleObject* control_ = nullptr;
    std::unique_ptr<RawFlash> flash_;
};

// Five labelled frames at 12 frames per second.
tvmtest::Bytes FiveFrames(const char* kind = "FWS")
{
    tvmtest::SwfMovie movie;
    // Version 6: its variables' names ignore case, as the tests read them.
    movie.version = 6;
    movie.frameCount = 5;
    movie.rateInteger = 12;
    movie.tags = tvmtest::SwfTags()
                     .Background(0x102030)
                     .ShowFrame()
                     .Label("middle")
                     .ShowFrame()
                     .ShowFrame()
                     .ShowFrame()
                     .Label("end")
                     .ShowFrame()
                     .End()
                     .Take();
    return tvmtest::MakeSwf(movie, kind);
}

TEST_F(ControlSurface, TheFirstAndLastSlotsAnswer)
{
    EXPECT_EQ(Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(Flash().GetLong(FlashVersion), PlayerFlashVersion());
    EXPECT_EQ(Flash().GetLong(FlashVersion) >> 16 & 0xFF, 11);
    VARIANT_BOOL dependent = 0;
    EXPECT_EQ(Flash().Call(PutIsDependent, VARIANT_BOOL(1)), S_OK);
    EXPECT_EQ(Flash().Call(GetIsDependent, &dependent), S_OK);
    EXPECT_EQ(dependent, 1) << "the 16-bit value comes back as written";
}

TEST_F(ControlSurface, StringPropertiesEchoWhatWasWritten)
{
    // Every string property's get and put positions of layout 11.
    const int pairs[][2] = {{40, 41}, {42, 43}, {46, 47}, {48, 49}, {54, 55},  {56, 57},  {74, 75},  {76, 77},
                            {78, 79}, {80, 81}, {89, 90}, {96, 97}, {98, 99}, {100, 101}, {GetMovie, PutMovie}};
    for (const auto& pair : pairs) {
        EXPECT_EQ(Flash().GetString(pair[0]), L"") << pair[0];
        for (const wchar_t* value : {L" ", L"some value", L""}) {
            ASSERT_EQ(Flash().PutString(pair[1], value), S_OK) << pair[1];
            EXPECT_EQ(Flash().GetString(pair[0]), value) << pair[0];
        }
    }
    BSTR none = nullptr;
    EXPECT_EQ(Flash().Call(GetMovie, static_cast<BSTR*>(nullptr)), E_POINTER);
    EXPECT_EQ(Flash().Call(PutMovie, none), S_OK) << "a null BSTR is an empty string";
}

TEST_F(ControlSurface, NumberAndSwitchPropertiesEchoWhatWasWritten)
{
    const int numbers[][2] = {{11, 12}, {13, 14}, {15, 16}, {GetBackgroundColor, PutBackgroundColor}, {91, 92}};
    for (const auto& pair : numbers) {
        EXPECT_EQ(Flash().Call(pair[1], 0x123456L), S_OK);
        EXPECT_EQ(Flash().GetLong(pair[0]), 0x123456) << pair[0];
    }
    const int switches[][2] = {{44, 45}, {50, 51}, {52, 53}, {84, 85}, {87, 88}, {GetLoop, PutLoop}};
    for (const auto& pair : switches)
        for (VARIANT_BOOL value : {VARIANT_FALSE, VARIANT_TRUE}) {
            VARIANT_BOOL read = 7;
            EXPECT_EQ(Flash().Call(pair[1], value), S_OK);
            EXPECT_EQ(Flash().Call(pair[0], &read), S_OK);
            EXPECT_EQ(read, value) << pair[0];
        }
}

class EveryKind : public ControlSurface, public testing::WithParamInterface<const char*> {};

TEST_P(EveryKind, AMovieLoadsAndItsFramesAnswer)
{
    ASSERT_EQ(Flash().PutString(PutFlashVars, L"from=flashvars&both=flashvars"), S_OK);
    LoadFile(FiveFrames(GetParam()), "?both=url&name=a%20b");
    EXPECT_EQ(Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(Flash().GetLong(PercentLoaded), 100);
    EXPECT_EQ(Flash().GetLong(TotalFrames), 5);
    EXPECT_EQ(Flash().GetLong(CurrentFrame), 0);
    EXPECT_EQ(Variable(L"BOTH"), L"url");
    EXPECT_EQ(Variable(L"from"), L"flashvars");
    EXPECT_EQ(Variable(L"name"), L"a b");
    EXPECT_EQ(Variable(L"missing"), L"<none>");
}

INSTANTIATE_TEST_SUITE_P(Signatures, EveryKind, testing::Values("FWS", "CWS", "ZWS"));

TEST_F(ControlSurface, FramesAreSteppedAndVisitedAsAsked)
{
    LoadFile(FiveFrames());
    VARIANT_BOOL playing = 0;
    EXPECT_EQ(Flash().Call(Stop), S_OK);
    EXPECT_EQ(Flash().Call(IsPlaying, &playing), S_OK);
    EXPECT_EQ(playing, VARIANT_FALSE);

    const struct {
        int slot;
        long argument;
        long frame;
    } steps[] = {{Forward, 0, 1}, {Forward, 0, 2}, {Back, 0, 1}, {GotoFrame, 4, 4}, {Forward, 0, 4},
                 {GotoFrame, 99, 4}, {Rewind, 0, 0}, {Back, 0, 0}, {PutFrameNum, 3, 3}};
    for (const auto& step : steps) {
        HRESULT result = step.slot == GotoFrame || step.slot == PutFrameNum ? Flash().Call(step.slot, step.argument)
                                                                             : Flash().Call(step.slot);
        EXPECT_EQ(result, S_OK);
        EXPECT_EQ(Flash().GetLong(GetFrameNum), step.frame) << "after slot " << step.slot;
    }

    BSTR root = SysAllocString(L"/");
    BSTR label = SysAllocString(L"END");
    EXPECT_EQ(Flash().Call(TGotoLabel, root, label), S_OK);
    EXPECT_EQ(Flash().GetLong(CurrentFrame), 4);
    BSTR current = nullptr;
    EXPECT_EQ(Flash().Call(TCurrentLabel, root, &current), S_OK);
    EXPECT_STREQ(current, L"end");
    double totalFrames = 0;
    EXPECT_EQ(Flash().Call(TGetPropertyNum, root, 5, &totalFrames), S_OK);
    EXPECT_EQ(totalFrames, 5.0);
    SysFreeString(current);
    SysFreeString(label);
    SysFreeString(root);

    VARIANT_BOOL loaded = 0;
    EXPECT_EQ(Flash().Call(FrameLoaded, 4L, &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_TRUE);
    EXPECT_EQ(Flash().Call(FrameLoaded, 5L, &loaded), S_OK);
    EXPECT_EQ(loaded, VARIANT_FALSE);
    EXPECT_EQ(Flash().Call(PutPlaying, VARIANT_TRUE), S_OK);
    EXPECT_EQ(Flash().Call(GetPlaying, &playing), S_OK);
    EXPECT_EQ(playing, VARIANT_TRUE);
}

TEST_F(ControlSurface, MoviesThatCannotBeReadLeaveTheControlEmptyAndWorking)
{
    tvmtest::Bytes damaged = FiveFrames();
    damaged.resize(damaged.size() / 2);
    std::string missing = tvmtest::OutputDir() + "no such movie.swf";
    for (const std::wstring& url : {std::wstring(L""), std::wstring(L" "), Wide(missing),
                                    std::wstring(L"file://46A10F369771449587DE913EFC0A258")}) {
        LoadFile(FiveFrames());
        ASSERT_EQ(Flash().GetLong(TotalFrames), 5);
        EXPECT_EQ(Flash().PutString(PutMovie, url), S_OK);
        EXPECT_EQ(Flash().GetString(GetMovie), url);
        EXPECT_EQ(Flash().GetLong(ReadyState), 4);
        EXPECT_EQ(Flash().GetLong(TotalFrames), 0);
        EXPECT_EQ(Flash().Call(Forward), S_OK);
        EXPECT_EQ(Flash().GetLong(CurrentFrame), 0);
    }
    LoadFile(damaged);
    EXPECT_EQ(Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(Flash().GetLong(TotalFrames), 0);
    BSTR url = SysAllocString(L"");
    EXPECT_EQ(Flash().Call(LoadMovie, 0, url), S_OK);
    SysFreeString(url);
}

// A virtual path, which CreateFileA cannot open, is fetched through a URL
// moniker: the bytes come as the host writes them, after the load has begun.
TEST_F(ControlSurface, WhatNoFileOpensComesThroughAUrlMoniker)
{
    tvmtest::FakeHostControl host;
    host.Loaded = [&](int, const std::wstring& url) {
        Flash().PutString(PutMovie, url == UnloadMarker ? url : url + L"?name=value");
    };
    std::unique_ptr<TStream> stream = ContentManager().CreateMovieStream(&host, false, 0);
    EXPECT_EQ(Flash().GetLong(ReadyState), 1);
    tvmtest::Bytes movie = FiveFrames("CWS");
    stream->WriteBuffer(movie.data(), static_cast<int32_t>(movie.size()));
    stream.reset();
    ContentManager().UnregisterControl(&host);
    EXPECT_EQ(Flash().GetLong(ReadyState), 4);
    EXPECT_EQ(Flash().GetLong(TotalFrames), 5);
    EXPECT_EQ(Variable(L"name"), L"value");
}

TEST_F(ControlSurface, VariablesAreKeptAndOutStringsComeFromTheSystemAllocator)
{
    BSTR name = SysAllocString(L"time");
    BSTR value = SysAllocString(L"12.5");
    BSTR read = nullptr;
    EXPECT_EQ(Flash().Call(SetVariable, name, value), S_OK);
    EXPECT_EQ(Flash().Call(GetVariable, name, &read), S_OK);
    EXPECT_EQ(SysStringLen(read), 4u) << "a BSTR carries its length";
    EXPECT_STREQ(read, L"12.5");
    SysFreeString(read);
    SysFreeString(value);
    SysFreeString(name);
}

}
