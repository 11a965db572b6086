#pragma once
// The player control as the program gets it: its module mapped by the
// program's own loader from the resources of tvmpro.exe, its imports bound
// to the program's bindings. Raw calls go by position in the function table,
// as the host makes them.
#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tvmtest {

// Maps the module from the program once per test program.
void MapPlayerFromProgram();

// A resource of the program's executable (tvmpro.exe in bin/) as it is
// stored; empty when there is none.
std::vector<uint8_t> ProgramResource(const char* type, const char* name);

// A new control, answering IOleObject; released by the caller.
IOleObject* NewPlayerControl();

// The control's IShockwaveFlash, called by position.
class RawFlash {
public:
    explicit RawFlash(IUnknown* control);
    ~RawFlash();
    RawFlash(const RawFlash&) = delete;
    RawFlash& operator=(const RawFlash&) = delete;

    template <class... Args>
    HRESULT Call(int position, Args... args)
    {
        using Slot = HRESULT(STDMETHODCALLTYPE*)(void*, Args...);
        void** table = *static_cast<void***>(flash_);
        return reinterpret_cast<Slot>(table[position])(flash_, args...);
    }

    long GetLong(int position);
    std::wstring GetString(int position);
    HRESULT PutString(int position, const std::wstring& value);

    bool Valid() const { return flash_ != nullptr; }

private:
    void* flash_ = nullptr;
};

}
