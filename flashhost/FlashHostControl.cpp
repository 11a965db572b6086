#include "FlashHostControl.h"

#include "ContentManager.h"

#include "Exceptions.h"
#include "FlashHostParts.h"
#include "Forms.h"

using Microsoft::WRL::ComPtr;

namespace {

constexpr int HimetricPerInch = 2540;

ComPtr<IConnectionPoint> FindConnectionPoint(IUnknown* source, REFIID iid)
{
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container)))) return nullptr;
    if (FAILED(container->FindConnectionPoint(iid, &point))) return nullptr;
    return point;
}

}

void AdviseOnPlayer(IUnknown* source, REFIID iid, IUnknown* sink, DWORD& cookie)
{
    cookie = 0;
    if (ComPtr<IConnectionPoint> point = FindConnectionPoint(source, iid))
        if (FAILED(point->Advise(sink, &cookie))) cookie = 0;
}

void UnadviseOnPlayer(IUnknown* source, REFIID iid, DWORD& cookie)
{
    if (!cookie) return;
    if (ComPtr<IConnectionPoint> point = FindConnectionPoint(source, iid))
        if (SUCCEEDED(point->Unadvise(cookie))) cookie = 0;
}

// ---- Life cycle

TFlashHostControl::TFlashHostControl(TComponent* owner) : TFlashHostControl(owner, PlayerCodeProvider())
{
}

TFlashHostControl::TFlashHostControl(TComponent* owner, TPlayerCodeProvider& provider)
    : TWinControl(owner), frame_(std::make_unique<TInPlaceFrame>(*this)), hostBase_(std::make_unique<THostBase>(*this))
{
    SetBounds(left_, top_, 640, 480);
    // A left press and release inside the control is a click, as for any control.
    SetControlStyle(csDoubleClicks | csNoStdEvents | csClickEvents);
    SetTabStop(true);
    CreatePlayer(provider);
}

void TFlashHostControl::CreatePlayer(TPlayerCodeProvider& provider)
{
    void* instance = nullptr;
    if (FAILED(provider.CreateInstance(IID_IOleObject, &instance)) || !instance) return;
    player_.Attach(static_cast<IOleObject*>(instance));
    try {
        OleCheck(player_->SetClientSite(this));
        OleCheck(RequestNewObjectLayout());
    } catch (...) {
        player_->SetClientSite(nullptr);
        player_.Reset();
        throw;
    }
    if (FAILED(player_.As(&viewObject_))) return;
    eventPoint_ = FindConnectionPoint(player_.Get(), IID_IShockwaveFlashEvents);
    if (eventPoint_ && eventPoint_->Advise(static_cast<IDispatch*>(this), &eventCookie_) == S_OK)
        EventSinkAdvised = true;
}

TFlashHostControl::~TFlashHostControl()
{
    ContentManager().UnregisterControl(hostBase_.get());
    // The window goes while this object can still answer its messages.
    DestroyHandle();
    if (viewObject_) viewObject_->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
    viewObject_.Reset();
    if (EventSinkAdvised) eventPoint_->Unadvise(eventCookie_);
    eventPoint_.Reset();
    MarkUIActive(false);
    if (!player_) return;
    player_->Close(OLECLOSE_NOSAVE);
    DisconnectPlayerInterfaces();
    player_->SetClientSite(nullptr);
    player_.Reset();
}

void TFlashHostControl::LoadMovieFromStream(int layer, TStream& source)
{
    ContentManager().LoadMovieFromStream(hostBase_.get(), true, source, layer);
}

void TFlashHostControl::LoadMovieFromStream(TStream& source)
{
    ContentManager().LoadMovieFromStream(hostBase_.get(), false, source, 0);
}

std::unique_ptr<TStream> TFlashHostControl::CreateMovieStream(int layer)
{
    return ContentManager().CreateMovieStream(hostBase_.get(), true, layer);
}

std::unique_ptr<TStream> TFlashHostControl::CreateMovieStream()
{
    return ContentManager().CreateMovieStream(hostBase_.get(), false, 0);
}

int TFlashHostControl::GetFlashMajorVersion()
{
    if (!player_) return -1;
    return (FlashVersion() >> 16) & 0xFF;
}

int TFlashHostControl::GetFlashLayoutVersion()
{
    int major = GetFlashMajorVersion();
    return major > 10 ? 11 : major;
}

HRESULT TFlashHostControl::RequestNewObjectLayout()
{
    if (!player_) return E_UNEXPECTED;
    SIZEL extent{};
    HRESULT result = player_->GetExtent(DVASPECT_CONTENT, &extent);
    if (FAILED(result)) return result;
    int pixelsPerInch = Screen->PixelsPerInch();
    SetBounds(left_, top_, MulDiv(extent.cx, pixelsPerInch, HimetricPerInch),
              MulDiv(extent.cy, pixelsPerInch, HimetricPerInch));
    return S_OK;
}

void TFlashHostControl::EnsureClientSite()
{
    ComPtr<IOleClientSite> site;
    HRESULT result = E_FAIL;
    try {
        result = player_->GetClientSite(&site);
    } catch (...) {
        result = E_FAIL;
    }
    if (FAILED(result) || !site) OleCheck(player_->SetClientSite(this));
}

void TFlashHostControl::ConnectPlayerInterfaces()
{
    if (playerControl_) return;
    try {
        EnsureClientSite();
        OleCheck(player_.As(&playerControl_));
        OleCheck(player_.As(&playerDispatch_));
        player_.As(&propertyBrowsing_);
        AdviseOnPlayer(player_.Get(), IID_IPropertyNotifySink, static_cast<IPropertyNotifySink*>(this),
                       propertyNotifyCookie_);
        playerControl_->OnAmbientPropertyChange(DISPID_UNKNOWN);
        RequestNewObjectLayout();
    } catch (...) {
        DisconnectPlayerInterfaces();
        throw;
    }
}

void TFlashHostControl::DisconnectPlayerInterfaces()
{
    if (!player_) return;
    UnadviseOnPlayer(player_.Get(), IID_IPropertyNotifySink, propertyNotifyCookie_);
    propertyBrowsing_.Reset();
    playerDispatch_.Reset();
    playerControl_.Reset();
}

// ---- The window

HWND TFlashHostControl::ParentWindow() const
{
    TWinControl* parent = Parent();
    return parent && parent->HandleAllocated() ? parent->Handle() : nullptr;
}

RECT TFlashHostControl::PlayerPlace()
{
    // While the window moves, its rectangle is ahead of the bounds fields.
    if (!HandleAllocated()) return BoundsRect();
    RECT place;
    GetWindowRect(Handle(), &place);
    MapWindowPoints(HWND_DESKTOP, GetParent(Handle()), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

void TFlashHostControl::ActivateInPlace(LONG verb)
{
    RECT place = PlayerPlace();
    player_->DoVerb(verb, nullptr, this, 0, ParentWindow(), &place);
}

void TFlashHostControl::CreateWnd()
{
    if (!player_) {
        TWinControl::CreateWnd();
        return;
    }
    ConnectPlayerInterfaces();
    RECT place = BoundsRect();
    HWND parent = Parent() ? Parent()->Handle() : nullptr;
    player_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent, &place);
    if (!inPlaceObject_) throw EOleError("OLE control activation failed");
    AdoptPlayerWindow();
    if (!Visible() && IsWindowVisible(Handle())) ShowWindow(Handle(), SW_HIDE);
}

void TFlashHostControl::AdoptPlayerWindow()
{
    if (!inPlaceObject_ || HandleAllocated()) return;
    HWND window = nullptr;
    if (FAILED(inPlaceObject_->GetWindow(&window)) || !window)
        throw EOleError("Could not obtain OLE control window handle");
    AdoptHandle(window);
    SendMessageA(window, WM_NULL, 0, 0);
}

void TFlashHostControl::DestroyWindowHandle()
{
    // The player's window stays the player's: it is given back, not destroyed.
    TWinControl::DestroyWindowHandle();
    if (player_) player_->Close(OLECLOSE_NOSAVE);
}

void TFlashHostControl::SetParent(TWinControl* parent)
{
    TWinControl::SetParent(parent);
    if (!parent || !player_) return;
    EnsureClientSite();
    if (playerControl_) playerControl_->OnAmbientPropertyChange(DISPID_UNKNOWN);
}

void TFlashHostControl::SetBounds(int left, int top, int width, int height)
{
    if (player_ && ((width != width_ && width_ > 0) || (height != height_ && height_ > 0))) {
        int pixelsPerInch = Screen->PixelsPerInch();
        SIZEL extent{MulDiv(width, HimetricPerInch, pixelsPerInch), MulDiv(height, HimetricPerInch, pixelsPerInch)};
        if (player_->SetExtent(DVASPECT_CONTENT, &extent) != S_OK) {
            width = width_;
            height = height_;
        }
    }
    TWinControl::SetBounds(left, top, width, height);
}

// ---- IUnknown

HRESULT TFlashHostControl::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite))
        *object = static_cast<IOleClientSite*>(this);
    else if (IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IShockwaveFlashEvents))
        *object = static_cast<IDispatch*>(this);
    else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite))
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (IsEqualIID(iid, IID_IFlashHostControlBase))
        *object = static_cast<IFlashHostControlBase*>(hostBase_.get());
    else if (IsEqualIID(iid, IID_ISimpleFrameSite))
        *object = static_cast<ISimpleFrameSite*>(this);
    else if (IsEqualIID(iid, IID_IPropertyNotifySink))
        *object = static_cast<IPropertyNotifySink*>(this);
    else if (IsEqualIID(iid, IID_IOleInPlaceFrame))
        *object = static_cast<IOleInPlaceFrame*>(frame_.get());
    else if (IsEqualIID(iid, IID_IOleControlSite))
        *object = static_cast<IOleControlSite*>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG TFlashHostControl::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG TFlashHostControl::Release()
{
    return static_cast<ULONG>(InterlockedDecrement(&refCount_));
}
