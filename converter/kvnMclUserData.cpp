#include "kvnMclUserData.h"

#include <cmath>

#include "SysUtils.h"
#include "kvnFlashAVCapture.h"
#include "kvnFramePacing.h"
#include "kvnFrameImages.h"
#include "kvnTavelomatic.h"

namespace {

// The stage colour that lets the movie use its own.
constexpr int32_t kMovieBackground = 0x0FFFFFFF;

// The frame the overlays are placed in: the crop rectangle or the stage.
void FrameSize(const TkvnVideoSettings& video, int& width, int& height)
{
    width = video.IsFrameCropped ? video.CropWidth : video.StageWidth;
    height = video.IsFrameCropped ? video.CropHeight : video.StageHeight;
}

void PrepareOverlays(TMclUserData& context)
{
    const TkvnVideoSettings& video = *context.VideoSettings;
    context.HasOverlay = false;
    int width = 0, height = 0;
    FrameSize(video, width, height);
    int32_t imageWidth = 0, imageHeight = 0;
    if (MclSimpleReadFirstImage(video.WaterMarkImageFileName.c_str(), context.PictureImage) == MCL_OK) {
        MclImgGetInfo(context.PictureImage, &imageWidth, &imageHeight, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr);
        GetOverlayPosition(video.WaterMarkImagePosition, 0, width, height, imageWidth, imageHeight,
                           video.WaterMarkImageLeft, video.WaterMarkImageTop, context.PictureX, context.PictureY);
        context.HasOverlay = true;
    }
    if (!video.WaterMarkText.empty()) {
        MclImgFree(context.TextImage);
        context.TextImage = MakeTextImage(video.WaterMarkText, video.WaterMarkTextFontName,
                                          video.WaterMarkTextFontSize, video.WaterMarkTextFontStyle,
                                          video.WaterMarkTextFontColor);
        MclImgGetInfo(context.TextImage, &imageWidth, &imageHeight, nullptr, nullptr, nullptr, nullptr, nullptr,
                      nullptr);
        GetOverlayPosition(video.WaterMarkTextPosition, 0, width, height, imageWidth, imageHeight,
                           video.WaterMarkTextLeft, video.WaterMarkTextTop, context.TextX, context.TextY);
        context.HasOverlay = true;
    }
}

TkvnFlashAVCapture* NewVisibleCapture(TkvnTavelomatic& owner, const TkvnTavelomaticSettings& settings)
{
    auto* capture = new TkvnFlashAVCapture(&owner);
    TCustomControl* panel = owner.InnerPanel();
    capture->SetParent(panel);
    capture->SetEnabled(true);
    capture->SetVisible(true);
    capture->SetAlign(alClient);
    capture->SetBounds(0, 0, panel->Width(), panel->Height());
    capture->SetLoop(false);
    capture->SetScale(L"exactFit");
    const int32_t background = settings.VideoSettings.StageBackgroundColor;
    capture->SetBackgroundColor(background == kMovieBackground ? -1 : background);
    capture->SequenceMode = static_cast<TkvnSequenceMode>(settings.SequenceMode);
    capture->DurationOfWaitingForward = settings.DurationOfWaitingForward;
    capture->FSCommand_Capture_Start = settings.FSCommand_Capture_Start;
    capture->FSCommand_Capture_Stop = settings.FSCommand_Capture_Stop;
    capture->FSCommand_Capture_Pause = settings.FSCommand_Capture_Pause;
    capture->FSCommand_Capture_Resume = settings.FSCommand_Capture_Resume;
    capture->FSCommand_Capture_PauseSaving = settings.FSCommand_Capture_PauseSaving;
    capture->FSCommand_Capture_ResumeSaving = settings.FSCommand_Capture_ResumeSaving;
    capture->IsTransparent = settings.IsTransparent;
    capture->CaptureMode = static_cast<TkvnCaptureMode>(settings.CaptureMode);
    capture->MovieFrameRate = settings.FileInfo.FPS;
    capture->GrabFrameRate = GrabbedFrameRate(settings.VideoSettings.FPS, settings.CaptureMode).Value();
    if (settings.IsStopConvertingByFrameNumber) capture->StopFrameNumber = settings.FrameNumberOfStopConverting;
    capture->PacesPlayer = true;
    return capture;
}

TkvnFlashAVCapture* NewSilentCapture(TkvnTavelomatic& owner)
{
    auto* capture = new TkvnFlashAVCapture(&owner);
    capture->SetParent(&owner);
    capture->SetEnabled(true);
    capture->SetVisible(false);
    capture->SetLoop(true);
    capture->SequenceMode = smAlwaysForward;
    return capture;
}

// One member's release; a failure there stops none of the others.
template <class Release>
void Quietly(Release release)
{
    try {
        release();
    } catch (...) {
    }
}

}

PMclUserData NewMclUserData(TkvnTavelomatic* owner, TkvnTavelomaticSettings* settings)
{
    auto context = std::make_unique<TMclUserData>();
    context->Owner = owner;
    context->TaskItem = &owner->TaskItem();
    context->Settings = settings;
    context->FileInfo = &settings->FileInfo;
    context->AudioSettings = &settings->AudioSettings;
    context->VideoSettings = &settings->VideoSettings;
    context->Image = MclImgCreate();
    context->PictureImage = MclImgCreate();
    context->TextImage = MclImgCreate();
    context->Frames = std::make_unique<TkvnFramesList>();
    context->PCMQueue = std::make_unique<TkvnWaveStream>();
    context->SoundFileName = settings->AudioSettings.ReplacedAudioFileName;
    PMclUserData result = context.release();
    owner->CurrentContext = result;
    try {
        if (settings->VideoSettings.IsWaterMarkIncluded) PrepareOverlays(*result);
        result->Capture = NewVisibleCapture(*owner, *settings);
        result->SilentCapture = NewSilentCapture(*owner);
        const TkvnAudioSettings& audio = settings->AudioSettings;
        if (audio.IsAudioRipped)
            result->AudioEncoder = std::make_unique<TkvnAudioEncoder>(
                audio.RippedAudioFileName, static_cast<int>(std::lround(audio.BitRate / 1000.0)));
    } catch (...) {
        FreeMclUserData(result);
        throw;
    }
    return result;
}

void FreeMclUserData(PMclUserData context)
{
    if (!context) return;
    Quietly([&] { MclImgFree(context->TextImage); });
    Quietly([&] { MclImgFree(context->PictureImage); });
    Quietly([&] { MclImgFree(context->Image); });
    Quietly([&] { if (context->Capture) context->Capture->Free(); });
    Quietly([&] { if (context->SilentCapture) context->SilentCapture->Free(); });
    Quietly([&] { context->AudioEncoder.reset(); });
    Quietly([&] { context->Frames.reset(); });
    Quietly([&] { context->PCMQueue.reset(); });
    if (context->Owner && context->Owner->CurrentContext == context) context->Owner->CurrentContext = nullptr;
    delete context;
}

void StartMovie(PMclUserData context, bool playAfterGoto)
{
    const TkvnTavelomaticSettings& settings = *context->Settings;
    context->SilentCapture->LoadMovie("silence", "", settings.SlowSpeedPlayback, "");
    context->Capture->LoadMovie(context->FileInfo->FileName, context->FileInfo->FileVars,
                                settings.SlowSpeedPlayback, settings.WMode);
    if (settings.FrameNumberOfStartConverting >= 2) {
        // The player counts frames from 0, the task from 1, as the stop
        // condition does.
        context->Capture->GotoFrame(settings.FrameNumberOfStartConverting - 1);
        if (playAfterGoto) context->Capture->Play();
        context->Capture->RestartCapturedSound();
    }
    context->Owner->IsMuteWhileConverting = context->AudioSettings->IsMuteWhileConverting;
    SetCaptureMute(context->Capture, context->Owner->IsMuteWhileConverting);
    context->StartTick = static_cast<double>(GetTickCount64());
    context->Owner->ConvertingBegin(0);
}

void ConvertingProgress(PMclUserData context, int state)
{
    context->Owner->ConvertingProgress(state);
}
