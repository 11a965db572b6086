#include "kvnFlashPreview.h"

#include <cstdlib>

#include "Exceptions.h"
#include "PlayerBindings.h"
#include "SysUtils.h"
#include "kvnFlashAVCapture.h"

TkvnFlashPreview::TkvnFlashPreview(TComponent* owner) : TkvnFlashMovieControl(owner) {}

void TkvnFlashPreview::LoadMovie(const std::string& fileName, const std::string& parameters, double speed,
                                 const std::string& wmode)
{
    Unload();
    std::string name = PlayMovie(fileName, parameters, speed, wmode, L" ");
    if (FlashFileFormat() != fmtInvalid) FlashFileName = name;
}

void TkvnFlashPreview::PrepareFileLoad()
{
    OnFSCommand = [this](TObject*, const std::wstring& command, const std::wstring& args) {
        HandleFSCommand(command, args);
    };
    OnReadyStateChange = [this](TObject*, int state) { ReadyStateChanged(state); };
}

void TkvnFlashPreview::Unload()
{
    // The player reports the empty movie ready: the flags are cleared after it.
    SetMovie(L"");
    ClearMovieState();
}

void TkvnFlashPreview::Play()
{
    SetMute(false);
    Resume();
    TkvnFlashMovieControl::Play();
}

void TkvnFlashPreview::Stop()
{
    SetMute(true);
    Resume();
    Unload();
}

MMRESULT TkvnFlashPreview::Pause()
{
    return SetAudioPaused(true);
}

MMRESULT TkvnFlashPreview::Resume()
{
    return SetAudioPaused(false);
}

void TkvnFlashPreview::SetMute(bool mute)
{
    SetAudioEnabled(!mute);
}

bool TkvnFlashPreview::Snapshot(std::unique_ptr<TBitmap>& bitmap)
{
    if (LowerWMode() != "direct") return CreateFrameBitmap(bitmap);
    try {
        bitmap = CopyLastBlitBitmap();
        return true;
    } catch (const Exception&) {
        return false;
    }
}

std::unique_ptr<TBitmap> TkvnFlashPreview::GetFrameBitmap()
{
    std::unique_ptr<TBitmap> frame;
    if (!IsTransparent) return Snapshot(frame) ? std::move(frame) : nullptr;
    std::unique_ptr<TBitmap> overWhite;
    try {
        if (!CreateFrameBitmapsForAlpha(frame, overWhite)) return nullptr;
        return AlphaFromTwoBackgrounds(*frame, *overWhite);
    } catch (const Exception&) {
        return nullptr;
    }
}

void TkvnFlashPreview::WndProc(TMessage& message)
{
    if (message.Msg != WM_TIMER && message.Msg != kFrameStepMessage) {
        TkvnFlashMovieControl::WndProc(message);
        return;
    }
    DefaultHandler(message);
    if (OnTimer) OnTimer(this, GetFrameNum(), -1.0);
}

void TkvnFlashPreview::HandleFSCommand(const std::wstring& command, const std::wstring& args)
{
    std::string name = LowerCase(WideToAnsi(command));
    if (NoteFLVMessage(name) || name != kFLVMessagePlayheadUpdate || !OnTimer) return;
    // The FLV player writes its position with a point; anything else is no position.
    std::string text = WideToAnsi(args);
    char* end = nullptr;
    double seconds = std::strtod(text.c_str(), &end);
    if (!text.empty() && end == text.c_str() + text.size()) OnTimer(this, -1, seconds);
}
