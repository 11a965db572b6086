#pragma once
// The context of one conversion: the task, the working settings, the two
// capture controls, the overlay images and their places, the counters, the
// frame queue, the PCM queue and the side audio file. Every back end builds
// one after the task check and frees it when it ends; it is the media
// library's user data and the pointer every converter event passes.
#include <cstdint>
#include <memory>
#include <string>

#include "MclApi.h"
#include "kvnAudioEncoder.h"
#include "kvnFramesList.h"
#include "kvnTavelomaticType.h"
#include "kvnWaveStream.h"

class TkvnTavelomatic;
class TkvnTavelomaticTaskItem;
class TkvnFlashAVCapture;

// The loops that take capture steps, each with a command code of its own.
enum TkvnCaptureLoop { clFFmpegFrames, clFFmpegWave, clMclVideo, clGif, clImages, clLoopCount };

// Bytes per second of the PCM inside the program: 44,100 Hz, 2 channels, 16 bits.
constexpr double kPcmByteRate = 176400.0;

struct TMclUserData {
    TkvnTavelomatic* Owner = nullptr;
    TkvnTavelomaticTaskItem* TaskItem = nullptr;
    TkvnTavelomaticSettings* Settings = nullptr;
    TkvnFlashFileInfo* FileInfo = nullptr;
    TkvnAudioSettings* AudioSettings = nullptr;
    TkvnVideoSettings* VideoSettings = nullptr;
    // Both are components of the converter, freed with the context.
    TkvnFlashAVCapture* Capture = nullptr;        // plays the task's movie
    TkvnFlashAVCapture* SilentCapture = nullptr;  // loops the silent movie
    MclImage Image = 0;
    bool HasOverlay = false;
    MclImage PictureImage = 0;
    MclImage TextImage = 0;
    int PictureX = 0, PictureY = 0, TextX = 0, TextY = 0;
    // Bitmaps grabbed by kept steps: two per output frame on a transparent stage.
    int64_t FramesSaved = 0;
    // Sound of every step, kept or not, and of kept steps only. Counted in
    // 64 bits: runs longer than 2^32 bytes of sound keep their clock.
    uint64_t AudioBytes = 0;
    double AudioSeconds = 0;
    uint64_t BytesSaved = 0;
    double SecondsSaved = 0;
    double ElapsedSeconds = 0;
    int64_t LastPCMSize = 0;
    double StartTick = 0;  // ms
    // The replacing sound file; emptied once the media library took it.
    std::string SoundFileName;
    std::unique_ptr<TkvnAudioEncoder> AudioEncoder;  // null unless the sound is ripped
    std::unique_ptr<TkvnFramesList> Frames;
    std::unique_ptr<TkvnWaveStream> PCMQueue;
    // Why the run ended before its time (the capture could not go on);
    // empty when it did not. A run that ends so writes no finished target.
    std::string FailureText;
    // The last capture command each loop took; -1 (none yet) at the start
    // of every conversion.
    int CommandCodes[clLoopCount] = {-1, -1, -1, -1, -1};
};
using PMclUserData = TMclUserData*;

// Builds the context of a conversion of Settings (the converter's working
// copy) and makes it the converter's current one. Raises when the side
// audio file cannot be made.
PMclUserData NewMclUserData(TkvnTavelomatic* owner, TkvnTavelomaticSettings* settings);
// Frees every member, each on its own so that one failure stops none of the
// others, then the record; the converter's current context is cleared.
void FreeMclUserData(PMclUserData context);

// Loads the silent movie and the task's movie, goes to the start frame
// (with PlayAfterGoto the movie plays on from there), mutes as the task
// asks, starts the clock and fires OnConvertingBegin.
void StartMovie(PMclUserData context, bool playAfterGoto);

// The converter's OnConvertingProgress with the context.
void ConvertingProgress(PMclUserData context, int state);
