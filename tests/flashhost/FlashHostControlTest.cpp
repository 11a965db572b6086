// The control with the program's own player on a form: created, placed,
// resized, activated and deactivated in place, and the player's events.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "FakePlayer.h"
#include "FlashHostControl.h"
#include "MappedPlayer.h"
#include "Menus.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

// Records the site calls the player makes, and the component messages the
// control gets, in order.
class TRecordingHost : public TFlashHostControl {
public:
    explicit TRecordingHost(TComponent* owner) : TFlashHostControl(owner) {}
    std::vector<std::string> Log;

    HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override
    {
        Log.push_back("CanInPlaceActivate");
        return TFlashHostControl::CanInPlaceActivate();
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override
    {
        Log.push_back("OnInPlaceActivate");
        return TFlashHostControl::OnInPlaceActivate();
    }
    HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                               LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) override
    {
        HRESULT result = TFlashHostControl::GetWindowContext(frame, document, position, clip, info);
        Log.push_back("GetWindowContext");
        Frame = info->hwndFrame;
        Place = *position;
        return result;
    }
    HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override
    {
        Log.push_back("OnInPlaceDeactivate");
        return TFlashHostControl::OnInPlaceDeactivate();
    }
    HWND Frame = nullptr;
    RECT Place{};

protected:
    void WndProc(TMessage& message) override
    {
        if (message.Msg == CM_UIDEACTIVATE) Log.push_back("CM_UIDEACTIVATE");
        TFlashHostControl::WndProc(message);
    }
};

class TRecordingPopup : public TPopupMenu {
public:
    using TPopupMenu::TPopupMenu;
    std::vector<POINT> Shown;
    void Popup(int x, int y) override { Shown.push_back(POINT{x, y}); }
};

class FlashHostControl : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        tvmtest::MapPlayerFromProgram();
        form = new tvmtest::TTestForm(nullptr, 500, 400);
        form->Show();
    }
    void TearDown() override { form->Free(); }

    RECT PlaceInParent(HWND window)
    {
        RECT place;
        GetWindowRect(window, &place);
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }

    TForm* form = nullptr;
};

TEST_F(FlashHostControl, LivesOnAFormInThePlayersOwnWindowAndFollowsItsBounds)
{
    auto* host = new TRecordingHost(form);
    ASSERT_TRUE(host->HasPlayer());
    EXPECT_EQ(host->GetFlashMajorVersion(), 11);
    EXPECT_EQ(host->GetFlashLayoutVersion(), 11);
    host->SetParent(form);
    ASSERT_TRUE(host->HandleAllocated());
    HWND window = host->Handle();
    EXPECT_EQ(GetParent(window), form->Handle());
    char className[64] = {};
    GetClassNameA(window, className, sizeof(className));
    EXPECT_STRNE(className, "TFlashHostControl") << "the player's window is adopted, not one of ours";
    EXPECT_EQ(TWinControl::FindControl(window), host);
    EXPECT_EQ(host->Frame, form->Handle());
    EXPECT_EQ((std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindowContext"}), host->Log);

    host->Log.clear();
    host->SetBounds(10, 20, 200, 150);
    RECT place = PlaceInParent(window);
    EXPECT_EQ(place.left, 10);
    EXPECT_EQ(place.top, 20);
    EXPECT_EQ(place.right, 210);
    EXPECT_EQ(place.bottom, 170);
    EXPECT_EQ(host->Width(), 200);
    EXPECT_EQ(host->ClientWidth(), 200);

    // Anchored to all sides, the control grows with the form: the player is
    // activated again with the new place.
    host->SetAnchors(akLeft | akTop | akRight | akBottom);
    host->Log.clear();
    form->SetBounds(form->Left(), form->Top(), form->Width() + 40, form->Height() + 30);
    EXPECT_EQ(host->Width(), 240);
    EXPECT_EQ(host->Height(), 180);
    place = PlaceInParent(window);
    EXPECT_EQ(place.right - place.left, 240);
    EXPECT_EQ(host->Place.right - host->Place.left, 240) << "the site's place follows";
}

TEST_F(FlashHostControl, DestroyingTheHandleDeactivatesAndANewOneActivatesAgain)
{
    auto* host = new TRecordingHost(form);
    host->SetParent(form);
    host->HandleNeeded();
    host->Log.clear();
    host->DestroyHandle();
    EXPECT_FALSE(host->HandleAllocated());
    EXPECT_EQ((std::vector<std::string>{"OnInPlaceDeactivate"}), host->Log);

    host->Log.clear();
    HWND second = host->Handle();
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(GetParent(second), form->Handle());
    EXPECT_EQ((std::vector<std::string>{"CanInPlaceActivate", "OnInPlaceActivate", "GetWindowContext"}), host->Log);
}

TEST_F(FlashHostControl, AHiddenControlKeepsTheAdoptedWindowHidden)
{
    auto* host = new TFlashHostControl(form);
    host->SetVisible(false);
    host->SetParent(form);
    ASSERT_TRUE(host->HandleAllocated());
    EXPECT_FALSE(IsWindowVisible(host->Handle()));
}

TEST_F(FlashHostControl, ThePlayersEventsReachTheHandlers)
{
    auto* host = new TFlashHostControl(form);
    host->SetParent(form);
    std::vector<std::string> events;
    host->OnProgress = [&](TObject* sender, int percent) {
        EXPECT_EQ(sender, host);
        events.push_back("progress " + std::to_string(percent));
    };
    host->OnReadyStateChange = [&](TObject*, int state) { events.push_back("ready " + std::to_string(state)); };
    std::string path = tvmtest::OutputDir() + "host_events.swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(tvmtest::SwfMovie()));
    host->SetMovie(std::wstring(path.begin(), path.end()));
    EXPECT_EQ((std::vector<std::string>{"progress 100", "ready 4"}), events);
}

// Arguments arrive last first, as IDispatch has them.
struct TArguments {
    explicit TArguments(std::vector<VARIANT> reversed) : values(std::move(reversed))
    {
        parameters.cArgs = static_cast<UINT>(values.size());
        parameters.rgvarg = values.data();
    }
    ~TArguments()
    {
        for (VARIANT& value : values) VariantClear(&value);
    }
    std::vector<VARIANT> values;
    DISPPARAMS parameters{};
};

VARIANT String(const wchar_t* text)
{
    VARIANT value;
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    return value;
}

VARIANT Int(long number)
{
    VARIANT value;
    value.vt = VT_I4;
    value.lVal = number;
    return value;
}

TEST(FlashHostEvents, InvokeChecksConvertsAndContainsItsHandlers)
{
    tvmtest::TFakeProvider nothing(nullptr);
    TFlashHostControl host(nullptr, nothing);
    IDispatch* sink = &host;
    std::wstring command, args;
    int progress = -1;
    host.OnFSCommand = [&](TObject*, const std::wstring& c, const std::wstring& a) {
        command = c;
        args = a;
    };
    host.OnProgress = [&](TObject*, int percent) { progress = percent; };
    auto invoke = [&](DISPID id, TArguments& arguments, UINT* error = nullptr) {
        return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &arguments.parameters, nullptr, nullptr, error);
    };

    TArguments fsCommand({String(L"b"), String(L"a")});
    EXPECT_EQ(invoke(150, fsCommand), S_OK);
    EXPECT_EQ(command, L"a");
    EXPECT_EQ(args, L"b");

    TArguments textPercent({String(L"42")});
    EXPECT_EQ(invoke(1958, textPercent), S_OK);
    EXPECT_EQ(progress, 42) << "converted, not taken as a pointer";

    TArguments numberCommand({Int(7), String(L"cmd")});
    EXPECT_EQ(invoke(150, numberCommand), S_OK);
    EXPECT_EQ(args, L"7");

    TArguments oneArgument({String(L"a")});
    EXPECT_EQ(invoke(150, oneArgument), DISP_E_BADPARAMCOUNT);
    TArguments none({});
    EXPECT_EQ(invoke(-609, none), DISP_E_BADPARAMCOUNT);

    TArguments notANumber({String(L"abc")});
    UINT error = 99;
    EXPECT_EQ(invoke(1958, notANumber, &error), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(error, 0u);

    // No handler: answered all the same.
    TArguments request({String(L"<invoke/>")});
    EXPECT_EQ(invoke(197, request), S_OK);

    // A handler's exception stays in the control and goes to the application.
    std::string reported;
    Application->OnException = [&](TObject*, const Exception& e) { reported = e.Message(); };
    host.OnProgress = [](TObject*, int) { throw EConvertError("handler failed"); };
    TArguments percent({Int(5)});
    EXCEPINFO info{};
    EXPECT_EQ(sink->Invoke(1958, IID_NULL, 0, DISPATCH_METHOD, &percent.parameters, nullptr, &info, nullptr),
              DISP_E_EXCEPTION);
    EXPECT_EQ(reported, "handler failed");
    EXPECT_STREQ(info.bstrDescription, L"handler failed");
    SysFreeString(info.bstrDescription);
    Application->OnException = nullptr;
}

TEST(FlashHostEvents, AmbientPropertiesAnswerOnlyTheirGets)
{
    tvmtest::TFakeProvider nothing(nullptr);
    TFlashHostControl host(nullptr, nothing);
    IDispatch* sink = &host;
    DISPPARAMS noArguments{};
    VARIANT result;
    VariantInit(&result);
    auto get = [&](DISPID id, WORD flags = DISPATCH_PROPERTYGET) {
        VariantClear(&result);
        return sink->Invoke(id, IID_NULL, 0, flags, &noArguments, &result, nullptr, nullptr);
    };
    EXPECT_EQ(get(DISPID_AMBIENT_USERMODE), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE);
    host.SetColor(0x123456);
    EXPECT_EQ(get(DISPID_AMBIENT_BACKCOLOR), S_OK);
    EXPECT_EQ(result.lVal, 0x123456);
    EXPECT_EQ(get(DISPID_AMBIENT_FONT), S_OK) << "the control's own font without a parent";
    EXPECT_EQ(result.vt, VT_DISPATCH);
    EXPECT_EQ(get(DISPID_AMBIENT_SHOWHATCHING), S_OK);
    EXPECT_EQ(result.boolVal, VARIANT_FALSE);
    EXPECT_EQ(get(-713), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(get(DISPID_AMBIENT_SUPPORTSMNEMONICS, DISPATCH_METHOD), DISP_E_MEMBERNOTFOUND);
    VariantClear(&result);

    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(static_cast<IOleInPlaceSite*>(&host)->GetWindow(&window), E_FAIL) << "no parent";
}

TEST(FlashHostSite, TransformsCoordinatesBetweenHimetricAndTheScreen)
{
    tvmtest::TFakeProvider nothing(nullptr);
    TFlashHostControl host(nullptr, nothing);
    IOleControlSite* site = &host;
    HDC screen = GetDC(nullptr);
    int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    POINTL himetric{2540, 5080};
    POINTF container{};
    EXPECT_EQ(site->TransformCoords(&himetric, &container, XFORMCOORDS_HIMETRICTOCONTAINER), S_OK);
    EXPECT_EQ(container.x, static_cast<float>(pixelsPerInch));
    EXPECT_EQ(container.y, static_cast<float>(2 * pixelsPerInch));

    // Back, with halves rounded to even.
    container = POINTF{static_cast<float>(pixelsPerInch), 0.0f};
    EXPECT_EQ(site->TransformCoords(&himetric, &container, XFORMCOORDS_CONTAINERTOHIMETRIC), S_OK);
    EXPECT_EQ(himetric.x, 2540);
    EXPECT_EQ(himetric.y, 0);
    // An eighth of an inch is 317.5 HIMETRIC, three eighths 952.5.
    container = POINTF{pixelsPerInch / 8.0f, 3 * pixelsPerInch / 8.0f};
    site->TransformCoords(&himetric, &container, 0);
    EXPECT_EQ(himetric.x, 318);
    EXPECT_EQ(himetric.y, 952);
}

TEST(FlashHostEvents, ExternalResourcesAskTheHandlersOnlyWhenThereAreAny)
{
    tvmtest::TFakeProvider nothing(nullptr);
    TFlashHostControl host(nullptr, nothing);
    IFlashHostControlBase* base = nullptr;
    ASSERT_EQ(host.QueryInterface(IID_IFlashHostControlBase, reinterpret_cast<void**>(&base)), S_OK);
    bool handled = true;
    EXPECT_EQ(base->CallOnLoadExternalResourceEx("a.swf", nullptr, handled), S_FALSE);
    EXPECT_TRUE(handled) << "left untouched";
    EXPECT_EQ(base->CallOnLoadExternalResource("a.swf", nullptr), S_FALSE);

    std::string asked;
    host.OnLoadExternalResourceEx = [&](TObject*, const std::string& url, TStream*, bool& h) {
        asked = url;
        h = false;
    };
    EXPECT_EQ(base->CallOnLoadExternalResourceEx("b.swf", nullptr, handled), S_OK);
    EXPECT_EQ(asked, "b.swf");
    EXPECT_FALSE(handled);

    // The same object answers for every interface of the site.
    IOleInPlaceFrame* frame = nullptr;
    ASSERT_EQ(base->QueryInterface(IID_IOleInPlaceFrame, reinterpret_cast<void**>(&frame)), S_OK);
    IUnknown* viaFrame = nullptr;
    IUnknown* viaBase = nullptr;
    frame->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaFrame));
    base->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaBase));
    EXPECT_EQ(viaFrame, viaBase);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(frame->QueryInterface(IID_IOleInPlaceUIWindow, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    for (IUnknown* held : {static_cast<IUnknown*>(frame), viaFrame, viaBase, static_cast<IUnknown*>(base)})
        held->Release();
}

TEST_F(FlashHostControl, TheSecondControlsUIActivationDeactivatesTheFirst)
{
    auto* first = new TRecordingHost(form);
    auto* second = new TRecordingHost(form);
    first->SetParent(form);
    second->SetParent(form);
    static_cast<IOleInPlaceSite*>(first)->OnUIActivate();
    EXPECT_EQ(form->ActiveOleControl(), first);
    first->Log.clear();
    static_cast<IOleInPlaceSite*>(second)->OnUIActivate();
    EXPECT_EQ(form->ActiveOleControl(), second);
    EXPECT_EQ((std::vector<std::string>{"CM_UIDEACTIVATE"}), first->Log);
    static_cast<IOleInPlaceSite*>(second)->OnUIDeactivate(FALSE);
    EXPECT_EQ(form->ActiveOleControl(), nullptr);
}

TEST_F(FlashHostControl, TheRightButtonOpensThePopupAtASignedPointAndFiresNoMouseUp)
{
    auto* host = new TFlashHostControl(form);
    host->SetParent(form);
    host->SetBounds(0, 0, 100, 80);
    auto* popup = new TRecordingPopup(form);
    host->SetPopupMenu(popup);
    int mouseUps = 0;
    host->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { ++mouseUps; };
    // A point left of the control, as on a monitor left of the first.
    POINT point{-5, 7};
    SendMessageA(host->Handle(), WM_RBUTTONUP, 0, PointToLParam(point));
    ASSERT_EQ(popup->Shown.size(), 1u);
    POINT expected = host->ClientToScreen(point);
    EXPECT_EQ(popup->Shown[0].x, expected.x);
    EXPECT_EQ(popup->Shown[0].y, expected.y);
    EXPECT_EQ(mouseUps, 0);

    // Without StandartMenu the press stays with the control, whose event still fires.
    host->SetPopupMenu(nullptr);
    host->StandartMenu = false;
    std::vector<TMouseButton> downs;
    host->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState, int, int) { downs.push_back(button); };
    SendMessageA(host->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, PointToLParam(POINT{3, 4}));
    SendMessageA(host->Handle(), WM_RBUTTONUP, 0, PointToLParam(POINT{3, 4}));
    EXPECT_EQ(downs, std::vector<TMouseButton>{mbRight});
    EXPECT_EQ(mouseUps, 1);
}

TEST_F(FlashHostControl, MouseMessagesFireTheMouseEvents)
{
    auto* host = new TFlashHostControl(form);
    host->SetParent(form);
    host->SetBounds(0, 0, 100, 80);
    std::vector<std::string> events;
    auto name = [](TMouseButton button) { return button == mbLeft ? "left" : button == mbRight ? "right" : "middle"; };
    host->OnMouseDown = [&](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
        events.push_back(std::string("down ") + name(button) + (shift & ssDouble ? " double " : " ") +
                         std::to_string(x) + "," + std::to_string(y));
    };
    host->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) {
        events.push_back(std::string("up ") + name(button));
    };
    host->OnClick = [&](TObject*) { events.push_back("click"); };
    host->OnDblClick = [&](TObject*) { events.push_back("double click"); };
    struct {
        UINT Msg;
        POINT At;
        std::vector<std::string> Expected;
    } cases[] = {
        {WM_LBUTTONDOWN, {3, 4}, {"down left 3,4"}},
        {WM_LBUTTONUP, {3, 4}, {"click", "up left"}},
        {WM_LBUTTONDBLCLK, {5, 6}, {"double click", "down left double 5,6"}},
        {WM_MBUTTONDOWN, {-2, 7}, {"down middle -2,7"}},
        {WM_MBUTTONUP, {1, 1}, {"up middle"}},
        {WM_RBUTTONDBLCLK, {8, 9}, {"down right double 8,9"}},
    };
    for (auto& c : cases) {
        events.clear();
        SendMessageA(host->Handle(), c.Msg, 0, PointToLParam(c.At));
        EXPECT_EQ(events, c.Expected) << std::hex << c.Msg;
    }
}

TEST_F(FlashHostControl, WithoutAPlayerTheControlPaintsTheWindowColour)
{
    tvmtest::TFakeProvider nothing(nullptr);
    auto* empty = new TFlashHostControl(form, nothing);
    empty->SetParent(form);
    empty->SetBounds(0, 0, 60, 40);
    empty->Repaint();
    EXPECT_EQ(tvmtest::ClientPixel(empty->Handle(), 30, 20), GetSysColor(COLOR_WINDOW));
}

}
