#pragma once
// What the movies served from memory need of a player control: loading a path
// into the player, its Base folder, and its two events for the resources such
// a movie loads. The host control answers it; the content manager keeps it
// for every control that plays a movie from memory.
#include <windows.h>
#include <unknwn.h>

#include <string>

#include "Streams.h"

// {911FA1AF-CDB2-45ED-8271-566200000076}
inline constexpr IID IID_IFlashHostControlBase = {
    0x911FA1AF, 0xCDB2, 0x45ED, {0x82, 0x71, 0x56, 0x62, 0x00, 0x00, 0x00, 0x76}};

struct IFlashHostControlBase : IUnknown {
    // Writes the player's Movie property.
    virtual HRESULT STDMETHODCALLTYPE SetMovie(const std::wstring& url) = 0;
    // The player's LoadMovie into Layer.
    virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, const std::wstring& url) = 0;
    // The player's Base property.
    virtual HRESULT STDMETHODCALLTYPE GetBase(std::wstring& base) = 0;
    // S_FALSE without a handler; otherwise the handler may write the resource
    // into Stream, which the caller keeps.
    virtual HRESULT STDMETHODCALLTYPE CallOnLoadExternalResource(const std::string& url, TStream* stream) = 0;
    // S_FALSE without a handler, Handled untouched. A handler that sets
    // Handled takes Stream over: the download ends when it frees it.
    virtual HRESULT STDMETHODCALLTYPE CallOnLoadExternalResourceEx(const std::string& url, TStream* stream,
                                                                   bool& handled) = 0;
};
