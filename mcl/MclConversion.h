#pragma once
// One conversion object of the media library: what the program configured.
#include <string>
#include <vector>

#include "MclApi.h"
#include "MclHandleTable.h"
#include "MclPicture.h"

// What a source callback answered through the MclSource* calls.
struct MclSourceAnswer {
    enum class Kind { Nothing, Picture, Samples, File, Skip, Finished };
    Kind What = Kind::Nothing;
    MclPicture Picture;  // a copy: the caller may change its own at once
    double FrameRate = 0.0;
    std::vector<uint8_t> Samples;
    int32_t SampleFrames = 0;
    int32_t SampleRate = 0;
    int32_t Channels = 0;
    int32_t Bits = 0;
    std::string FileName;
};

struct MclConversion {
    void* UserData = nullptr;
    std::string VideoFileName;
    std::string AudioFileName;
    int32_t FileFormat = 0;
    int32_t FormatPreset = 0;
    uint32_t VideoCodec = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t Bits = 24;
    double FrameRate = 25.0;
    int32_t KeyFrameRate = 0;
    int32_t BitRate = 0;
    int32_t MinBitRate = -1;
    int32_t MaxBitRate = -1;
    double Quality = 100.0;
    bool KeepDuration = false;
    int32_t AspectRatioX = 0;  // 0:0 keeps the pictures' own shape
    int32_t AspectRatioY = 0;
    int32_t AudioCodec = 0;
    int32_t AudioRate = 44100;
    int32_t AudioChannels = 2;
    int32_t AudioBits = 16;
    int32_t AudioBitRate = 128;
    bool TruncateAudioToVideo = false;
    int32_t SplittingMode = 0;
    double SplittingSize = 0.0;
    MclSourceProc VideoSource = nullptr;
    MclSourceProc AudioSource = nullptr;
    MclVideoFunc VideoFunc = nullptr;
    MclAudioFunc AudioFunc = nullptr;
    MclProgressProc Progress = nullptr;
    MclErrorProc Error = nullptr;
    // Filled by the source calls during a source callback.
    MclSourceAnswer Answer;
    bool Converting = false;
    // MclFree during the run: the object goes once MclConvert returns.
    bool FreeAfterRun = false;

    // The bit rate (kbit/s) this configuration starts with when the program
    // asks before setting one.
    int32_t DefaultBitRate() const;
};

// The conversion objects the library gave out.
MclHandleTable<MclConversion>& Conversions();
// Nullptr for a handle the library did not give out.
MclConversion* ConversionFromHandle(MclHandle m);
