#pragma once
// Creates player controls for DllGetClassObject's callers.
#include "ComObject.h"

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;
};
