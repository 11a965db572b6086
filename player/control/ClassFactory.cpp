#include "ClassFactory.h"

#include "PlayerControl.h"

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object)
{
    return AnswerInterface(iid, object, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (outer) {
        if (object)
            *object = nullptr;
        return CLASS_E_NOAGGREGATION;
    }
    return PlayerControl::Create(iid, object);
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}
