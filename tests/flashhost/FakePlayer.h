#pragma once
// A player of any version for the host control: an IOleObject whose
// scripting interface has the 104 entries of the player's function table,
// each recording its position and arguments. Getters hand out a value that
// names their position: 1000 + position for numbers, "slot<position>" for
// strings, True for Booleans. FlashVersion answers Version in bits 16-23.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "PlayerLoader.h"

namespace tvmtest {

struct TRecordedCall {
    int Position;
    std::wstring Arguments;  // the inputs, comma-separated
};

class TFakePlayer final : public IOleObject {
public:
    explicit TFakePlayer(int version);
    ~TFakePlayer();
    TFakePlayer(const TFakePlayer&) = delete;
    TFakePlayer& operator=(const TFakePlayer&) = delete;

    int Version;
    // A call at this position answers E_FAIL.
    int FailingPosition = -1;
    std::vector<TRecordedCall> Calls;
    // The calls but FlashVersion's, which the host makes to learn the layout.
    std::vector<TRecordedCall> CallsButVersion() const;
    // The scripting interface's entry points: built for Version's layout.
    void** Table() { return table_.data(); }
    void Record(int position, std::wstring arguments) { Calls.push_back({position, std::move(arguments)}); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override;
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // With OffersView (set before the control is made) the player has a view
    // object whose Draw answers DrawResult.
    bool OffersView = false;
    HRESULT DrawResult = E_FAIL;

    // The extent in HIMETRIC; SetExtent keeps what it is offered unless RefuseExtent.
    SIZEL Extent{};
    bool RefuseExtent = false;
    int ExtentOffers = 0;

private:
    class TView final : public IViewObject {
    public:
        explicit TView(TFakePlayer& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override { return owner_.QueryInterface(iid, object); }
        ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
        ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }
        HRESULT STDMETHODCALLTYPE Draw(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, HDC, LPCRECTL, LPCRECTL,
                                       BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override
        {
            return owner_.DrawResult;
        }
        HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
        HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override { return S_OK; }
        HRESULT STDMETHODCALLTYPE GetAdvise(DWORD*, DWORD*, IAdviseSink**) override { return E_NOTIMPL; }

    private:
        TFakePlayer& owner_;
    };

    // The scripting interface: its first word is the table.
    struct TFlash {
        void** Table;
        TFakePlayer* Owner;
    };
    ULONG refs_ = 1;
    IOleClientSite* site_ = nullptr;
    std::vector<void*> table_;
    TFlash flash_{};
    TView view_{*this};
};

// Hands out one fake player, or nothing when none is given.
class TFakeProvider : public TPlayerCodeProvider {
public:
    explicit TFakeProvider(TFakePlayer* player) : player_(player) {}
    HRESULT CreateInstance(REFIID riid, void** obj) override;

private:
    TFakePlayer* player_;
};

}
