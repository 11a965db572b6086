#pragma once
// Movies served from memory. The host invents a virtual path for each such
// movie ("Z:\FromMemory\<marker>\<number>\<name>.swf") and tells its player to
// load it; the player's CreateURLMoniker and CreateFileA come here, and the
// bytes the host writes into the movie's stream reach the player's download.
// A virtual path whose resources the movie loads by relative paths goes to
// its control's events, then to the control's Base folder.
//
// One manager serves the whole process. The player binds on its own threads
// while the host loads on its own: the manager's lists are guarded by a lock,
// never held while a control or the player is called.
#include <windows.h>
#include <urlmon.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "ContentProvider.h"
#include "FlashHostControlBase.h"
#include "Streams.h"
#include "Threads.h"

// Loaded before every virtual path: no file answers it, so the player lets go
// of the movie it held.
inline constexpr wchar_t UnloadMarker[] = L"file://46A10F369771449587DE913EFC0A258";

class TContentManager {
public:
    // The next virtual path; its number is one more than the last one's.
    std::string NewVirtualPath();
    // The number and the name after it of a virtual path ("\" or "/" alike).
    // False for any other path, or one whose number is no decimal number.
    static bool ParseVirtualPath(const std::string& path, int& number, std::string& rest);
    // Both virtual with the same number and name (case-sensitive), or neither
    // virtual and equal.
    static bool SameVirtualPath(const std::string& a, const std::string& b);

    // The provider waiting for that path, which no longer waits; nullptr when none.
    Microsoft::WRL::ComPtr<IContentProvider> TakeProvider(const std::string& path);
    void RegisterControl(int number, IFlashHostControlBase* control);
    Microsoft::WRL::ComPtr<IFlashHostControlBase> FindControl(int number);
    // The control is going away: every number of it is forgotten.
    void UnregisterControl(IFlashHostControlBase* control);

    // Points the control (or one of its layers) at a new virtual path and
    // answers the stream that path's movie is written into. Freeing the
    // stream ends the movie.
    std::unique_ptr<TStream> CreateMovieStream(IFlashHostControlBase* control, bool useLayer, int layer);
    // The whole of Source, from its start, as the control's movie.
    void LoadMovieFromStream(IFlashHostControlBase* control, bool useLayer, TStream& source, int layer);

    // The player's CreateURLMoniker: a moniker of the manager's own.
    HRESULT CreateMoniker(IMoniker* context, LPCWSTR url, IMoniker** moniker);
    // The player binds that moniker: MK_S_ASYNCHRONOUS when memory serves the
    // URL, E_FAIL for a virtual URL of no control; everything else is the
    // system's binding and answers what it answers.
    HRESULT BindToStorage(IBindCtx* bindContext, IMoniker* left, REFIID iid, IMoniker* context,
                          IBindStatusCallback* callback, const std::wstring& url, void** object);
    // The player's CreateFileA: a virtual path of a known control opens its
    // name under the control's Base folder; anything else, or a failure
    // there, opens the path as given.
    HANDLE CreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                      DWORD flags, HANDLE templateFile);

private:
    struct TProviderEntry {
        std::string Path;
        Microsoft::WRL::ComPtr<IContentProvider> Provider;
    };
    struct TControlEntry {
        int Number;
        Microsoft::WRL::ComPtr<IFlashHostControlBase> Control;
    };

    // The control's events serve Name to the player's callback: true when one of them does.
    bool OfferToEvents(IFlashHostControlBase* control, const std::string& name, IBindStatusCallback* callback);

    TCriticalSection lock_;
    int counter_ = 1;
    std::vector<TProviderEntry> providers_;
    std::vector<TControlEntry> controls_;
};

// The process's manager.
TContentManager& ContentManager();
