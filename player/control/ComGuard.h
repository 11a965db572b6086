#pragma once
// What every COM method of the control goes through: no C++ exception may
// cross into the host, and strings cross as BSTRs.
#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

// Runs body, which answers an HRESULT; an exception becomes E_OUTOFMEMORY
// or E_FAIL instead of leaving the method.
template <class Body>
HRESULT Guarded(Body&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// A BSTR argument as a string; a null BSTR is the empty string.
inline std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

// A new BSTR for an out argument; the caller frees it.
inline HRESULT ToBstr(const std::wstring& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

inline VARIANT_BOOL ToVariantBool(bool value)
{
    return value ? VARIANT_TRUE : VARIANT_FALSE;
}

// Wide text in the system's ANSI code page, as the A functions want it, or
// in another code page.
std::string ToAnsi(const std::wstring& text, UINT codePage = CP_ACP);
std::wstring FromAnsi(const std::string& text, UINT codePage = CP_ACP);
