#pragma once
// The player control: one COM object whose interfaces are parts kept as its
// members (ComPart). A new interface is a new part, answered in QueryInterface;
// state that several parts need lives here.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include "ComObject.h"
#include "OleObject.h"

inline constexpr CLSID CLSID_PlayerControl = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

class PlayerControl final : public ComObject<PlayerControl, IUnknown> {
public:
    PlayerControl();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    Microsoft::WRL::ComPtr<IOleClientSite> ClientSite;
    // The control's size in HIMETRIC units (0.01 mm), as its container sees it.
    SIZEL Extent;

private:
    OleObject oleObject_;
};
