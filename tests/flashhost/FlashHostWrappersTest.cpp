// The control reaches each player member at the position its version's
// function table has, and keeps what was written where the player cannot.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Exceptions.h"
#include "FakePlayer.h"
#include "FlashHostControl.h"
#include "MappedPlayer.h"

using tvmtest::TFakePlayer;
using tvmtest::TFakeProvider;
using tvmtest::TRecordedCall;

namespace {

// The layouts, as the tables below name them.
constexpr unsigned L3 = 1, L4 = 2, L5 = 4, L6 = 8, L7 = 16, L11 = 32, All = 63;
constexpr unsigned From7 = L7 | L11;

unsigned LayoutBit(int version)
{
    if (version >= 11) return L11;
    if (version >= 7) return L7;
    if (version >= 3) return 1u << (version - 3);
    return 0;
}

struct TPlace {
    unsigned Layouts;
    int Get, Put;
};

enum class TKind { String, Int, Bool, WordBool };

// One property: written with a value unlike any the fake hands out, then read.
struct TPropertyCase {
    const char* Name;
    TKind Kind;
    std::function<void(TFlashHostControl&)> Write;
    std::function<std::wstring(TFlashHostControl&)> Read;
    std::vector<TPlace> Places;
};

#define STRING_PROPERTY(P, ...)                                                                              \
    TPropertyCase{#P, TKind::String, [](TFlashHostControl& c) { c.Set##P(L"written"); },                     \
                  [](TFlashHostControl& c) { return c.Get##P(); }, {__VA_ARGS__}}
#define INT_PROPERTY(P, ...)                                                                                 \
    TPropertyCase{#P, TKind::Int, [](TFlashHostControl& c) { c.Set##P(7); },                                 \
                  [](TFlashHostControl& c) { return std::to_wstring(c.Get##P()); }, {__VA_ARGS__}}
#define BOOL_PROPERTY(P, ...)                                                                                \
    TPropertyCase{#P, TKind::Bool, [](TFlashHostControl& c) { c.Set##P(false); },                            \
                  [](TFlashHostControl& c) { return std::wstring(c.Get##P() ? L"1" : L"0"); }, {__VA_ARGS__}}
#define WORDBOOL_PROPERTY(P, ...)                                                                            \
    TPropertyCase{#P, TKind::WordBool, [](TFlashHostControl& c) { c.Set##P(VARIANT_FALSE); },                \
                  [](TFlashHostControl& c) { return std::to_wstring(c.Get##P()); }, {__VA_ARGS__}}

const std::vector<TPropertyCase>& PropertyCases()
{
    static const std::vector<TPropertyCase> cases = {
        STRING_PROPERTY(Movie, {All, 21, 22}),
        INT_PROPERTY(FrameNum, {All, 23, 24}),
        BOOL_PROPERTY(Playing, {All, 9, 10}),
        INT_PROPERTY(Quality, {All, 11, 12}),
        INT_PROPERTY(ScaleMode, {All, 13, 14}),
        INT_PROPERTY(AlignMode, {All, 15, 16}),
        INT_PROPERTY(BackgroundColor, {All, 17, 18}),
        BOOL_PROPERTY(Loop, {All, 19, 20}),
        STRING_PROPERTY(WMode, {All, 40, 41}),
        STRING_PROPERTY(SAlign, {All, 42, 43}),
        BOOL_PROPERTY(Menu, {All, 44, 45}),
        STRING_PROPERTY(Base, {All, 46, 47}),
        STRING_PROPERTY(Scale, {All, 48, 49}),
        BOOL_PROPERTY(DeviceFont, {All, 50, 51}),
        BOOL_PROPERTY(EmbedMovie, {All, 52, 53}),
        STRING_PROPERTY(BGColor, {All, 54, 55}),
        STRING_PROPERTY(Quality2, {All, 56, 57}),
        STRING_PROPERTY(SWRemote, {L4 | L5, 73, 74}, {From7, 74, 75}),
        STRING_PROPERTY(Stacking, {L5, 75, 76}),
        STRING_PROPERTY(FlashVars, {From7, 76, 77}),
        STRING_PROPERTY(AllowScriptAccess, {From7, 78, 79}),
        STRING_PROPERTY(MovieData, {From7, 80, 81}),
        WORDBOOL_PROPERTY(SeamlessTabbing, {L11, 84, 85}),
        WORDBOOL_PROPERTY(Profile, {L11, 87, 88}),
        STRING_PROPERTY(ProfileAddress, {L11, 89, 90}),
        INT_PROPERTY(ProfilePort, {L11, 91, 92}),
        STRING_PROPERTY(AllowNetworking, {L11, 96, 97}),
        STRING_PROPERTY(AllowFullScreen, {L11, 98, 99}),
        STRING_PROPERTY(AllowFullScreenInteractive, {L11, 100, 101}),
        WORDBOOL_PROPERTY(IsDependent, {L11, 102, 103}),
    };
    return cases;
}

std::wstring WrittenText(TKind kind)
{
    return kind == TKind::String ? L"written" : kind == TKind::Int ? L"7" : L"0";
}

// What the fake hands out from a getter at Position.
std::wstring AnsweredText(TKind kind, int position)
{
    switch (kind) {
    case TKind::String:
        return L"slot" + std::to_wstring(position);
    case TKind::Int:
        return std::to_wstring(1000 + position);
    case TKind::Bool:
        return L"1";
    case TKind::WordBool:
        return L"-1";
    }
    return L"";
}

std::string Describe(const std::vector<TRecordedCall>& calls)
{
    std::string text;
    for (const TRecordedCall& call : calls)
        text += std::to_string(call.Position) + "(" + std::string(call.Arguments.begin(), call.Arguments.end()) + ") ";
    return text;
}

TEST(FlashHostWrappers, EveryPropertyGoesToItsLayoutsPositionOrStaysInTheCache)
{
    for (int version : {2, 3, 4, 5, 6, 7, 9, 10, 11, 32}) {
        TFakePlayer player(version);
        TFakeProvider provider(&player);
        TFlashHostControl control(nullptr, provider);
        for (const TPropertyCase& property : PropertyCases()) {
            SCOPED_TRACE(std::string(property.Name) + " on a version " + std::to_string(version) + " player");
            const TPlace* place = nullptr;
            for (const TPlace& candidate : property.Places)
                if (candidate.Layouts & LayoutBit(version)) place = &candidate;
            player.Calls.clear();
            property.Write(control);
            std::wstring read = property.Read(control);
            std::vector<TRecordedCall> calls = player.CallsButVersion();
            if (!place) {
                EXPECT_TRUE(calls.empty()) << Describe(calls);
                EXPECT_EQ(read, WrittenText(property.Kind)) << "the cache answers";
                continue;
            }
            ASSERT_EQ(calls.size(), 2u) << Describe(calls);
            EXPECT_EQ(calls[0].Position, place->Put);
            EXPECT_EQ(calls[0].Arguments, WrittenText(property.Kind));
            EXPECT_EQ(calls[1].Position, place->Get);
            EXPECT_EQ(read, AnsweredText(property.Kind, place->Get));
        }
    }
}

TEST(FlashHostWrappers, TheProgramsPlayerEchoesEveryLayout11Property)
{
    tvmtest::MapPlayerFromProgram();
    TFlashHostControl control(nullptr);
    ASSERT_EQ(control.GetFlashLayoutVersion(), 11);
    for (const TPropertyCase& property : PropertyCases()) {
        // The movie and its frame are the engine's, not echoed.
        std::string name = property.Name;
        if (name == "Movie" || name == "FrameNum" || name == "Playing") continue;
        property.Write(control);
        EXPECT_EQ(property.Read(control), WrittenText(property.Kind)) << name;
    }
}

TEST(FlashHostWrappers, BooleansCrossAsWordBoolsAndTheThreeRawOnesPassUnchanged)
{
    TFakePlayer player(11);
    TFakeProvider provider(&player);
    TFlashHostControl control(nullptr, provider);
    control.SetLoop(true);
    control.SetProfile(1);
    ASSERT_EQ(player.CallsButVersion().size(), 2u);
    EXPECT_EQ(player.CallsButVersion()[0].Arguments, L"-1");
    EXPECT_EQ(player.CallsButVersion()[1].Arguments, L"1");
}

struct TMethodCase {
    const char* Name;
    int MinimumLayout;
    int Position;
    std::wstring Arguments;
    std::function<std::wstring(TFlashHostControl&)> Call;
};

#define METHOD(name, minimum, position, arguments, ...)                                             \
    TMethodCase{#name, minimum, position, arguments, [](TFlashHostControl& c) -> std::wstring { \
                    __VA_ARGS__;                                                               \
                }}

const std::vector<TMethodCase>& MethodCases()
{
    static const std::vector<TMethodCase> cases = {
        METHOD(SetZoomRect, 3, 25, L"1,2,3,4", c.SetZoomRect(1, 2, 3, 4); return L""),
        METHOD(Zoom, 3, 26, L"50", c.Zoom(50); return L""),
        METHOD(Pan, 3, 27, L"5,6,1", c.Pan(5, 6, 1); return L""),
        METHOD(Play, 3, 28, L"", c.Play(); return L""),
        METHOD(Stop, 3, 29, L"", c.Stop(); return L""),
        METHOD(Back, 3, 30, L"", c.Back(); return L""),
        METHOD(Forward, 3, 31, L"", c.Forward(); return L""),
        METHOD(Rewind, 3, 32, L"", c.Rewind(); return L""),
        METHOD(StopPlay, 3, 33, L"", c.StopPlay(); return L""),
        METHOD(GotoFrame, 3, 34, L"12", c.GotoFrame(12); return L""),
        METHOD(CurrentFrame, 3, 35, L"", return std::to_wstring(c.CurrentFrame())),
        METHOD(IsPlaying, 3, 36, L"", return std::to_wstring(c.IsPlaying())),
        METHOD(PercentLoaded, 3, 37, L"", return std::to_wstring(c.PercentLoaded())),
        METHOD(FrameLoaded, 3, 38, L"3", return std::to_wstring(c.FrameLoaded(3))),
        METHOD(LoadMovie, 3, 58, L"2,m.swf", c.LoadMovie(2, L"m.swf"); return L""),
        METHOD(TGotoFrame, 3, 59, L"/a,4", c.TGotoFrame(L"/a", 4); return L""),
        METHOD(TGotoLabel, 3, 60, L"/a,go", c.TGotoLabel(L"/a", L"go"); return L""),
        METHOD(TCurrentFrame, 3, 61, L"/a", return std::to_wstring(c.TCurrentFrame(L"/a"))),
        METHOD(TCurrentLabel, 3, 62, L"/a", return c.TCurrentLabel(L"/a")),
        METHOD(TPlay, 3, 63, L"/a", c.TPlay(L"/a"); return L""),
        METHOD(TStopPlay, 3, 64, L"/a", c.TStopPlay(L"/a"); return L""),
        METHOD(SetVariable, 4, 65, L"v,1", c.SetVariable(L"v", L"1"); return L""),
        METHOD(GetVariable, 4, 66, L"v", return c.GetVariable(L"v")),
        METHOD(TSetProperty, 4, 67, L"/a,2,x", c.TSetProperty(L"/a", 2, L"x"); return L""),
        METHOD(TGetProperty, 4, 68, L"/a,2", return c.TGetProperty(L"/a", 2)),
        METHOD(TCallFrame, 4, 69, L"/a,3", c.TCallFrame(L"/a", 3); return L""),
        METHOD(TCallLabel, 4, 70, L"/a,l", c.TCallLabel(L"/a", L"l"); return L""),
        METHOD(TSetPropertyNum, 4, 71, L"/a,2,1.500000", c.TSetPropertyNum(L"/a", 2, 1.5); return L""),
        METHOD(TGetPropertyNum, 4, 72, L"/a,2", return std::to_wstring(c.TGetPropertyNum(L"/a", 2))),
        METHOD(TGetPropertyAsNumber, 7, 73, L"/a,2", return std::to_wstring(c.TGetPropertyAsNumber(L"/a", 2))),
        METHOD(CallFunction, 8, 93, L"<invoke/>", return c.CallFunction(L"<invoke/>")),
        METHOD(SetReturnValue, 8, 94, L"r", c.SetReturnValue(L"r"); return L""),
        METHOD(EnforceLocalSecurity, 11, 86, L"", c.EnforceLocalSecurity(); return L""),
        METHOD(DisableLocalSecurity, 11, 95, L"", c.DisableLocalSecurity(); return L""),
        METHOD(GetReadyState, 3, 7, L"", return std::to_wstring(c.GetReadyState())),
        METHOD(GetTotalFrames, 3, 8, L"", return std::to_wstring(c.GetTotalFrames())),
    };
    return cases;
}

// What a method answers when it did not call the player, and when it did.
std::wstring Unanswered(const std::wstring& answer)
{
    if (answer.empty() || answer.rfind(L"slot", 0) == 0) return L"";
    if (answer.find(L'.') != std::wstring::npos) return L"0.000000";
    return L"0";
}

TEST(FlashHostWrappers, MethodsCallTheirPositionFromTheirLayoutOnAndDoNothingBelow)
{
    for (const TMethodCase& method : MethodCases()) {
        for (int version : {2, method.MinimumLayout - 1, method.MinimumLayout, 32}) {
            SCOPED_TRACE(std::string(method.Name) + " on a version " + std::to_string(version) + " player");
            TFakePlayer player(version);
            TFakeProvider provider(&player);
            TFlashHostControl control(nullptr, provider);
            player.Calls.clear();
            std::wstring answer = method.Call(control);
            std::vector<TRecordedCall> calls = player.CallsButVersion();
            if (version < method.MinimumLayout) {
                EXPECT_TRUE(calls.empty()) << Describe(calls);
                EXPECT_EQ(answer, Unanswered(answer));
                continue;
            }
            ASSERT_EQ(calls.size(), 1u) << Describe(calls);
            EXPECT_EQ(calls[0].Position, method.Position);
            EXPECT_EQ(calls[0].Arguments, method.Arguments);
        }
    }
}

TEST(FlashHostWrappers, VersionsMapToLayoutsAndAControlWithoutPlayerHasNone)
{
    struct {
        int Version, Major, Layout;
    } cases[] = {{2, 2, 2}, {6, 6, 6}, {10, 10, 10}, {11, 11, 11}, {32, 32, 11}};
    for (auto c : cases) {
        TFakePlayer player(c.Version);
        TFakeProvider provider(&player);
        TFlashHostControl control(nullptr, provider);
        EXPECT_EQ(control.GetFlashMajorVersion(), c.Major) << c.Version;
        EXPECT_EQ(control.GetFlashLayoutVersion(), c.Layout) << c.Version;
    }
    TFakeProvider nothing(nullptr);
    TFlashHostControl empty(nullptr, nothing);
    EXPECT_FALSE(empty.HasPlayer());
    EXPECT_EQ(empty.GetFlashMajorVersion(), -1);
    EXPECT_EQ(empty.GetFlashLayoutVersion(), -1);
    EXPECT_EQ(empty.Width(), 640);
    EXPECT_EQ(empty.Height(), 480);
    empty.SetMovie(L"kept.swf");
    EXPECT_EQ(empty.GetMovie(), L"kept.swf");
    EXPECT_EQ(empty.CurrentFrame(), 0);
    empty.Play();
}

TEST(FlashHostWrappers, FailuresReachMethodCallersButNotPropertyReaders)
{
    TFakePlayer player(11);
    player.FailingPosition = 34;
    TFakeProvider provider(&player);
    TFlashHostControl control(nullptr, provider);
    try {
        control.GotoFrame(3);
        ADD_FAILURE() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode, E_FAIL);
    }
    // A failing numeric read answers the cache; a failing string read nothing.
    player.FailingPosition = 23;
    control.SetFrameNum(9);
    EXPECT_EQ(control.GetFrameNum(), 9);
    player.FailingPosition = 21;
    control.SetMovie(L"a.swf");
    EXPECT_EQ(control.GetMovie(), L"");
}

TEST(FlashHostWrappers, ResizingOffersTheExtentOnlyFromANonZeroSize)
{
    TFakePlayer player(11);
    int pixelsPerInch = 96;
    HDC screen = GetDC(nullptr);
    pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    player.Extent = SIZEL{MulDiv(320, 2540, pixelsPerInch), MulDiv(240, 2540, pixelsPerInch)};
    TFakeProvider provider(&player);
    TFlashHostControl control(nullptr, provider);
    EXPECT_EQ(control.Width(), 320) << "the player's extent sizes the control";
    EXPECT_EQ(control.Height(), 240);

    player.RefuseExtent = true;
    control.SetBounds(5, 6, 400, 300);
    EXPECT_EQ(control.Left(), 5) << "a refused extent still moves the control";
    EXPECT_EQ(control.Width(), 320);
    EXPECT_EQ(control.Height(), 240);

    player.RefuseExtent = false;
    control.SetBounds(0, 0, 400, 300);
    EXPECT_EQ(control.Width(), 400);
    EXPECT_EQ(player.Extent.cx, MulDiv(400, 2540, pixelsPerInch));

    // A player whose extent is nothing makes a 0 x 0 control: growing it
    // asks the player nothing.
    player.Extent = SIZEL{0, 0};
    TFlashHostControl flat(nullptr, provider);
    int offers = player.ExtentOffers;
    flat.SetBounds(0, 0, 50, 40);
    EXPECT_EQ(player.ExtentOffers, offers);
    EXPECT_EQ(flat.Width(), 50);
}

}
