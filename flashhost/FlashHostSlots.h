#pragma once
// The player's scripting interface as the host calls it: by position in its
// function table, with the parameter types of the player's one slot table.
// Older players put some members at other positions, which the callers give.
#include "ShockwaveFlashSlots.h"

#include <utility>

namespace flashslots {

// One type per member: its layout-11 position and its signature.
#define TVM_HOST_SLOT(position, name, parameters) \
    struct name {                                 \
        static constexpr int Position = position; \
        using Signature = HRESULT parameters;     \
    };
TVM_FLASH_SLOTS(TVM_HOST_SLOT)
#undef TVM_HOST_SLOT

// A property of layout 5 only, dropped by later players.
struct get_Stacking {
    static constexpr int Position = 75;
    using Signature = HRESULT(BSTR* stacking);
};
struct put_Stacking {
    static constexpr int Position = 76;
    using Signature = HRESULT(BSTR stacking);
};

template <class Signature>
struct Function;
template <class... Parameters>
struct Function<HRESULT(Parameters...)> {
    using Pointer = HRESULT(STDMETHODCALLTYPE*)(IShockwaveFlash*, Parameters...);
};

// Calls the member of Slot's signature found at Position.
template <class Slot, class... Args>
HRESULT Call(IShockwaveFlash* flash, int position, Args&&... args)
{
    void** table = *reinterpret_cast<void***>(flash);
    auto member = reinterpret_cast<typename Function<typename Slot::Signature>::Pointer>(table[position]);
    return member(flash, std::forward<Args>(args)...);
}

// The function-table layouts of the player generations, as a set.
constexpr unsigned Layout3 = 0x01;
constexpr unsigned Layout4 = 0x02;
constexpr unsigned Layout5 = 0x04;
constexpr unsigned Layout6 = 0x08;
constexpr unsigned Layout7To10 = 0x10;
constexpr unsigned Layout11 = 0x20;
constexpr unsigned AllLayouts = 0x3F;

// The set member of a layout version; 0 for a version below 3.
constexpr unsigned LayoutOf(int layoutVersion)
{
    if (layoutVersion >= 11) return Layout11;
    if (layoutVersion >= 7) return Layout7To10;
    if (layoutVersion >= 3) return 1u << (layoutVersion - 3);
    return 0;
}

}
