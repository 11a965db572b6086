#pragma once
// The control's connection point for its event interface: an object of its
// own identity that keeps the host's event sinks and calls them.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <initializer_list>
#include <map>
#include <string>

#include "ComObject.h"

inline constexpr IID DIID_ShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// The events' dispatch identifiers.
enum FlashEvent : DISPID {
    EventReadyStateChange = -609,
    EventProgress = 1958,
    EventFSCommand = 150,
    EventFlashCall = 197,
};

class EventPoint final : public ComObject<EventPoint, IConnectionPoint> {
public:
    explicit EventPoint(IConnectionPointContainer* container) : container_(container) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

    // The container goes before the point may: the point then answers for
    // no container.
    void Detach() { container_ = nullptr; }

    // Calls every sink with the arguments in the order of the event's
    // declaration. A sink may unadvise from inside its call.
    void Fire(DISPID event, std::initializer_list<VARIANT> arguments);

private:
    IConnectionPointContainer* container_;
    std::map<DWORD, Microsoft::WRL::ComPtr<IDispatch>> sinks_;
    DWORD nextCookie_ = 1;
};

// A 32-bit integer argument for Fire.
VARIANT IntArgument(long value);
// A string argument for Fire; the caller clears it after.
VARIANT StringArgument(const std::wstring& value);
