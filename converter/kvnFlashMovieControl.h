#pragma once
// What the capture and the preview controls share: how a movie is loaded. An
// SWF file plays directly and is waited for until ready, a projector's movie
// likewise from a temporary copy; an FLV file plays
// through the FLV-player movie, an external one or the program's own written
// to a temporary file; "silence" plays the silent movie of the program's
// resources.
#include <windows.h>

#include <string>

#include "FlashHostControl.h"
#include "kvnTavelomaticType.h"

class TkvnFlashMovieControl : public TFlashHostControl {
public:
    // An external FLV-player movie used instead of the program's own.
    std::string FLVPlayer;
    // The player reported a ready state above 0.
    bool IsSWFReady() const { return isSWFReady_; }
    // The FLV-player movie sent "kvn_flvmsg_ready" / "kvn_flvmsg_complete".
    bool IsFLVReady() const { return isFLVReady_; }
    bool IsFLVComplete() const { return isFLVComplete_; }
    // fmtFWS after an SWF load, fmtFLV after an FLV load, else fmtInvalid.
    TkvnFlashFileFormat FlashFileFormat() const { return flashFileFormat_; }
    // Why the last load could not be made (the FLV-player movie missing or
    // not written), empty when it could.
    const std::string& LoadError() const { return loadError_; }

protected:
    // In window mode.
    explicit TkvnFlashMovieControl(TComponent* owner);
    // Deletes the temporary movie (the FLV player's or a projector's).
    ~TkvnFlashMovieControl() override;

    // FileName lower-cased, with Parameters appended: the load both controls
    // make after their own reset. An existing file gets WMode (else
    // "window"), Movie := BlankMovie, the handlers PrepareFileLoad installs,
    // the clock restarted at Speed, and then plays by its extension; a
    // missing file named "silence" plays the silent movie; anything else
    // loads nothing. Answers the lower-cased name.
    std::string PlayMovie(const std::string& fileName, const std::string& parameters, double speed,
                          const std::string& wmode, const std::wstring& blankMovie);
    virtual void PrepareFileLoad() = 0;

    // Ready flags and format back to nothing loaded; no load error.
    void ClearMovieState();
    // The ready handler: IsSWFReady := State > 0.
    void ReadyStateChanged(int state) { isSWFReady_ = state > 0; }
    // Notes the FLV player's ready and complete messages; answers whether
    // Command (lower case) was one of them.
    bool NoteFLVMessage(const std::string& command);
    // The player's window mode, lower-cased.
    std::string LowerWMode();

private:
    void PlaySWF(const std::string& movie);
    void PlayProjector(const std::string& fileName, const std::string& parameters);
    void PlayFLV(const std::string& fileName);
    void DeleteTemporaryMovie();

    bool isSWFReady_ = false;
    bool isFLVReady_ = false;
    bool isFLVComplete_ = false;
    TkvnFlashFileFormat flashFileFormat_ = fmtInvalid;
    std::string temporaryMovieFile_;
    std::string loadError_;
};

// The FSCommand messages of the FLV-player movie.
inline constexpr const char* kFLVMessageReady = "kvn_flvmsg_ready";
inline constexpr const char* kFLVMessagePlayheadUpdate = "kvn_flvmsg_playheadupdate";
inline constexpr const char* kFLVMessageComplete = "kvn_flvmsg_complete";

// Handles waiting window messages of the calling thread until Done answers
// True or TimeoutMs (by GetTickCount) have passed; answers Done's last word.
// Between looks it waits for a message, or for Event when one is given.
template <class Done>
bool PumpMessagesUntil(Done done, DWORD timeoutMs, HANDLE event = nullptr);
void PumpWaitingMessages();
// Waits up to 1 ms for a message (or Event) to arrive.
void WaitForMessage(HANDLE event = nullptr);

template <class Done>
bool PumpMessagesUntil(Done done, DWORD timeoutMs, HANDLE event)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        PumpWaitingMessages();
        WaitForMessage(event);
    }
    return true;
}
