#pragma once
// Reference counting for COM objects of the program's own: the object frees
// itself when its last reference goes. The count is safe across threads.
#include <windows.h>
#include <unknwn.h>

#include <initializer_list>

// One interface an object answers, and the pointer it answers with.
struct TInterfaceEntry {
    const IID& Iid;
    IUnknown* Pointer;
};

// Interfaces are the COM interfaces the object implements; the object defines
// QueryInterface, usually through Answer. It starts with no reference: the
// creator takes the first (a ComPtr made from the new object does).
template <class... Interfaces>
class TInterfacedObject : public Interfaces... {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

protected:
    TInterfacedObject() = default;
    virtual ~TInterfacedObject() = default;
    TInterfacedObject(const TInterfacedObject&) = delete;
    TInterfacedObject& operator=(const TInterfacedObject&) = delete;

    // The entry for iid with a reference added; IUnknown answers the first.
    HRESULT Answer(REFIID iid, void** object, std::initializer_list<TInterfaceEntry> entries)
    {
        if (!object)
            return E_POINTER;
        for (const TInterfaceEntry& entry : entries) {
            if (IsEqualIID(iid, entry.Iid) || IsEqualIID(iid, IID_IUnknown)) {
                entry.Pointer->AddRef();
                *object = entry.Pointer;
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG references_ = 0;
};
