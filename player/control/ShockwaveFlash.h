#pragma once
// The control's IShockwaveFlash, over the control's engine and properties.
#include "ComObject.h"
#include "ShockwaveFlashSlots.h"

class PlayerControl;

class ShockwaveFlash final : public ComPart<IShockwaveFlash> {
public:
    explicit ShockwaveFlash(PlayerControl& control);

    // IDispatch: the host calls by position; names and type information are
    // not offered.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

#define TVM_OVERRIDE_FLASH_SLOT(position, name, parameters) \
    HRESULT STDMETHODCALLTYPE name parameters override;
    TVM_FLASH_SLOTS(TVM_OVERRIDE_FLASH_SLOT)
#undef TVM_OVERRIDE_FLASH_SLOT

private:
    PlayerControl& control_;
};
