#pragma once
// The player control a conversion drives. It plays one movie (an SWF file, an
// FLV file through the FLV-player movie, or the silent movie of the program's
// resources) and lets the movie's own sound set the pace: one capture step
// resumes the player's sound devices, waits until the player has written
// sound for at least one more frame (the write handler pauses the devices
// again after each buffer), and grabs as many frames as that sound pays for,
// stepping the player to each one's time before its grab. A step takes the
// sound of whole frames only, and ends early at a frame that brings a capture
// command or reaches the stop frame, so that commands and stops fall on the
// very frame. The movie's FSCommands become capture command codes.
//
// The sound and clock handlers are process-wide: the control that loaded a
// file last owns them, and loading or destroying any capture control clears
// them for every control.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Streams.h"
#include "kvnFlashMovieControl.h"
#include "kvnFramesList.h"
#include "kvnTavelomaticType.h"

// Fired after each frame step; Data is the size in bytes of the sound
// captured since the last step.
using TCustomOnEnterFrameEvent = std::function<void(TObject* sender, uint32_t enteredFrameCount, int64_t data)>;

// Capture command codes, set by the movie's FSCommands.
enum TkvnCaptureCommand : uint32_t {
    ccNone = 0,
    ccStart = 1,
    ccStop = 2,
    ccPause = 3,
    ccResume = 4,
    ccPauseSaving = 5,
    ccResumeSaving = 6,
};

// The message that steps the player by one frame: sent to the control with
// wParam kFrameStepRequest (other values are dropped) and lParam the step's
// length in microseconds, which the player's videos keep to.
constexpr UINT kFrameStepMessage = WM_USER + 1;
constexpr WPARAM kFrameStepRequest = 2;

// 44,100 Hz, 16-bit stereo: the bytes of one second of the player's sound.
constexpr int64_t kCaptureBytesPerSecond = 176400;

class TkvnFlashAVCapture : public TkvnFlashMovieControl {
public:
    // A control over an instance of the process's player, in window mode.
    explicit TkvnFlashAVCapture(TComponent* owner);
    ~TkvnFlashAVCapture() override;

    std::string ClassName() const override { return "TkvnFlashAVCapture"; }

    using TFlashHostControl::LoadMovie;
    // Loads FileName (lower-cased) with Parameters appended: ".swf" plays
    // directly and is waited for until ready (at most 5,000 ms), ".flv" plays
    // through the FLV-player movie (FLVPlayer, else the one in the program's
    // resources, written to a temporary file). "silence", when no such file
    // exists, plays the silent movie of the resources. Every load resets the
    // capture; file loads install the sound handlers. A load that cannot be
    // made sets CaptureError.
    void LoadMovie(const std::string& fileName, const std::string& parameters, double speed,
                   const std::string& wmode);
    // Command code 0, ready flags False, no frame steps, sound clock 0, no
    // captured sound, no error, and every sound and clock handler of the
    // process cleared.
    void ResetCapture();
    // The ready and FSCommand handlers of this control, and the process-wide
    // sound handlers that capture the player's sound.
    void InstallSoundHooks();

    // FLVPlayer, the ready flags and FlashFileFormat come with
    // TkvnFlashMovieControl.

    // Kept, not used.
    double BufferTime = 0;
    // Frame steps since the last reset.
    uint32_t EnteredFrameCount() const { return enteredFrameCount_; }
    // Sound bytes per grabbed frame: cmSafe 4,096, cm2X 2,048, cm4X 1,024.
    TkvnCaptureMode CaptureMode = cmSafe;
    // smAlwaysForward moves a stopped movie on once it has stood for
    // DurationOfWaitingForward seconds of sound.
    TkvnSequenceMode SequenceMode = smAlwaysForward;
    double DurationOfWaitingForward = 1.0;
    // FSCommand names; compared without regard to case, each before its
    // fixed default.
    std::string FSCommand_Capture_Start = "kvn_cmd_capture_start";
    std::string FSCommand_Capture_Pause = "kvn_cmd_capture_pause";
    std::string FSCommand_Capture_Resume = "kvn_cmd_capture_resume";
    std::string FSCommand_Capture_Stop = "kvn_cmd_capture_stop";
    std::string FSCommand_Capture_PauseSaving = "kvn_cmd_capture_pausesaving";
    std::string FSCommand_Capture_ResumeSaving = "kvn_cmd_capture_resumesaving";
    // Each grabbed frame is a pair of renders, over black then over white.
    bool IsTransparent = false;
    // Frames grabbed per second of sound; 0 takes CaptureMode's (one frame
    // per 4,096, 2,048 or 1,024 bytes).
    double GrabFrameRate = 0;
    // The movie's own frames a second; above 0, the player is stepped only as
    // often as the grabbed frames' sound time calls for, so that the picture
    // keeps the movie's pace however many frames the sound pays for. 0 steps
    // it before every grab.
    double MovieFrameRate = 0;
    // A conversion's capture: from the load of a file on, the player moves
    // only by the capture's steps (its own timer is held back), and its sound
    // devices play nothing by themselves: each step has the player write its
    // next buffer at once (host pacing, PlayerBindings.h), so the capture runs
    // as fast as the frames can be grabbed; the window shows a frame about ten
    // times a second. Without it the sound devices set the pace, in real time.
    bool PacesPlayer = false;
    // The frame (counted from 1) a conversion stops at: a step ends with the
    // grab of the first frame at or past it, and with that frame's sound.
    std::optional<int32_t> StopFrameNumber;
    TCustomOnEnterFrameEvent OnEnterFrame;

    // A frame grabbed since the last reset stood at or past StopFrameNumber.
    bool ReachedStopFrame() const { return stopFrameReached_; }

    // The sound captured so far is dropped: the captured sound starts with
    // the frame the movie stands at now. A load does it once the movie is
    // there; a jump to another frame before the first step calls for it again.
    void RestartCapturedSound();

    // A grabbed frame its taker is done with: later grabs draw into its
    // memory rather than ask the system for more, which costs more than the
    // drawing itself. A few are kept; the rest are freed.
    void RecycleFrame(std::unique_ptr<TBitmap> frame);

    // The last command code (TkvnCaptureCommand); stays until the next load
    // or command.
    uint32_t CaptureCommand() const { return captureCommand_; }
    // Why the conversion cannot go on, empty while it can: the movie did not
    // become ready within 5,000 ms of its load, no sound device could be
    // opened, the player wrote no sound within 5,000 ms, frames could not be
    // grabbed, or the load itself failed. A step answers -1.0 when it sets it.
    std::string CaptureError() const;

    // The format of the most recently opened sound device (process-wide).
    static uint32_t SampleRate();
    static uint16_t Channels();
    static uint16_t SampleBits();

protected:
    void WndProc(TMessage& message) override;
    void PrepareFileLoad() override { InstallSoundHooks(); }

private:
    friend double CreateCaptureBuffers(TkvnFlashAVCapture* control, std::unique_ptr<TkvnFramesList>& frames,
                                       std::unique_ptr<TMemoryStream>& sound, uint32_t& command, int64_t most);
    double CaptureBatch(TkvnFramesList& frames, TMemoryStream& sound, int64_t most);
    double GrabRate() const;
    bool WaitForSound(int64_t bytes);
    bool WaitForSoundBuffer();
    void MoveStoppedMovieOn();
    int64_t GrabFrames(TkvnFramesList& frames, int64_t due);
    bool GrabFrame(TkvnFramesList& frames);
    int64_t FrameStepsDue() const;
    void StepPlayer();
    void StepForGrab();
    std::unique_ptr<TBitmap> SpareFrame();
    void StepFrame(TMessage& message);
    bool PreviewDue();
    void HandleFSCommand(const std::wstring& command, const std::wstring& args);
    void Fail(const std::string& message);

    uint32_t captureCommand_ = ccNone;
    // Capture commands received since the last reset.
    uint32_t commandsReceived_ = 0;
    bool stopFrameReached_ = false;
    uint32_t enteredFrameCount_ = 0;
    // Sound bytes captured since the last reset.
    int64_t capturedBytes_ = 0;
    // Host pacing is on: PacesPlayer, and a file was loaded.
    bool pacing_ = false;
    // Frames grabbed, and steps made for them, since the last reset.
    int64_t grabbedFrames_ = 0;
    int64_t grabSteps_ = 0;
    // GetTickCount of the last frame a paced player showed on the screen.
    DWORD lastPreviewTick_ = 0;
    // Inside a step that the player shows on the screen.
    bool showingStep_ = false;
    // GetTickCount of the last load; readiness is awaited from there.
    DWORD loadTick_ = 0;
    std::string captureError_;
    std::vector<std::unique_ptr<TBitmap>> spareFrames_;
};

// One capture step: new Frames and Sound, filled by the step, and the command
// code at its end. Answers kCaptureBytesPerSecond / (bytes captured), the
// steps per second of sound, or -1.0 when nothing was captured (the movie not
// ready yet, no sound, a command that came with the step's first frame, or a
// failure that CaptureError names). The step takes at most Most bytes of the
// sound captured, cut to the sample; without that limit, the sound of its
// whole frames. The rest waits for the next step. The caller owns Frames and
// Sound.
double CreateCaptureBuffers(TkvnFlashAVCapture* control, std::unique_ptr<TkvnFramesList>& frames,
                            std::unique_ptr<TMemoryStream>& sound, uint32_t& command,
                            int64_t most = std::numeric_limits<int64_t>::max());

// The whole frames that Bytes of captured sound pay for at Rate frames a second.
int64_t CaptureFramesForSound(int64_t bytes, double rate);
// The least sound, in whole samples, that pays for Frames frames at Rate:
// the sound up to the end of the last one's time.
int64_t CaptureSoundForFrames(int64_t frames, double rate);

// One 32-bit frame with alpha from two renders of one size, over black and
// over white: alpha is 255 less the brightening of red over white (0 to
// 255), colours are the colours over black divided by alpha (at most 255).
// OverSecond is changed in place; the answer is a new bitmap.
std::unique_ptr<TBitmap> AlphaFromTwoBackgrounds(TBitmap& overBlack, TBitmap& overSecond);

// Mutes (or unmutes) every player of the process.
void SetCaptureMute(TkvnFlashAVCapture* control, bool mute);
