#include "EventPoint.h"

#include <algorithm>
#include <new>
#include <vector>

#include "ComGuard.h"

HRESULT EventPoint::QueryInterface(REFIID iid, void** object)
{
    return AnswerInterface(iid, object, {{IID_IUnknown, this}, {IID_IConnectionPoint, this}});
}

HRESULT EventPoint::GetConnectionInterface(IID* iid)
{
    if (!iid)
        return E_POINTER;
    *iid = DIID_ShockwaveFlashEvents;
    return S_OK;
}

HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** container)
{
    if (!container)
        return E_POINTER;
    *container = container_;
    if (!container_)
        return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

HRESULT EventPoint::Advise(IUnknown* sink, DWORD* cookie)
{
    if (!cookie)
        return E_POINTER;
    *cookie = 0;
    if (!sink)
        return E_POINTER;
    return Guarded([&] {
        Microsoft::WRL::ComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(DIID_ShockwaveFlashEvents, reinterpret_cast<void**>(dispatch.GetAddressOf())))
            && FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()))))
            return CONNECT_E_CANNOTCONNECT;
        sinks_[nextCookie_] = dispatch;
        *cookie = nextCookie_++;
        return S_OK;
    });
}

HRESULT EventPoint::Unadvise(DWORD cookie)
{
    return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

HRESULT EventPoint::EnumConnections(IEnumConnections** connections)
{
    if (connections)
        *connections = nullptr;
    return E_NOTIMPL;
}

void EventPoint::Fire(DISPID event, std::initializer_list<VARIANT> arguments)
{
    // IDispatch takes its arguments last first.
    std::vector<VARIANT> reversed(arguments.begin(), arguments.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    std::vector<Microsoft::WRL::ComPtr<IDispatch>> targets;
    for (const auto& sink : sinks_) targets.push_back(sink.second);
    for (const auto& target : targets)
        target->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
}

VARIANT IntArgument(long value)
{
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.lVal = value;
    return argument;
}

VARIANT StringArgument(const std::wstring& value)
{
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    if (!argument.bstrVal)
        throw std::bad_alloc();
    return argument;
}
