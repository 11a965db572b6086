#include "kvnTaskCheck.h"

#include "SysUtils.h"
#include "kvnConverterFlags.h"

namespace {

void FitToSource(TkvnTavelomaticSettings& settings)
{
    if (settings.FrameNumberOfStartConverting > settings.FrameNumberOfStopConverting)
        settings.FrameNumberOfStartConverting = 1;
    const uint32_t frameCount = static_cast<uint32_t>(settings.FileInfo.FrameCount);
    if (settings.FrameNumberOfStopConverting >= 0 &&
        frameCount < static_cast<uint32_t>(settings.FrameNumberOfStopConverting))
        settings.FrameNumberOfStopConverting = static_cast<int32_t>(frameCount);
    TkvnVideoSettings& video = settings.VideoSettings;
    // The alpha of a transparent stage survives no reshaping.
    if (settings.IsTransparent) video.AspectRatioMode = 0;
    if (video.IsFrameCropped) {
        if (video.CropLeft < 0 || video.CropLeft > video.StageWidth) video.CropLeft = 0;
        if (video.CropTop < 0 || video.CropTop > video.StageHeight) video.CropTop = 0;
        if (video.CropWidth < 0 || video.CropWidth > video.StageWidth) video.CropWidth = video.StageWidth;
        if (video.CropHeight < 0 || video.CropHeight > video.StageHeight) video.CropHeight = video.StageHeight;
    }
}

}

int ValidateTask(TkvnTavelomaticSettings& settings)
{
    if (ConverterFlags().Running) return kStateAlreadyRunning;
    if (!FileExists(settings.FileInfo.FileName)) return kStateSourceMissing;
    const std::string target = settings.TargetFilePath + settings.TargetFileName;
    if (FileExists(target) && !DeleteFile(target)) return kStateTargetNotDeletable;
    const std::string folder = ExtractFilePath(target);
    if (!folder.empty() && !DirectoryExists(folder) && !ForceDirectories(ExcludeTrailingPathDelimiter(folder)))
        return kStateFolderNotCreatable;
    FitToSource(settings);
    return kStateAccepted;
}
