#include "kvnTavelomaticTask.h"

#include <algorithm>
#include <cmath>

#include "Controls.h"
#include "FFDecode.h"
#include "Forms.h"
#include "MclApi.h"
#include "MyUtils.h"
#include "SWFUtils.h"
#include "Streams.h"
#include "SysUtils.h"
#include "kvnSWFStreamReader.h"
#include "kvnTools.h"

namespace {

constexpr int64_t kVersionByteOffset = 3;

constexpr const char* kTargetExtensions[kTargetFormatCount] = {".avi", ".mpg", ".mpeg", ".mp4", ".wmv", ".ogv",
                                                              ".flv", ".mov", ".3gp", ".3g2", ".gif", ".img"};
constexpr TkvnTargetFileFormat kAnimatedGif = 10;
constexpr TkvnTargetFileFormat kImageSequence = 11;
constexpr const char* kImageExtensions[] = {".jpg", ".bmp", ".gif", ".pcx", ".tif", ".tga", ".png"};

TkvnTargetFileFormat FormatOfExtension(const std::string& extension)
{
    // ".gif" names an image sequence here: animated GIFs are only ever chosen
    // by code. ".img" only marks the stem the sequence writer numbers its
    // pictures under: it names no picture format.
    for (const char* image : kImageExtensions)
        if (extension == image) return kImageSequence;
    for (TkvnTargetFileFormat code = 0; code < kAnimatedGif; ++code)
        if (extension == kTargetExtensions[code]) return code;
    return kTargetFormatByExtension;
}

bool IsBareMovie(uint8_t fileFormat)
{
    return fileFormat == fmtFWS || fileFormat == fmtCWS || fileFormat == fmtZWS;
}

// The program's own FFmpeg libraries first, then any beside it, then the system's.
bool LoadDecoderLibraries(TFFDecoder& decoder)
{
    const std::string programFolder = ExtractFilePath(ParamStr(0));
    for (const std::string& folder : {programFolder + "libav", programFolder, GetSystemFolder()})
        if (decoder.LoadLibraries(AnsiToWide(folder))) return true;
    return false;
}

bool ReadVideoFileInfo(const std::string& name, TkvnFlashFileInfo& info)
{
    try {
        TFFDecoder decoder(nullptr);
        if (!LoadDecoderLibraries(decoder) || !decoder.LoadFile(AnsiToWide(name))) return false;
        // The first video stream, wherever the muxer put it: FLVs often
        // carry their sound as stream 0. Without one the facts stay at -1.
        const TVideoStreamInfo stream = decoder.GetVideoStreamInfo();
        if (stream.Width < 0) return false;
        info.FileName = name;
        info.FileVars.clear();
        info.FileFormat = fmtFLV;
        info.FileSize = static_cast<int32_t>(std::clamp<int64_t>(decoder.FileSize(), 0, INT32_MAX));
        info.Version = stream.CodecName.compare(0, 4, "h264") == 0 ? 2 : 1;
        info.Width = stream.Width;
        info.Height = stream.Height;
        SetVideoTiming(info, stream.Duration != kUnknownDuration ? stream.DurationUs : kUnknownDuration,
                       decoder.FormatContext()->duration, stream.FrameRateNum, stream.FrameRateDen);
        return true;
    } catch (...) {
        return false;
    }
}

}

// ---- The task ----

void TkvnTavelomaticTaskItem::FireSettingsChanged()
{
    if (OnSettingsChanged) OnSettingsChanged(this);
}

void TkvnTavelomaticTaskItem::TakeLoadedState()
{
    IsLoaded = true;
    Status = 0;
    SourceFileName = Settings.FileInfo.FileName;
    SourceFileVars = Settings.FileInfo.FileVars;
}

bool TkvnTavelomaticTaskItem::CopyFrom(const TkvnTavelomaticTaskItem& source)
{
    bool copied = true;
    try {
        CopyTavelomaticSettings(Settings, source.Settings);
        IsLoaded = source.IsLoaded;
        IsChecked = source.IsChecked;
        Priority = source.Priority;
        Status = source.Status;
        SourceFileName = source.SourceFileName;
        SourceFileVars = source.SourceFileVars;
    } catch (...) {
        copied = false;
    }
    FireSettingsChanged();
    return copied;
}

bool TkvnTavelomaticTaskItem::LoadSource(const std::string& sourceFile, const std::string& targetFile,
                                         TkvnTargetFileFormat formatCode, int videoCodecIndex, int audioCodecIndex,
                                         int32_t priority)
{
    IsLoaded = false;
    if (!ReadSourceFileInfo(sourceFile, Settings.FileInfo)) return false;
    if (InitSettings(Settings.FileInfo, targetFile, formatCode, videoCodecIndex, audioCodecIndex, Settings)) {
        TakeLoadedState();
        IsChecked = true;
        Priority = std::max(priority, 0);
    }
    FireSettingsChanged();
    return IsLoaded;
}

bool TkvnTavelomaticTaskItem::InitSettings(TkvnFlashFileInfo info, std::string targetFile,
                                           TkvnTargetFileFormat formatCode, int videoCodecIndex,
                                           int audioCodecIndex, TkvnTavelomaticSettings& settings)
{
    try {
        settings.FileInfo = info;
        settings.IsTaskChecked = true;
        settings.TaskPriority = 0;
        settings.TargetFileFormatPreset.clear();
        settings.FlashInterpreter = 0;
        settings.SlowSpeedPlayback = -1.0;
        // Movies made for players above 12 draw only in direct mode.
        settings.WMode = info.Version > 12 ? "direct" : "window";
        settings.CaptureMode = cmSafe;
        settings.SequenceMode = smInteractive;
        settings.DurationOfWaitingForward = 1.0;
        settings.StartConvertingMode = 0;
        settings.FrameNumberOfStartConverting = 1;
        settings.DurationBeforeStartConverting = 0.0;
        settings.IsStopConvertingByFrameNumber = true;
        settings.IsStopConvertingByDuration = true;
        settings.FrameNumberOfStopConverting = info.FrameCount;
        settings.DurationOfConverting = info.Duration;
        settings.IsFSCommandEnabled = false;
        settings.FSCommand_Capture_Start = "kvn_cmd_capture_start";
        settings.FSCommand_Capture_Stop = "kvn_cmd_capture_stop";
        settings.FSCommand_Capture_Pause = "kvn_cmd_capture_pause";
        settings.FSCommand_Capture_Resume = "kvn_cmd_capture_resume";
        settings.FSCommand_Capture_PauseSaving = "kvn_cmd_capture_pausesaving";
        settings.FSCommand_Capture_ResumeSaving = "kvn_cmd_capture_resumesaving";

        TkvnVideoSettings& video = settings.VideoSettings;
        video.IsVideoIncluded = true;
        video.StageBackgroundColor = 0x0FFFFFFF;  // the movie's own background
        video.StageWidth = video.CropWidth = video.Width = info.Width;
        video.StageHeight = video.CropHeight = video.Height = info.Height;
        video.IsFrameCropped = false;
        video.CropLeft = video.CropTop = 0;
        video.IsWaterMarkIncluded = false;
        video.WaterMarkImageFileName.clear();
        video.WaterMarkImagePosition = 0;
        video.WaterMarkImageLeft = video.WaterMarkImageTop = 0;
        video.WaterMarkText = "Created by Tavelomatic Command Line";
        video.WaterMarkTextPosition = 5;
        video.WaterMarkTextLeft = video.WaterMarkTextTop = 0;
        video.WaterMarkTextFontName = "Arial";
        video.WaterMarkTextFontSize = 18;
        video.WaterMarkTextFontStyle = 1;
        video.WaterMarkTextFontColor = static_cast<int32_t>(MclRGB(192, 192, 192));
        video.CodecPreset.clear();
        video.AspectRatioMode = 0;
        video.FPS = info.FPS;
        video.VideoEffects = TkvnVideoEffects{};

        TkvnAudioSettings& audio = settings.AudioSettings;
        audio.IsAudioIncluded = true;
        audio.IsAudioReplaced = false;
        audio.ReplacedAudioFileName.clear();
        audio.IsAudioRipped = false;
        audio.RippedAudioFileName =
            ExtractFilePath(info.FileName) + ChangeFileExt("Audio_" + ExtractFileName(info.FileName), ".mp3");
        audio.IsMuteWhileConverting = true;
        audio.CodecPreset.clear();
        audio.SampleBits = 16;
        audio.SampleRate = 44100;
        audio.Channels = 2;
        audio.BitRate = 128000;

        const TkvnTargetFileFormat code = AdjustTargetFileExt(targetFile, formatCode);
        // A code no extension could settle sets no target at all: the task
        // would count as loaded with an empty output name, or keep the output
        // file and format of whatever this record held before, and converting
        // it would write there. Such a task is refused instead.
        if (code >= kTargetFormatCount) return false;
        ApplyTargetFormatDefaults(info, code, videoCodecIndex, audioCodecIndex, settings);
        if (!targetFile.empty()) {
            settings.TargetFilePath = ExtractFilePath(targetFile);
            settings.TargetFileName = ExtractFileName(targetFile);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool TkvnTavelomaticTaskItem::ApplyTargetFormatDefaults(const TkvnFlashFileInfo& info,
                                                        TkvnTargetFileFormat formatCode, int videoCodecIndex,
                                                        int audioCodecIndex, TkvnTavelomaticSettings& settings)
{
    return ::ApplyTargetFormatDefaults(info, formatCode, videoCodecIndex, audioCodecIndex, settings);
}

// ---- The project file ----

bool TkvnTavelomaticTaskItem::ReadFileInfoSection(TFastIniFileEx& ini, const std::string& section)
{
    try {
        ReadProjectFileInfo(ini, section, Settings.FileInfo);
        return true;
    } catch (...) {
        return false;
    }
}

bool TkvnTavelomaticTaskItem::ReadSettingsSections(TFastIniFileEx& ini, const std::string& fileInfoSection,
                                                   const std::string& generalSection,
                                                   const std::string& videoSection, const std::string& audioSection)
{
    if (!ReadFileInfoSection(ini, fileInfoSection)) return false;
    try {
        return ReadProjectSettings(ini, generalSection, videoSection, audioSection, Settings,
                                   [](const std::string& name) { return FileExists(name); });
    } catch (...) {
        return false;
    }
}

void TkvnTavelomaticTaskItem::WriteFileInfoSection(TFastIniFileEx& ini, const std::string& section)
{
    VisitFileInfo(Settings.FileInfo, TSectionWriter<TFastIniFileEx>(ini, section));
}

void TkvnTavelomaticTaskItem::WriteSettingsSections(TFastIniFileEx& ini, const std::string& generalSection,
                                                    const std::string& videoSection, const std::string& audioSection)
{
    VisitGeneral(Settings, TSectionWriter<TFastIniFileEx>(ini, generalSection));
    VisitVideo(Settings.VideoSettings, TSectionWriter<TFastIniFileEx>(ini, videoSection));
    VisitAudio(Settings.AudioSettings, TSectionWriter<TFastIniFileEx>(ini, audioSection));
}

int TkvnTavelomaticTaskItem::LoadFromProjectFile(const std::string& fileName, int32_t priority, int index)
{
    IsLoaded = false;
    if (!FileExists(fileName)) return 0;
    try {
        TFastIniFileEx ini(fileName);
        const TTaskSections sections(index);
        if (IsProjectFile(ini) &&
            ReadSettingsSections(ini, sections.FileInfo, sections.General, sections.Video, sections.Audio)) {
            TakeLoadedState();
            IsChecked = Settings.IsTaskChecked;
            Priority = priority >= 0 ? priority : Settings.TaskPriority;
        }
    } catch (...) {
        IsLoaded = false;
    }
    FireSettingsChanged();
    return IsLoaded ? 1 : 0;
}

int TkvnTavelomaticTaskItem::SaveToProjectFile(const std::string& fileName, int index, bool deleteFirst,
                                               bool clearAll)
{
    try {
        if (deleteFirst && FileExists(fileName) && !DeleteFile(fileName)) return -1;
        TFastIniFileEx ini(fileName);
        if (clearAll) ini.ClearSections();
        ini.WriteString(kIdentifierSection, kProjectFileIDKey, kProjectFileID);
        ini.WriteInteger(kIdentifierSection, kTasksCountKey, ini.ReadInteger(kIdentifierSection, kTasksCountKey, 0) + 1);
        const TTaskSections sections(index);
        WriteFileInfoSection(ini, sections.FileInfo);
        WriteSettingsSections(ini, sections.General, sections.Video, sections.Audio);
        ini.UpdateFile();
        return 1;
    } catch (...) {
        return -1;
    }
}

// ---- Unit routines ----

bool ReadSourceFileInfo(const std::string& reference, TkvnFlashFileInfo& info)
{
    const std::string name = ExtractMovieFileName(reference);
    if (!FileExists(name)) return false;
    const std::string extension = AnsiLowerCase(ExtractFileExt(name));
    if (extension == ".swf" || extension == ".exe") {
        TkvnSWFStreamReader reader(reference);
        if (!reader.IsValid()) return false;
        reader.GetFileInfo(info);
        return true;
    }
    if (extension == ".flv" || extension == ".f4v") return ReadVideoFileInfo(name, info);
    return false;
}

void SetVideoTiming(TkvnFlashFileInfo& info, int64_t streamDurationUs, int64_t containerDurationUs,
                    int32_t frameRateNum, int32_t frameRateDen)
{
    const int64_t durationUs = streamDurationUs != kUnknownDuration ? streamDurationUs : containerDurationUs;
    info.Duration = durationUs > 0 ? static_cast<double>(durationUs) / 1000000.0 : 0.0;
    info.FPS = frameRateDen != 0 ? static_cast<float>(frameRateNum) / static_cast<float>(frameRateDen) : 0.0f;
    const double frames = std::round(info.Duration * info.FPS);
    info.FrameCount = static_cast<int32_t>(std::clamp(frames, 0.0, static_cast<double>(INT32_MAX)));
}

TkvnTargetFileFormat AdjustTargetFileExt(std::string& fileName, TkvnTargetFileFormat formatCode)
{
    if (formatCode < kTargetFormatCount) {
        if (!ExtractFileExt(fileName).empty()) fileName = ChangeFileExt(fileName, kTargetExtensions[formatCode]);
        return formatCode;
    }
    if (formatCode != kTargetFormatByExtension || fileName.empty()) return formatCode;
    const TkvnTargetFileFormat code = FormatOfExtension(AnsiLowerCase(ExtractFileExt(fileName)));
    if (code == kTargetFormatByExtension) fileName.clear();
    return code;
}

bool PatchSWFVersion(const std::string& fileName, uint8_t version)
{
    try {
        if (!FileExists(fileName)) return false;
        TkvnFlashFileInfo info;
        if (!ReadSourceFileInfo(fileName, info) || !IsBareMovie(info.FileFormat) || info.Version == version)
            return false;
        TFileStream movie(fileName, fmOpenReadWrite | fmShareDenyWrite);
        movie.SetPosition(kVersionByteOffset);
        TBitsEngine bits(movie);
        bits.WriteByte(version);
        return true;
    } catch (...) {
        return false;
    }
}

// ---- The task list ----

TkvnTavelomaticTaskList::~TkvnTavelomaticTaskList()
{
    while (!items_.empty()) {
        items_.pop_back();
        Application->ProcessMessages();
    }
}

TkvnTavelomaticTaskItem* TkvnTavelomaticTaskList::GetItem(int index) const
{
    return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

TkvnTavelomaticTaskItem* TkvnTavelomaticTaskList::Add(const TkvnTavelomaticTaskItem& item, int& code)
{
    TkvnTavelomaticTaskItem* added = nullptr;
    try {
        auto copy = std::make_unique<TkvnTavelomaticTaskItem>();
        if (!copy->CopyFrom(item)) {
            code = -1;
            return nullptr;
        }
        added = copy.get();
        added->OnStatusChanged = [this](TkvnTavelomaticTaskItem* changed) { TaskStatusChanged(changed); };
        added->OnSettingsChanged = [this](TkvnTavelomaticTaskItem* changed) { TaskSettingsChanged(changed); };
        added->OnPriorityChanged = [this](TkvnTavelomaticTaskItem* changed) { Reposition(changed); };
        items_.push_back(std::move(copy));
        if (OnAddTask) OnAddTask(added);
        Reposition(added);
        code = 1;
        return added;
    } catch (...) {
        if (const int at = IndexOf(added); at >= 0) items_.erase(items_.begin() + at);
        code = 0;
        return nullptr;
    }
}

int TkvnTavelomaticTaskList::Delete(int index)
{
    TkvnTavelomaticTaskItem* item = GetItem(index);
    if (!item) return -1;
    if (OnRemoveTask) OnRemoveTask(item);
    items_.erase(items_.begin() + index);
    return 1;
}

int TkvnTavelomaticTaskList::Clear()
{
    TBusyCursor busy;
    try {
        while (!items_.empty()) {
            Delete(0);
            Application->ProcessMessages();
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

int TkvnTavelomaticTaskList::IndexOf(const TkvnTavelomaticTaskItem* item) const
{
    TBusyCursor busy;
    for (int i = 0; i < GetCount(); ++i)
        if (items_[static_cast<size_t>(i)].get() == item) return i;
    return -1;
}

void TkvnTavelomaticTaskList::TaskStatusChanged(TkvnTavelomaticTaskItem* item)
{
    if (OnTaskStatusChanged) OnTaskStatusChanged(item);
}

void TkvnTavelomaticTaskList::TaskSettingsChanged(TkvnTavelomaticTaskItem* item)
{
    if (OnTaskSettingsChanged) OnTaskSettingsChanged(item);
}

void TkvnTavelomaticTaskList::Reposition(TkvnTavelomaticTaskItem* item)
{
    if (GetCount() < 2) return;
    const int from = IndexOf(item);
    if (from < 0) return;
    TBusyCursor busy;
    // The item stays in the list while the place is sought, so that nothing
    // is lost when a message handler raises.
    int place = 0;
    for (; place < GetCount(); ++place) {
        const TkvnTavelomaticTaskItem* other = GetItem(place);
        if (other == item) continue;
        if (other->Priority > item->Priority) break;
        Application->ProcessMessages();
    }
    TkvnTavelomaticTaskItem* after = GetItem(place);
    const auto begin = items_.begin();
    if (from < place)
        std::rotate(begin + from, begin + from + 1, begin + place);
    else
        std::rotate(begin + place, begin + from, begin + from + 1);
    if (OnTaskPositionChanged) OnTaskPositionChanged(item, after);
}
