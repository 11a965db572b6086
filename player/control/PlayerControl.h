#pragma once
// The player control: one COM object whose interfaces are parts kept as its
// members (ComPart). A new interface is a new part, answered in QueryInterface;
// state that several parts need lives here.
#include <windows.h>
#include <ole2.h>
#include <wrl/client.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ActiveObject.h"
#include "ComObject.h"
#include "ConnectionPoints.h"
#include "FFmpegMediaSources.h"
#include "FFmpegVideoDecoders.h"
#include "ControlProperties.h"
#include "InPlaceObject.h"
#include "MovieDownload.h"
#include "MovieFile.h"
#include "MoviePlayer.h"
#include "OleObject.h"
#include "ShockwaveFlash.h"
#include "SoundMixer.h"
#include "StageWindows.h"
#include "ViewObject.h"
#include "SystemClock.h"

inline constexpr CLSID CLSID_PlayerControl = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

class PlayerControl final : public ComObject<PlayerControl, IUnknown>,
                            private StageWindowOwner,
                            private tvmplayer::ScriptEvents {
    // First, so that they are there for the engine.
    SystemClock clock_;
    FFmpegVideoDecoders videoDecoders_;
    FFmpegMediaSources mediaSources_;
    FileMovieLoader movieLoader_;

public:
    PlayerControl();
    ~PlayerControl();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;

    EventPoint& Events() { return points_.Events(); }

    // In-place activation through the client site: the window is created
    // under the site's window, or moved, to position (the site's own when
    // null). Called again on every resize.
    HRESULT ActivateInPlace(const RECT* position);
    void DeactivateInPlace();
    HWND Window() const { return window_; }

    // Unloads what plays and loads url: a path, with "?name=value&..." for
    // root variables after it. A blank url only unloads; one that cannot be
    // read leaves the control empty and working. Either way the load ends
    // complete, and the host hears so. What CreateFileA cannot open comes
    // through a URL moniker, usually after this returns.
    void LoadMovie(const std::wstring& url);
    // Hands the engine what the properties say of its drawing.
    void ApplyProperties();
    // The current frame, scaled into area of dc.
    void PaintFrame(HDC dc, const RECT& area);
    // The frame to show next, keeping the play state; its actions run.
    void GotoFrame(long frame);
    // Texts between the host and the movie: UTF-8 from version 6 on, the
    // system's code page before.
    std::string ToMovie(const std::wstring& text) const;
    std::wstring FromMovie(const std::string& text) const;

    Microsoft::WRL::ComPtr<IOleClientSite> ClientSite;
    // The control's size in HIMETRIC units (0.01 mm), as its container sees it.
    SIZEL Extent;
    ControlProperties Properties;
    long ReadyState = 4;
    // What the host answers to a FlashCall while it handles the event.
    std::optional<std::wstring> ReturnValue;
    tvmplayer::MoviePlayer Engine{clock_};

private:
    void Trace(const std::string& line) override;
    void FsCommand(const std::string& command, const std::string& args) override;
    std::string ExternalCall(const std::string& request) override;
    LRESULT OnStageMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // The end of a load, with the movie's bytes or without any.
    void FinishLoad(std::optional<std::vector<uint8_t>> bytes);
    // Shows the current frame: in "direct" mode now, by one full-frame BitBlt
    // to the window; otherwise through the window's next paint.
    void Present();
    // Frames advance on a timer at the movie's rate while there is a window.
    void RestartTimer();

    HWND window_ = nullptr;
    Microsoft::WRL::ComPtr<MovieDownload> download_;
    // The "?name=value" part of the url being loaded.
    std::wstring pendingQuery_;
    // Held while a movie is loaded.
    std::unique_ptr<SoundUse> sound_;
    // The pixels of the last paint, kept: a conversion paints every frame,
    // and fresh memory for each cost more than drawing the frame.
    std::vector<uint32_t> paintPixels_;
    OleObject oleObject_;
    ShockwaveFlash flash_;
    ViewObject view_;
    ConnectionPoints points_;
    InPlaceObject inPlace_;
    ActiveObject active_;
    OleControl oleControl_;
};
