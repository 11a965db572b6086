#pragma once
// The shared description of one conversion job: the source movie's facts, the
// target settings with their per-format defaults, and the code tables that
// turn target-format codes and codec indexes into names.
#include <cstdint>
#include <string>

#include "kvnVideoEffects.h"

enum TkvnFlashFileFormat : uint8_t { fmtFWS, fmtCWS, fmtZWS, fmtEXEFWS, fmtEXECWS, fmtEXEZWS, fmtFLV, fmtInvalid };
enum TkvnCaptureMode : uint8_t { cmSafe, cm2X, cm4X };
enum TkvnSequenceMode : uint8_t { smAlwaysForward, smInteractive };

// 0 AVI, 1 VCD/MPEG-1, 2 DVD/SVCD/MPEG-2, 3 MPEG-4, 4 WMV, 5 OGV, 6 FLV, 7 MOV,
// 8 3GP, 9 3G2, 10 animated GIF, 11 image sequence; 12 (as an argument only):
// decide by the target file's extension.
using TkvnTargetFileFormat = uint8_t;
constexpr TkvnTargetFileFormat kTargetFormatCount = 12;
constexpr TkvnTargetFileFormat kTargetFormatByExtension = 12;

struct TkvnFlashFileInfo {
    std::string FileName;
    std::string FileVars;  // from "?" on, or empty
    int32_t FileSize = 0;
    uint8_t FileFormat = 0;
    uint8_t Version = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    float FPS = 0;
    int32_t FrameCount = 0;
    double Duration = 0;
    bool operator==(const TkvnFlashFileInfo&) const = default;
};

struct TkvnAudioSettings {
    bool IsAudioIncluded = false;
    bool IsAudioReplaced = false;
    std::string ReplacedAudioFileName;
    bool IsAudioRipped = false;
    std::string RippedAudioFileName;
    bool IsMuteWhileConverting = false;
    int32_t CodecID = 0;
    std::string CodecPreset;
    int32_t SampleBits = 0;
    int32_t SampleRate = 0;
    int32_t Channels = 0;
    int32_t BitRate = 0;
    bool operator==(const TkvnAudioSettings&) const = default;
};

struct TkvnVideoSettings {
    bool IsVideoIncluded = false;
    int32_t StageBackgroundColor = 0;
    int32_t StageWidth = 0;
    int32_t StageHeight = 0;
    bool IsFrameCropped = false;
    int32_t CropLeft = 0;
    int32_t CropTop = 0;
    int32_t CropWidth = 0;
    int32_t CropHeight = 0;
    bool IsWaterMarkIncluded = false;
    std::string WaterMarkImageFileName;
    uint8_t WaterMarkImagePosition = 0;
    int32_t WaterMarkImageLeft = 0;
    int32_t WaterMarkImageTop = 0;
    std::string WaterMarkText;
    uint8_t WaterMarkTextPosition = 0;
    int32_t WaterMarkTextLeft = 0;
    int32_t WaterMarkTextTop = 0;
    std::string WaterMarkTextFontName;
    int32_t WaterMarkTextFontSize = 0;
    int32_t WaterMarkTextFontStyle = 0;
    int32_t WaterMarkTextFontColor = 0;
    int32_t CodecID = 0;
    std::string CodecPreset;
    int32_t Width = 0;
    int32_t Height = 0;
    uint8_t AspectRatioMode = 0;  // 0 none, 1 "1:1", 2 "4:3", 3 "16:9", 4 "221:100", 5 the source's
    float FPS = 0;
    float KeyFPS = 0;
    int32_t Bitrate = 0;  // bit/s; -1 = not used (also for the two below)
    int32_t MinBitrate = 0;
    int32_t MaxBitrate = 0;
    double Quality = 0;
    TkvnVideoEffects VideoEffects;  // never stored in the project file
    bool operator==(const TkvnVideoSettings&) const = default;
};

// One task's settings. Copying with = copies everything as it is;
// CopyTavelomaticSettings is the copy the program hands between windows and
// the converter.
struct TkvnTavelomaticSettings {
    TkvnFlashFileInfo FileInfo;
    bool IsTaskChecked = false;
    int32_t TaskPriority = 0;
    std::string TargetFilePath;  // with trailing backslash
    std::string TargetFileName;
    TkvnTargetFileFormat TargetFileFormat = 0;
    std::string TargetFileFormatPreset;
    bool IsTransparent = false;
    int32_t FlashInterpreter = 0;  // 0 "Default", 1 "Newest"
    double SlowSpeedPlayback = 0;
    std::string WMode;
    uint8_t CaptureMode = cmSafe;
    uint8_t SequenceMode = smAlwaysForward;
    double DurationOfWaitingForward = 0;
    int32_t StartConvertingMode = 0;  // 0 "Jump to frame", 1 "After playing"
    int32_t FrameNumberOfStartConverting = 0;
    double DurationBeforeStartConverting = 0;
    bool IsStopConvertingByFrameNumber = false;
    bool IsStopConvertingByDuration = false;
    int32_t FrameNumberOfStopConverting = 0;
    double DurationOfConverting = 0;
    bool IsFSCommandEnabled = false;
    std::string FSCommand_Capture_Start;
    std::string FSCommand_Capture_Stop;
    std::string FSCommand_Capture_Pause;
    std::string FSCommand_Capture_Resume;
    std::string FSCommand_Capture_PauseSaving;
    std::string FSCommand_Capture_ResumeSaving;
    TkvnAudioSettings AudioSettings;
    TkvnVideoSettings VideoSettings;
    bool operator==(const TkvnTavelomaticSettings&) const = default;
};

// A deep copy in which the destination's video is always included.
void CopyTavelomaticSettings(TkvnTavelomaticSettings& dest, const TkvnTavelomaticSettings& source);

// Code tables. Only the low 7 bits of a code count; indexes start at 0.
void GetTargetFormatName(TkvnTargetFileFormat code, bool longName, std::string& name);
void GetVideoCodecList(TkvnTargetFileFormat code, std::string& list);
void GetAudioCodecList(TkvnTargetFileFormat code, std::string& list);
void GetVideoCodecName(TkvnTargetFileFormat code, int index, std::string& name);
void GetAudioCodecName(TkvnTargetFileFormat code, int index, std::string& name);
int GetVideoCodecIndex(TkvnTargetFileFormat code, const std::string& name);
int GetAudioCodecIndex(TkvnTargetFileFormat code, const std::string& name);
std::string GetSequenceModeName(TkvnSequenceMode mode);
int GetWModeIndex(const std::string& text);

// The nearest standard frame rate at or above Rate (0 for none).
double SnapFrameRate(double rate);

// Sets the target part of Settings for one format (codes 0-11). A code
// outside that range changes nothing. Always answers True.
bool ApplyTargetFormatDefaults(const TkvnFlashFileInfo& info, TkvnTargetFileFormat formatCode, int videoCodecIndex,
                               int audioCodecIndex, TkvnTavelomaticSettings& settings);
