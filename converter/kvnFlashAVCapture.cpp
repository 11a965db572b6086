#include "kvnFlashAVCapture.h"

#include <algorithm>
#include <cmath>

#include "Exceptions.h"
#include "PlayerBindings.h"
#include "SysUtils.h"
#include "kvnCapturedSound.h"
#include "kvnFramePacing.h"

namespace {

// A movie must be playable this long after its load, and a resumed player
// must write a buffer within as long.
constexpr DWORD kReadyWaitMs = 5000;
constexpr DWORD kSoundWaitMs = 5000;
// A paced player's window shows at most a frame this often.
constexpr DWORD kPreviewIntervalMs = 100;
// The player's own step message: wParam kPlayerStepShown shows the frame
// before the answer, kPlayerStepUnshown leaves it to the host's own drawing.
constexpr WPARAM kPlayerStepShown = 1, kPlayerStepUnshown = 3;
// Failed grabs in a row before a step gives up.
constexpr int kGrabAttempts = 10;
// Frames kept for grabs to come: the queue between the grabs and their
// taker rarely holds more than one or two.
constexpr size_t kSpareFrames = 4;

// Where the sound clock stood when the movie was first seen stopped; below 0
// while unset. One for the process, as the sound clock is.
double forwardMark = -1.0;

// Queues Frame, which the queue then owns; False leaves it with the caller.
bool Queue(TkvnFramesList& frames, std::unique_ptr<TBitmap>& frame)
{
    if (!frames.Add(frame.get(), false)) return false;
    frame.release();
    return true;
}

}

TkvnFlashAVCapture::TkvnFlashAVCapture(TComponent* owner) : TkvnFlashMovieControl(owner) {}

TkvnFlashAVCapture::~TkvnFlashAVCapture()
{
    ResetCapture();
}

void TkvnFlashAVCapture::ResetCapture()
{
    captureCommand_ = ccNone;
    commandsReceived_ = 0;
    stopFrameReached_ = false;
    ClearMovieState();
    enteredFrameCount_ = 0;
    capturedBytes_ = 0;
    grabbedFrames_ = grabSteps_ = 0;
    captureError_.clear();
    forwardMark = -1.0;
    pacing_ = false;
    kvnCapturedSound::ClearHandlers();
    SetAudioHostPaced(false);
    // The devices paused between steps play again: the player may go on
    // without a capture.
    if (GetAudioPaused()) SetAudioPaused(false);
    kvnCapturedSound::Reset();
}

void TkvnFlashAVCapture::InstallSoundHooks()
{
    OnFSCommand = [this](TObject*, const std::wstring& command, const std::wstring& args) {
        HandleFSCommand(command, args);
    };
    OnReadyStateChange = [this](TObject*, int state) { ReadyStateChanged(state); };
    kvnCapturedSound::InstallHandlers();
    pacing_ = PacesPlayer;
    SetAudioHostPaced(pacing_);
}

void TkvnFlashAVCapture::LoadMovie(const std::string& fileName, const std::string& parameters, double speed,
                                   const std::string& wmode)
{
    ResetCapture();
    loadTick_ = GetTickCount();
    PlayMovie(fileName, parameters, speed, wmode, L"");
    RestartCapturedSound();
}

void TkvnFlashAVCapture::RestartCapturedSound()
{
    // Paced, the player writes only as the steps ask: what it wrote so far
    // was mixed before the movie stood where it stands, and belongs to no
    // frame of the capture.
    if (pacing_) kvnCapturedSound::Reset();
}

std::string TkvnFlashAVCapture::CaptureError() const
{
    return captureError_.empty() ? LoadError() : captureError_;
}

void TkvnFlashAVCapture::Fail(const std::string& message)
{
    captureError_ = message;
}

uint32_t TkvnFlashAVCapture::SampleRate()
{
    return kvnCapturedSound::SampleRate();
}

uint16_t TkvnFlashAVCapture::Channels()
{
    return kvnCapturedSound::Channels();
}

uint16_t TkvnFlashAVCapture::SampleBits()
{
    return kvnCapturedSound::SampleBits();
}

void TkvnFlashAVCapture::HandleFSCommand(const std::wstring& command, const std::wstring&)
{
    std::string name = LowerCase(WideToAnsi(command));
    auto named = [&name](const std::string& property, const char* fixed) {
        return name == LowerCase(property) || name == fixed;
    };
    if (named(FSCommand_Capture_Start, "kvn_cmd_capture_start"))
        captureCommand_ = ccStart;
    else if (named(FSCommand_Capture_Stop, "kvn_cmd_capture_stop"))
        captureCommand_ = ccStop;
    else if (named(FSCommand_Capture_Pause, "kvn_cmd_capture_pause"))
        captureCommand_ = ccPause;
    else if (named(FSCommand_Capture_Resume, "kvn_cmd_capture_resume"))
        captureCommand_ = ccResume;
    else if (named(FSCommand_Capture_PauseSaving, "kvn_cmd_capture_pausesaving"))
        captureCommand_ = ccPauseSaving;
    else if (named(FSCommand_Capture_ResumeSaving, "kvn_cmd_capture_resumesaving"))
        captureCommand_ = ccResumeSaving;
    else if (NoteFLVMessage(name))
        captureCommand_ = name == kFLVMessageReady ? ccStart : ccStop;
    else
        return;
    // A command that comes again counts as well: a step ends at its frame.
    ++commandsReceived_;
}

void TkvnFlashAVCapture::WndProc(TMessage& message)
{
    if (message.Msg == kFrameStepMessage) {
        if (message.WParam == kFrameStepRequest) StepFrame(message);
        return;
    }
    // The capture's steps alone move a paced player.
    if (message.Msg == WM_TIMER && pacing_) return;
    if (message.Msg == WM_PAINT && !message.WParam && pacing_ && !showingStep_ && !PreviewDue()) {
        ValidateRect(Handle(), nullptr);
        return;
    }
    TkvnFlashMovieControl::WndProc(message);
}

bool TkvnFlashAVCapture::PreviewDue()
{
    // A paced player runs far faster than the eye: drawing every frame for
    // the screen as well would cost as much as grabbing it.
    const DWORD now = GetTickCount();
    if (now - lastPreviewTick_ < kPreviewIntervalMs) return false;
    lastPreviewTick_ = now;
    return true;
}

void TkvnFlashAVCapture::StepFrame(TMessage& message)
{
    // The player's own step: one frame of the given length. A paced player
    // shows it only as often as the preview wants; the grabs draw it anyway.
    showingStep_ = !pacing_ || PreviewDue();
    message.WParam = showingStep_ ? kPlayerStepShown : kPlayerStepUnshown;
    DefaultHandler(message);
    showingStep_ = false;
    ++enteredFrameCount_;
    if (OnEnterFrame) OnEnterFrame(this, enteredFrameCount_, kvnCapturedSound::Size());
}

void TkvnFlashAVCapture::MoveStoppedMovieOn()
{
    if (SequenceMode != smAlwaysForward) return;
    try {
        if (IsPlaying()) return;
        double clock = kvnCapturedSound::Clock();
        if (forwardMark < 0) {
            forwardMark = clock;
        } else if (clock - forwardMark >= DurationOfWaitingForward * 1000) {
            forwardMark = -1.0;
            Forward();
            Play();
        }
    } catch (const Exception&) {
        // A player that cannot answer is left where it stands.
    }
}

bool TkvnFlashAVCapture::WaitForSound(int64_t bytes)
{
    // A buffer at a time; a movie unloaded meanwhile writes none.
    while (kvnCapturedSound::Size() < bytes) {
        const int64_t before = kvnCapturedSound::Size();
        if (!WaitForSoundBuffer()) return false;
        if (kvnCapturedSound::Size() == before) break;
    }
    return true;
}

bool TkvnFlashAVCapture::WaitForSoundBuffer()
{
    bool written;
    if (pacing_) {
        // The oldest held buffer is played, and the player writes its next at
        // once; a device still opening writes its first buffers unasked.
        const int64_t before = kvnCapturedSound::Size();
        FinishHeldAudioBuffer();
        written = PumpMessagesUntil([&] { return kvnCapturedSound::Size() > before || GetMovie() == L" "; },
                                    kSoundWaitMs, kvnCapturedSound::WrittenEvent());
    } else {
        // A device opened after the resume starts paused: it is resumed once it is there.
        bool resumed = !GetAudioPaused();
        written = PumpMessagesUntil(
            [&] {
                if (!resumed) {
                    SetAudioPaused(false);
                    resumed = !GetAudioPaused();
                    return false;
                }
                return GetAudioPaused() || GetMovie() == L" ";
            },
            kSoundWaitMs);
    }
    if (!written) Fail("The player wrote no sound within 5 seconds: the sound device could not be opened or does not play.");
    return written;
}

bool TkvnFlashAVCapture::GrabFrame(TkvnFramesList& frames)
{
    try {
        if (IsTransparent) {
            std::unique_ptr<TBitmap> overBlack, overWhite;
            if (!CreateFrameBitmapsForAlpha(overBlack, overWhite) || !Queue(frames, overBlack)) return false;
            if (Queue(frames, overWhite)) return true;
            frames.Delete(frames.Count() - 1);  // no half pairs
            return false;
        }
        std::unique_ptr<TBitmap> frame;
        if (LowerWMode() == "direct") {
            frame = CopyLastBlitBitmap();
        } else {
            frame = SpareFrame();
            if (!DrawFrameInto(*frame, pf24bit)) {
                RecycleFrame(std::move(frame));
                return false;
            }
        }
        return !frame->Empty() && Queue(frames, frame);
    } catch (const Exception&) {
        return false;
    }
}

std::unique_ptr<TBitmap> TkvnFlashAVCapture::SpareFrame()
{
    if (spareFrames_.empty()) return std::make_unique<TBitmap>();
    std::unique_ptr<TBitmap> frame = std::move(spareFrames_.back());
    spareFrames_.pop_back();
    return frame;
}

void TkvnFlashAVCapture::RecycleFrame(std::unique_ptr<TBitmap> frame)
{
    if (frame && spareFrames_.size() < kSpareFrames) spareFrames_.push_back(std::move(frame));
}

double TkvnFlashAVCapture::GrabRate() const
{
    return GrabFrameRate > 0 ? GrabFrameRate : CapturedFrameRate(CaptureMode);
}

int64_t TkvnFlashAVCapture::FrameStepsDue() const
{
    if (MovieFrameRate <= 0) return 1;
    // The movie's frame at the next grab's sound time: the first grab takes
    // the frame the movie stands at.
    const double seconds = double(grabbedFrames_) / GrabRate();
    return std::max<int64_t>(0, static_cast<int64_t>(seconds * MovieFrameRate + 1e-9) - grabSteps_);
}

void TkvnFlashAVCapture::StepPlayer()
{
    // A step is one of the movie's frames, or one of the grabs' when the movie has no rate.
    const double rate = MovieFrameRate > 0 ? MovieFrameRate : GrabRate();
    Perform(kFrameStepMessage, kFrameStepRequest, rate > 0 ? LPARAM(std::lround(1e6 / rate)) : 0);
}

void TkvnFlashAVCapture::StepForGrab()
{
    StepPlayer();
    ++grabSteps_;
}

int64_t TkvnFlashAVCapture::GrabFrames(TkvnFramesList& frames, int64_t due)
{
    const uint32_t commands = commandsReceived_;
    int64_t grabbed = 0;
    for (int failures = 0; grabbed < due;) {
        // A failed grab is retried after another step.
        for (int64_t steps = std::max<int64_t>(FrameStepsDue(), failures > 0); steps > 0; --steps) StepForGrab();
        PumpWaitingMessages();
        // A command takes effect from the frame that brought it: that frame
        // is the next step's.
        if (commandsReceived_ != commands) break;
        if (!GrabFrame(frames)) {
            if (++failures < kGrabAttempts) continue;
            Fail("The player's frames could not be grabbed.");
            return -1;
        }
        ++grabbed;
        ++grabbedFrames_;
        failures = 0;
        // The frame grabbed, not where the player stands: a step that ended
        // before a command's frame has already moved the player there. The
        // player counts frames from 0.
        if (StopFrameNumber && GetFrameNum() + 1 >= *StopFrameNumber) {
            stopFrameReached_ = true;
            break;
        }
    }
    return grabbed;
}

double TkvnFlashAVCapture::CaptureBatch(TkvnFramesList& frames, TMemoryStream& sound, int64_t most)
{
    // A capture that failed stays failed: the caller ends the conversion.
    if (!CaptureError().empty()) return -1.0;
    if (!pacing_) SetAudioPaused(false);
    MoveStoppedMovieOn();
    bool ready = FlashFileFormat() == fmtFLV ? IsFLVReady() : IsSWFReady();
    if (!ready) {
        if (GetTickCount() - loadTick_ >= kReadyWaitMs) {
            Fail("The movie did not become ready to play within 5 seconds of its load.");
            return -1.0;
        }
        StepPlayer();
        return -1.0;
    }
    const double rate = GrabRate();
    const int64_t paid = CaptureFramesForSound(capturedBytes_, rate);
    if (!WaitForSound(std::min(most, CaptureSoundForFrames(paid + 1, rate) - capturedBytes_))) return -1.0;
    const int64_t available = std::min(kvnCapturedSound::Size(), most);
    const int64_t due = CaptureFramesForSound(capturedBytes_ + available, rate) - paid;
    const int64_t grabbed = GrabFrames(frames, due);
    if (grabbed < 0) return -1.0;
    // A step that ended early takes the sound of the frames it grabbed. The
    // limit is kept to the sample; otherwise what is left of a frame's time
    // waits for the step that grabs that frame.
    int64_t bytes = available;
    if (grabbed < due)
        bytes = grabbed > 0 ? CaptureSoundForFrames(paid + grabbed, rate) - capturedBytes_ : 0;
    else if (due > 0 && available < most)
        bytes = CaptureSoundForFrames(paid + due, rate) - capturedBytes_;
    bytes = kvnCapturedSound::Take(sound, bytes);
    if (bytes == 0) return -1.0;
    capturedBytes_ += bytes;
    return double(kCaptureBytesPerSecond) / double(bytes);
}

double CreateCaptureBuffers(TkvnFlashAVCapture* control, std::unique_ptr<TkvnFramesList>& frames,
                            std::unique_ptr<TMemoryStream>& sound, uint32_t& command, int64_t most)
{
    frames = std::make_unique<TkvnFramesList>();
    sound = std::make_unique<TMemoryStream>();
    double result = control->CaptureBatch(*frames, *sound, most);
    command = control->CaptureCommand();
    return result;
}

// A frame is paid once the last sample of its time is there; the margin
// keeps a rate's exact multiples from rounding down.
constexpr double kFrameMargin = 1e-7;

int64_t CaptureFramesForSound(int64_t bytes, double rate)
{
    if (bytes <= 0 || !(rate > 0)) return 0;
    const double samples = double(bytes / 4);
    return static_cast<int64_t>(samples * rate / 44100.0 + kFrameMargin);
}

int64_t CaptureSoundForFrames(int64_t frames, double rate)
{
    if (frames <= 0 || !(rate > 0)) return 0;
    return static_cast<int64_t>(std::ceil((double(frames) - kFrameMargin) * 44100.0 / rate)) * 4;
}

void SetCaptureMute(TkvnFlashAVCapture*, bool mute)
{
    SetAudioEnabled(!mute);
}
