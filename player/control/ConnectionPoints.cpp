#include "ConnectionPoints.h"

// The point starts with the one reference that this part holds.
ConnectionPoints::ConnectionPoints(IUnknown& owner) : ComPart(owner), events_(new EventPoint(this)) {}

ConnectionPoints::~ConnectionPoints()
{
    events_->Detach();
    events_->Release();
}

HRESULT ConnectionPoints::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points)
        *points = nullptr;
    return E_NOTIMPL;
}

HRESULT ConnectionPoints::FindConnectionPoint(REFIID iid, IConnectionPoint** point)
{
    if (!point)
        return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(iid, DIID_ShockwaveFlashEvents))
        return CONNECT_E_NOCONNECTION;
    events_->AddRef();
    *point = events_;
    return S_OK;
}
