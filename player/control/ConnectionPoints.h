#pragma once
// The control's IConnectionPointContainer: one point, for its events.
#include <windows.h>
#include <ocidl.h>

#include "ComObject.h"
#include "EventPoint.h"

class ConnectionPoints final : public ComPart<IConnectionPointContainer> {
public:
    explicit ConnectionPoints(IUnknown& owner);
    ~ConnectionPoints();

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    ConnectionPoints(const ConnectionPoints&) = delete;
    ConnectionPoints& operator=(const ConnectionPoints&) = delete;

    EventPoint& Events() { return *events_; }

private:
    EventPoint* events_;
};
