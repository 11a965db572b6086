#include "kvnFlashMovieControl.h"

#include <random>

#include "Exceptions.h"
#include "Forms.h"
#include "PlayerBindings.h"
#include "Streams.h"
#include "SysUtils.h"
#include "kvnTools.h"

namespace {

constexpr DWORD kSWFReadyWaitMs = 5000;
constexpr const char* kResourceType = "KVNResources";

// A name for the FLV-player movie in the temporary folder that no file has
// yet: a number from a random start, counting up.
std::string NewTemporaryMovieName()
{
    std::string folder = IncludeTrailingPathDelimiter(GetTempFolder());
    static std::minstd_rand numbers{std::random_device{}()};
    for (unsigned number = numbers() % 1000;; ++number) {
        std::string name = folder + std::to_string(number) + ".swf";
        if (!FileExists(name)) return name;
    }
}

// The program's own FLV-player movie, written to a new temporary file.
std::string WriteFLVPlayerMovie()
{
    TResourceStream movie(GetModuleHandleA(nullptr), "FLVPLAYER", kResourceType);
    std::string name = NewTemporaryMovieName();
    TFileStream file(name, fmCreate);
    file.CopyFrom(movie, 0);
    return name;
}

}

void PumpWaitingMessages()
{
    Application->ProcessMessages();
}

void WaitForMessage(HANDLE event)
{
    MsgWaitForMultipleObjects(event ? 1 : 0, event ? &event : nullptr, FALSE, 1, QS_ALLINPUT);
}

TkvnFlashMovieControl::TkvnFlashMovieControl(TComponent* owner) : TFlashHostControl(owner)
{
    SetWMode(L"window");
}

TkvnFlashMovieControl::~TkvnFlashMovieControl()
{
    // The movie ends with the control, and with the last movie the player's
    // sound output, even where the player outlives its host.
    OnFSCommand = nullptr;
    OnReadyStateChange = nullptr;
    SetMovie(L"");
    DeleteTemporaryMovie();
}

void TkvnFlashMovieControl::DeleteTemporaryMovie()
{
    if (!temporaryMovieFile_.empty() && FileExists(temporaryMovieFile_)) DeleteFile(temporaryMovieFile_);
    temporaryMovieFile_.clear();
}

void TkvnFlashMovieControl::ClearMovieState()
{
    isSWFReady_ = isFLVReady_ = isFLVComplete_ = false;
    flashFileFormat_ = fmtInvalid;
    loadError_.clear();
}

bool TkvnFlashMovieControl::NoteFLVMessage(const std::string& command)
{
    if (command == kFLVMessageReady)
        isFLVReady_ = true;
    else if (command == kFLVMessageComplete)
        isFLVComplete_ = true;
    else
        return false;
    return true;
}

std::string TkvnFlashMovieControl::LowerWMode()
{
    return LowerCase(WideToAnsi(GetWMode()));
}

std::string TkvnFlashMovieControl::PlayMovie(const std::string& fileName, const std::string& parameters, double speed,
                                             const std::string& wmode, const std::wstring& blankMovie)
{
    std::string name = LowerCase(fileName);
    if (FileExists(name)) {
        SetWMode(AnsiToWide(wmode.empty() ? "window" : wmode));
        SetMovie(blankMovie);
        // The player reports even the blank movie ready.
        isSWFReady_ = false;
        PrepareFileLoad();
        ResetVirtualTime();
        SetPlaybackSpeed(speed);
        std::string extension = ExtractFileExt(name);
        if (extension == ".swf") {
            PlaySWF(name + parameters);
        } else if (extension == ".exe") {
            PlayProjector(name, parameters);
        } else if (extension == ".flv" || extension == ".f4v") {
            // Tasks take F4V sources as well; the FLV-player movie plays both.
            flashFileFormat_ = fmtFLV;
            PlayFLV(name);
        }
    } else if (name == "silence") {
        ResetVirtualTime();
        SetPlaybackSpeed(speed);
        try {
            TResourceStream silence(GetModuleHandleA(nullptr), "SILENCE", kResourceType);
            LoadMovieFromStream(silence);
        } catch (const Exception& e) {
            loadError_ = "The silent movie could not be played: " + e.Message();
        }
    }
    return name;
}

void TkvnFlashMovieControl::PlaySWF(const std::string& movie)
{
    flashFileFormat_ = fmtFWS;
    SetMovie(AnsiToWide(movie));
    PumpMessagesUntil([this] { return isSWFReady_; }, kSWFReadyWaitMs);
}

void TkvnFlashMovieControl::PlayProjector(const std::string& fileName, const std::string& parameters)
{
    // The player takes only movie files: the projector's own movie is played
    // from a temporary copy.
    DeleteTemporaryMovie();
    try {
        if (!ExtractSWFFromProjector(fileName, "", {}, temporaryMovieFile_)) {
            loadError_ = "No movie could be taken out of the projector " + fileName;
            return;
        }
    } catch (const Exception& e) {
        loadError_ = "The movie of the projector " + fileName + " could not be copied: " + e.Message();
        return;
    }
    PlaySWF(temporaryMovieFile_ + parameters);
}

void TkvnFlashMovieControl::PlayFLV(const std::string& fileName)
{
    if (FileExists(FLVPlayer)) {
        SetFlashVars(AnsiToWide("url=" + fileName));
        SetMovie(AnsiToWide(FLVPlayer));
        return;
    }
    // Only the latest movie is played: an earlier one goes now rather than
    // staying in the temporary folder.
    DeleteTemporaryMovie();
    try {
        temporaryMovieFile_ = WriteFLVPlayerMovie();
    } catch (const Exception& e) {
        loadError_ = "The FLV player movie could not be prepared: " + e.Message();
        return;
    }
    SetFlashVars(AnsiToWide("cmd=play&url=none&driver=" + fileName.substr(0, 1) + "&path=" + fileName.substr(2)));
    SetMovie(AnsiToWide(temporaryMovieFile_));
}
