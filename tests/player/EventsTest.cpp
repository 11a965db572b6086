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

// Records each event with its first argument and the thread it came on.
class RecordingSink : public IDispatch {
public:
    struct Event {
        DISPID Id;
        long Argument;
        DWORD Thread;
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
        Events.push_back({id, argument, GetCurrentThreadId()});
        return S_OK;
    }
    LONG References() const { return refs_; }

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

}
