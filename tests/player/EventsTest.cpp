// The control's events reach the host's sink through a connection point of
// its own identity.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "MappedPlayer.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

const IID EventsIid = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const int PutMovie = 22;

// Records each event with its first argument, its texts and the thread it
// came on.
class RecordingSink : public IDispatch {
public:
    struct Event {
        DISPID Id;
        long Argument;
        DWORD Thread;
        std::vector<std::wstring> Texts;
    };
    std::vector<Event> Events;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        long argument = parameters->cArgs > 0 && parameters->rgvarg[parameters->cArgs - 1].vt == VT_I4
                            ? parameters->rgvarg[parameters->cArgs - 1].lVal
                            : -1;
        std::vector<std::wstring> texts;
        for (UINT i = parameters->cArgs; i-- > 0;)
            if (parameters->rgvarg[i].vt == VT_BSTR)
                texts.emplace_back(parameters->rgvarg[i].bstrVal, SysStringLen(parameters->rgvarg[i].bstrVal));
        Events.push_back({id, argument, GetCurrentThreadId(), texts});
        if (id == 197 && Flash)
            Flash->PutString(94, L"<string>answered</string>");  // SetReturnValue
        return S_OK;
    }
    LONG References() const { return refs_; }
    // Answers FlashCall requests through this control when set.
    tvmtest::RawFlash* Flash = nullptr;

private:
    LONG refs_ = 1;
};

TEST(Events, ReachTheSinkOnTheCallersThreadUntilUnadvised)
{
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(container->FindConnectionPoint(IID_IDispatch, &point), CONNECT_E_NOCONNECTION);
    ASSERT_EQ(container->FindConnectionPoint(EventsIid, &point), S_OK);

    // The point is an object of its own that knows its container.
    IUnknown* pointIdentity = nullptr;
    IUnknown* controlIdentity = nullptr;
    point->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pointIdentity));
    control->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&controlIdentity));
    EXPECT_NE(pointIdentity, controlIdentity);
    IConnectionPointContainer* owner = nullptr;
    EXPECT_EQ(point->GetConnectionPointContainer(&owner), S_OK);
    EXPECT_EQ(owner, container);
    owner->Release();
    pointIdentity->Release();
    controlIdentity->Release();

    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    EXPECT_EQ(sink.References(), 2);
    std::string path = tvmtest::OutputDir() + "events.swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(tvmtest::SwfMovie()));
    {
        tvmtest::RawFlash flash(control);
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);
        ASSERT_EQ(sink.Events.size(), 2u);
        EXPECT_EQ(sink.Events[0].Id, 1958);
        EXPECT_EQ(sink.Events[0].Argument, 100);
        EXPECT_EQ(sink.Events[1].Id, -609);
        EXPECT_EQ(sink.Events[1].Argument, 4);
        EXPECT_EQ(sink.Events[1].Thread, GetCurrentThreadId());

        EXPECT_EQ(point->Unadvise(cookie), S_OK);
        EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
        EXPECT_EQ(sink.References(), 1);
        ASSERT_EQ(flash.PutString(PutMovie, L""), S_OK);
        EXPECT_EQ(sink.Events.size(), 2u);
    }
    container->Release();
    control->Release();

    // A point kept past its control answers, without a container.
    EXPECT_EQ(point->GetConnectionPointContainer(&owner), E_UNEXPECTED);
    point->Release();
}

// FSCommand and ExternalInterface calls of a frame's actions reach the host
// as events on its own thread; variables and functions reach the scripts.
TEST(Events, FrameActionsTalkToTheHost)
{
    using tvmtest::SwfActions;
    IOleObject* control = tvmtest::NewPlayerControl();
    ASSERT_NE(control, nullptr);
    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)), S_OK);
    IConnectionPoint* point = nullptr;
    ASSERT_EQ(container->FindConnectionPoint(EventsIid, &point), S_OK);
    RecordingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);

    // fscommand("kvn_cmd_capture_start", "go");
    // reply = ExternalInterface.call("ask", "me");
    // function twice(x) { return x + x } ExternalInterface.addCallback("twice", null, twice);
    tvmtest::Bytes api = SwfActions().Push({"flash"}).Op(0x1C).Push({"external"}).Op(0x4E)
                                   .Push({"ExternalInterface"}).Op(0x4E).Take();
    tvmtest::Bytes actions =
        SwfActions()
            .GetUrl("FSCommand:kvn_cmd_capture_start", "go")
            .Push({"reply", "me", "ask", 2}).Append(api).Push({"call"}).Op(0x52).Op(0x1D)
            .DefineFunction("twice", {"x"},
                            SwfActions().Push({"x"}).Op(0x1C).Push({"x"}).Op(0x1C).Op(0x47).Op(0x3E).Take())
            .Push({"twice"}).Op(0x1C).Push({tvmtest::SwfValue::Of(tvmtest::SwfValue::Null), "twice", 3})
            .Append(api).Push({"addCallback"}).Op(0x52).Op(0x17)
            .Take();
    tvmtest::SwfMovie movie;
    movie.frameCount = 1;
    movie.tags = tvmtest::SwfTags().DoAction(actions).ShowFrame().End().Take();
    std::string path = tvmtest::OutputDir() + "fscommand.swf";
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    {
        tvmtest::RawFlash flash(control);
        sink.Flash = &flash;
        ASSERT_EQ(flash.PutString(PutMovie, std::wstring(path.begin(), path.end())), S_OK);
        auto fired = [&](DISPID id) {
            for (const auto& event : sink.Events)
                if (event.Id == id)
                    return &event;
            return static_cast<const RecordingSink::Event*>(nullptr);
        };
        const RecordingSink::Event* command = fired(150);
        ASSERT_NE(command, nullptr);
        EXPECT_EQ(command->Texts, (std::vector<std::wstring>{L"kvn_cmd_capture_start", L"go"}));
        EXPECT_EQ(command->Thread, GetCurrentThreadId());
        const RecordingSink::Event* call = fired(197);
        ASSERT_NE(call, nullptr);
        EXPECT_EQ(call->Texts, (std::vector<std::wstring>{
                                   L"<invoke name=\"ask\" returntype=\"xml\"><arguments><string>me</string>"
                                   L"</arguments></invoke>"}));

        // GetVariable (66), SetVariable (65), CallFunction (93).
        BSTR name = SysAllocString(L"reply");
        BSTR value = nullptr;
        EXPECT_EQ(flash.Call(66, name, &value), S_OK);
        EXPECT_EQ(std::wstring(value ? value : L""), L"answered");
        SysFreeString(value);
        SysFreeString(name);
        BSTR path = SysAllocString(L"_root.fromHost");
        BSTR text = SysAllocString(L"hello");
        EXPECT_EQ(flash.Call(65, path, text), S_OK);
        value = nullptr;
        EXPECT_EQ(flash.Call(66, path, &value), S_OK);
        EXPECT_EQ(std::wstring(value ? value : L""), L"hello");
        SysFreeString(value);
        SysFreeString(text);
        SysFreeString(path);
        BSTR request = SysAllocString(L"<invoke name=\"twice\" returntype=\"xml\"><arguments><string>ab</string>"
                                      L"</arguments></invoke>");
        BSTR response = nullptr;
        EXPECT_EQ(flash.Call(93, request, &response), S_OK);
        EXPECT_EQ(std::wstring(response ? response : L""), L"<string>abab</string>");
        SysFreeString(response);
        SysFreeString(request);
        sink.Flash = nullptr;
        EXPECT_EQ(point->Unadvise(cookie), S_OK);
    }
    point->Release();
    container->Release();
    control->Release();
}

}
