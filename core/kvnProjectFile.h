#pragma once
// The project file's layout: which sections a task lies in, which keys each
// holds in which encoding, and how a task's record is read from them.
// Free of any system call, so that it reads the same from the INI classes
// and from a text anywhere; Ini is any class with the INI classes' Read
// and Write methods.
#include <cstdint>
#include <string>

#include "kvnTavelomaticType.h"

constexpr const char* kProjectFileID = "Korvantis Inc Tavelomatic Project File";

constexpr const char* kIdentifierSection = "Identifier";
constexpr const char* kProjectFileIDKey = "ProjectFileID";
constexpr const char* kTasksCountKey = "TasksCount";
// What a file-info section without FileFormat is taken for.
constexpr uint8_t kMissingFileFormat = fmtEXEZWS;

// The keys of each project-file section in their order, each bound to its
// field, so that reading and writing share one list.
template <typename Visit>
void VisitFileInfo(TkvnFlashFileInfo& info, Visit&& visit)
{
    visit("FileName", info.FileName);
    visit("FileVars", info.FileVars);
    visit("FileSize", info.FileSize);
    visit("FileFormat", info.FileFormat);
    visit("Version", info.Version);
    visit("Width", info.Width);
    visit("Height", info.Height);
    visit("FPS", info.FPS);
    visit("FrameCount", info.FrameCount);
    visit("Duration", info.Duration);
}

template <typename Visit>
void VisitGeneral(TkvnTavelomaticSettings& s, Visit&& visit)
{
    visit("IsTaskChecked", s.IsTaskChecked);
    visit("TaskPriority", s.TaskPriority);
    visit("TargetFilePath", s.TargetFilePath);
    visit("TargetFileName", s.TargetFileName);
    visit("TargetFileFormat", s.TargetFileFormat);
    visit("TargetFileFormatPreset", s.TargetFileFormatPreset);
    visit("IsTransparent", s.IsTransparent);
    visit("FlashInterpreter", s.FlashInterpreter);
    visit("SlowSpeedPlayback", s.SlowSpeedPlayback);
    visit("WMode", s.WMode);
    visit("CaptureMode", s.CaptureMode);
    visit("SequenceMode", s.SequenceMode);
    visit("DurationOfWaitingForward", s.DurationOfWaitingForward);
    visit("StartConvertingMode", s.StartConvertingMode);
    visit("FrameNumberOfStartConverting", s.FrameNumberOfStartConverting);
    visit("DurationBeforeStartConverting", s.DurationBeforeStartConverting);
    visit("IsStopConvertingByFrameNumber", s.IsStopConvertingByFrameNumber);
    visit("IsStopConvertingByDuration", s.IsStopConvertingByDuration);
    visit("FrameNumberOfStopConverting", s.FrameNumberOfStopConverting);
    visit("DurationOfConverting", s.DurationOfConverting);
    visit("IsFSCommandEnabled", s.IsFSCommandEnabled);
    visit("FSCommand_Capture_Start", s.FSCommand_Capture_Start);
    visit("FSCommand_Capture_Stop", s.FSCommand_Capture_Stop);
    visit("FSCommand_Capture_Pause", s.FSCommand_Capture_Pause);
    visit("FSCommand_Capture_Resume", s.FSCommand_Capture_Resume);
    visit("FSCommand_Capture_PauseSaving", s.FSCommand_Capture_PauseSaving);
    visit("FSCommand_Capture_ResumeSaving", s.FSCommand_Capture_ResumeSaving);
}

template <typename Visit>
void VisitVideo(TkvnVideoSettings& v, Visit&& visit)
{
    visit("IsVideoIncluded", v.IsVideoIncluded);
    visit("StageBackgroundColor", v.StageBackgroundColor);
    visit("StageWidth", v.StageWidth);
    visit("StageHeight", v.StageHeight);
    visit("IsFrameCropped", v.IsFrameCropped);
    visit("CropLeft", v.CropLeft);
    visit("CropTop", v.CropTop);
    visit("CropWidth", v.CropWidth);
    visit("CropHeight", v.CropHeight);
    visit("IsWaterMarkIncluded", v.IsWaterMarkIncluded);
    visit("WaterMarkImageFileName", v.WaterMarkImageFileName);
    visit("WaterMarkImagePosition", v.WaterMarkImagePosition);
    visit("WaterMarkImageLeft", v.WaterMarkImageLeft);
    visit("WaterMarkImageTop", v.WaterMarkImageTop);
    visit("WaterMarkText", v.WaterMarkText);
    visit("WaterMarkTextPosition", v.WaterMarkTextPosition);
    visit("WaterMarkTextLeft", v.WaterMarkTextLeft);
    visit("WaterMarkTextTop", v.WaterMarkTextTop);
    visit("WaterMarkTextFontName", v.WaterMarkTextFontName);
    visit("WaterMarkTextFontSize", v.WaterMarkTextFontSize);
    visit("WaterMarkTextFontStyle", v.WaterMarkTextFontStyle);
    visit("WaterMarkTextFontColor", v.WaterMarkTextFontColor);
    visit("CodecID", v.CodecID);
    visit("CodecPreset", v.CodecPreset);
    visit("Width", v.Width);
    visit("Height", v.Height);
    visit("AspectRatioMode", v.AspectRatioMode);
    visit("FPS", v.FPS);
    visit("KeyFPS", v.KeyFPS);
    visit("Bitrate", v.Bitrate);
    visit("MinBitrate", v.MinBitrate);
    visit("MaxBitrate", v.MaxBitrate);
    visit("Quality", v.Quality);
}

template <typename Visit>
void VisitAudio(TkvnAudioSettings& a, Visit&& visit)
{
    visit("IsAudioIncluded", a.IsAudioIncluded);
    visit("IsAudioReplaced", a.IsAudioReplaced);
    visit("ReplacedAudioFileName", a.ReplacedAudioFileName);
    visit("IsAudioRipped", a.IsAudioRipped);
    visit("RippedAudioFileName", a.RippedAudioFileName);
    visit("IsMuteWhileConverting", a.IsMuteWhileConverting);
    visit("CodecID", a.CodecID);
    visit("CodecPreset", a.CodecPreset);
    visit("SampleRate", a.SampleRate);
    visit("Channels", a.Channels);
    visit("SampleBits", a.SampleBits);
    visit("BitRate", a.BitRate);
}

// Writes each visited field in the project file's encoding.
template <class Ini>
class TSectionWriter {
public:
    TSectionWriter(Ini& ini, const std::string& section) : ini_(ini), section_(section) {}

    void operator()(const char* key, bool value) { ini_.WriteBool(section_, key, value); }
    void operator()(const char* key, int32_t value) { ini_.WriteInteger(section_, key, value); }
    void operator()(const char* key, uint8_t value) { ini_.WriteInteger(section_, key, value); }
    void operator()(const char* key, float value) { ini_.WriteFloat(section_, key, value); }
    void operator()(const char* key, double value) { ini_.WriteFloat(section_, key, value); }
    void operator()(const char* key, const std::string& value) { ini_.WriteString(section_, key, value); }

private:
    Ini& ini_;
    const std::string& section_;
};

// Reads each visited field; a missing or unreadable key keeps the field's
// current value, so callers set the section's own defaults first.
template <class Ini>
class TSectionReader {
public:
    TSectionReader(Ini& ini, const std::string& section) : ini_(ini), section_(section) {}

    void operator()(const char* key, bool& value) { value = ini_.ReadBool(section_, key, value); }
    void operator()(const char* key, int32_t& value) { value = ini_.ReadInteger(section_, key, value); }
    void operator()(const char* key, uint8_t& value)
    {
        value = static_cast<uint8_t>(ini_.ReadInteger(section_, key, value));
    }
    void operator()(const char* key, float& value) { value = static_cast<float>(ini_.ReadFloat(section_, key, value)); }
    void operator()(const char* key, double& value) { value = ini_.ReadFloat(section_, key, value); }
    void operator()(const char* key, std::string& value) { value = ini_.ReadString(section_, key, value); }

private:
    Ini& ini_;
    const std::string& section_;
};

struct TTaskSections {
    explicit TTaskSections(int index)
        : FileInfo(Name(index, "_Source_FileInfo")), General(Name(index, "_Target_GeneralSettings")),
          Video(Name(index, "_Target_VideoSettings")), Audio(Name(index, "_Target_AudioSettings"))
    {
    }
    std::string FileInfo, General, Video, Audio;

private:
    static std::string Name(int index, const char* suffix) { return "Task" + std::to_string(index) + suffix; }
};


// Whether the file names itself a project file.
template <class Ini>
bool IsProjectFile(Ini& ini)
{
    return ini.ReadString(kIdentifierSection, kProjectFileIDKey, "") == kProjectFileID;
}

// A file-info section over an empty record.
template <class Ini>
void ReadProjectFileInfo(Ini& ini, const std::string& section, TkvnFlashFileInfo& info)
{
    info = TkvnFlashFileInfo{};
    info.FileFormat = kMissingFileFormat;
    VisitFileInfo(info, TSectionReader<Ini>(ini, section));
}

// The settings sections of a task whose file info Settings holds. The
// general settings are read in every case; the rest only when the source
// movie exists (SourceExists(name)), and False when it does not.
template <class Ini, class Exists>
bool ReadProjectSettings(Ini& ini, const std::string& generalSection, const std::string& videoSection,
                         const std::string& audioSection, TkvnTavelomaticSettings& settings, Exists sourceExists)
{
    settings.IsTaskChecked = false;
    settings.TaskPriority = 0;
    settings.DurationOfConverting = settings.FileInfo.Duration;
    VisitGeneral(settings, TSectionReader<Ini>(ini, generalSection));
    if (!sourceExists(settings.FileInfo.FileName)) return false;

    // The effects are not stored: a loaded task has those of a new one.
    settings.VideoSettings.VideoEffects = {};
    VisitVideo(settings.VideoSettings, TSectionReader<Ini>(ini, videoSection));
    settings.AudioSettings.IsMuteWhileConverting = true;
    VisitAudio(settings.AudioSettings, TSectionReader<Ini>(ini, audioSection));
    return true;
}
