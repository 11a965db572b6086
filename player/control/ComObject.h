#pragma once
// The two ways an object of this module implements IUnknown.
#include <windows.h>
#include <unknwn.h>

#include <initializer_list>

#include "ComGuard.h"
#include "PlayerModule.h"

// One interface an object answers. Every interface here derives from IUnknown
// through single inheritance, so the IUnknown pointer is the interface pointer.
struct InterfaceEntry {
    const IID& Iid;
    IUnknown* Pointer;
};

// QueryInterface over a table: the matching entry with a reference added, else
// E_NOINTERFACE.
inline HRESULT AnswerInterface(REFIID iid, void** object, std::initializer_list<InterfaceEntry> entries)
{
    if (!object)
        return E_POINTER;
    for (const InterfaceEntry& entry : entries) {
        if (IsEqualIID(iid, entry.Iid)) {
            entry.Pointer->AddRef();
            *object = entry.Pointer;
            return S_OK;
        }
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// A COM object on the heap. It starts with one reference, held by its creator,
// frees itself when the last reference goes, and keeps the module loaded until
// then. Derived must be final.
template <class Derived, class Interface>
class ComObject : public Interface {
public:
    // Creates an object and answers its interface iid, the way a class factory does.
    static HRESULT Create(REFIID iid, void** object)
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        return Guarded([&] {
            Derived* created = new Derived;
            HRESULT result = created->QueryInterface(iid, object);
            created->Release();
            return result;
        });
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refCount_); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG count = InterlockedDecrement(&refCount_);
        if (count == 0)
            delete static_cast<Derived*>(this);
        return count;
    }

protected:
    ComObject() { LockModule(); }
    ~ComObject() { UnlockModule(); }

private:
    LONG refCount_ = 1;
};

// One interface of an object, kept as a member of it. Its IUnknown is the
// owner's, so every interface of the object shares one identity and one count.
template <class Interface>
class ComPart : public Interface {
public:
    explicit ComPart(IUnknown& owner) : owner_(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return owner_.QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return owner_.AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return owner_.Release(); }

private:
    IUnknown& owner_;
};
