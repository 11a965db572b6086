#include "FakePlayer.h"

#include "ShockwaveFlashSlots.h"

namespace tvmtest {
namespace {

constexpr int TableSize = 104;
constexpr int FlashVersionPosition = 39;

struct TFlashSelf {
    void** Table;
    TFakePlayer* Owner;
};

// Inputs, as text.
void Describe(std::wstring& text, int, TFakePlayer&, long value) { text += std::to_wstring(value) + L","; }
void Describe(std::wstring& text, int, TFakePlayer&, int value) { text += std::to_wstring(value) + L","; }
void Describe(std::wstring& text, int, TFakePlayer&, short value) { text += std::to_wstring(value) + L","; }
void Describe(std::wstring& text, int, TFakePlayer&, double value) { text += std::to_wstring(value) + L","; }
void Describe(std::wstring& text, int, TFakePlayer&, BSTR value) { text += std::wstring(value ? value : L"<null>") + L","; }
void Describe(std::wstring&, int, TFakePlayer&, IUnknown*) {}
// Outputs, named after their position.
void Describe(std::wstring&, int position, TFakePlayer& player, long* value)
{
    *value = position == FlashVersionPosition ? player.Version << 16 : 1000 + position;
}
void Describe(std::wstring&, int position, TFakePlayer&, int* value) { *value = 1000 + position; }
void Describe(std::wstring&, int, TFakePlayer&, short* value) { *value = VARIANT_TRUE; }
void Describe(std::wstring&, int position, TFakePlayer&, double* value) { *value = position + 0.5; }
void Describe(std::wstring&, int position, TFakePlayer&, BSTR* value)
{
    *value = SysAllocString((L"slot" + std::to_wstring(position)).c_str());
}
void Describe(std::wstring&, int, TFakePlayer&, IUnknown** value) { *value = nullptr; }

template <int Position, class Signature>
struct Stub;
template <int Position, class... Parameters>
struct Stub<Position, HRESULT(Parameters...)> {
    static HRESULT STDMETHODCALLTYPE Call(TFlashSelf* self, Parameters... parameters)
    {
        TFakePlayer& player = *self->Owner;
        std::wstring text;
        (Describe(text, Position, player, parameters), ...);
        if (!text.empty()) text.pop_back();
        player.Record(Position, text);
        return player.FailingPosition == Position ? E_FAIL : S_OK;
    }
};

template <int Position, class Signature>
void* Entry()
{
    return reinterpret_cast<void*>(&Stub<Position, Signature>::Call);
}

HRESULT STDMETHODCALLTYPE FlashQueryInterface(TFlashSelf* self, REFIID iid, void** object)
{
    return self->Owner->QueryInterface(iid, object);
}
ULONG STDMETHODCALLTYPE FlashAddRef(TFlashSelf* self) { return self->Owner->AddRef(); }
ULONG STDMETHODCALLTYPE FlashRelease(TFlashSelf* self) { return self->Owner->Release(); }
HRESULT STDMETHODCALLTYPE GetTypeInfoCount(TFlashSelf*, UINT*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE GetTypeInfo(TFlashSelf*, UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE GetIDsOfNames(TFlashSelf*, REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE Invoke(TFlashSelf*, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return E_NOTIMPL;
}

}

TFakePlayer::TFakePlayer(int version) : Version(version), table_(TableSize)
{
    table_[0] = reinterpret_cast<void*>(&FlashQueryInterface);
    table_[1] = reinterpret_cast<void*>(&FlashAddRef);
    table_[2] = reinterpret_cast<void*>(&FlashRelease);
    table_[3] = reinterpret_cast<void*>(&GetTypeInfoCount);
    table_[4] = reinterpret_cast<void*>(&GetTypeInfo);
    table_[5] = reinterpret_cast<void*>(&GetIDsOfNames);
    table_[6] = reinterpret_cast<void*>(&Invoke);
#define TVM_FAKE_SLOT(position, name, parameters) table_[position] = Entry<position, HRESULT parameters>();
    TVM_FLASH_SLOTS(TVM_FAKE_SLOT)
#undef TVM_FAKE_SLOT
    if (version == 4 || version == 5) {
        // SWRemote and Stacking sit where later players have other members.
        table_[73] = Entry<73, HRESULT(BSTR*)>();
        table_[74] = Entry<74, HRESULT(BSTR)>();
        table_[75] = Entry<75, HRESULT(BSTR*)>();
        table_[76] = Entry<76, HRESULT(BSTR)>();
    }
    flash_ = TFlash{table_.data(), this};
}

TFakePlayer::~TFakePlayer()
{
    if (site_) site_->Release();
}

std::vector<TRecordedCall> TFakePlayer::CallsButVersion() const
{
    std::vector<TRecordedCall> calls;
    for (const TRecordedCall& call : Calls)
        if (call.Position != FlashVersionPosition) calls.push_back(call);
    return calls;
}

HRESULT TFakePlayer::QueryInterface(REFIID iid, void** object)
{
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleObject))
        *object = static_cast<IOleObject*>(this);
    else if (IsEqualIID(iid, IID_IShockwaveFlash))
        *object = &flash_;
    else if (IsEqualIID(iid, IID_IViewObject) && OffersView)
        *object = static_cast<IViewObject*>(&view_);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT TFakePlayer::SetClientSite(IOleClientSite* site)
{
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
}

HRESULT TFakePlayer::GetClientSite(IOleClientSite** site)
{
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
}

HRESULT TFakePlayer::SetExtent(DWORD, SIZEL* size)
{
    ++ExtentOffers;
    if (RefuseExtent) return E_FAIL;
    Extent = *size;
    return S_OK;
}

HRESULT TFakePlayer::GetExtent(DWORD, SIZEL* size)
{
    *size = Extent;
    return S_OK;
}

HRESULT TFakeProvider::CreateInstance(REFIID riid, void** obj)
{
    *obj = nullptr;
    if (!player_) return E_FAIL;
    return player_->QueryInterface(riid, obj);
}

}
