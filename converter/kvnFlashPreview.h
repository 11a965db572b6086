#pragma once
// The player control of the main window's preview and of the crop window: an
// SWF file played directly or an FLV file through the FLV-player movie, with
// play, pause, resume, stop and mute through the process-wide sound control,
// and snapshots of the current frame (with alpha for a transparent stage).
// It installs no sound handlers: the player's sound is heard as it plays.
#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <memory>
#include <string>

#include "kvnFlashMovieControl.h"

// Frame is the player's frame number and Time -1.0 after the player's own
// timer or frame step; Frame is -1 and Time the FLV's position in seconds
// when the FLV-player movie reports it.
using TCustomOnTimerEvent = std::function<void(TObject* sender, int frame, double time)>;

class TkvnFlashPreview : public TkvnFlashMovieControl {
public:
    // In window mode.
    explicit TkvnFlashPreview(TComponent* owner);

    std::string ClassName() const override { return "TkvnFlashPreview"; }

    using TFlashHostControl::LoadMovie;
    // Unloads, then loads as the capture control does (".swf", ".flv",
    // "silence"), with the ready and FSCommand handlers of the preview and
    // without sound handlers.
    void LoadMovie(const std::string& fileName, const std::string& parameters, double speed,
                   const std::string& wmode);
    // Ready and complete flags False, no movie.
    void Unload();
    // Unmutes, resumes the sound and plays.
    void Play() override;
    // Mutes, resumes the sound and unloads.
    void Stop() override;
    // These three act on every player of the process.
    MMRESULT Pause();
    MMRESULT Resume();
    void SetMute(bool mute);

    // The current frame: the copy of the player's last blit in "direct"
    // mode, else drawn into a new 24-bit bitmap. False when it fails.
    bool Snapshot(std::unique_ptr<TBitmap>& bitmap);
    // A snapshot, or with IsTransparent a 32-bit frame with the stage's
    // alpha; nullptr when it fails. The caller owns it.
    std::unique_ptr<TBitmap> GetFrameBitmap();

    // The file loaded, lower-cased.
    std::string FlashFileName;
    bool IsTransparent = false;
    TCustomOnTimerEvent OnTimer;

protected:
    void WndProc(TMessage& message) override;
    void PrepareFileLoad() override;

private:
    void HandleFSCommand(const std::wstring& command, const std::wstring& args);
};
