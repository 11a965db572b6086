#pragma once
// The converter's media-library back end: how a task sets up a conversion of
// the media library, what the library's result means as a state code, and
// the answers of the picture and sound source callbacks.
#include <functional>
#include <string>
#include <vector>

#include "MclApi.h"
#include "MclImageHandle.h"
#include "kvnLoopFeed.h"
#include "kvnTavelomaticType.h"

struct TMclSources {
    MclSourceProc Video = nullptr;
    MclSourceProc Audio = nullptr;
};

// Target file, sources, callbacks and format of the task. The task's bit
// rates (bit/s) reach the library in its one unit, kbit/s, for every format.
void SetUpMclConversion(MclHandle m, const TkvnTavelomaticSettings& settings, const TMclSources& sources);
// The last state code for the library's result.
int32_t MclStateFromResult(int32_t result);
// The library's error callback: every error stops the conversion.
void WINAPI StopOnMclError(MclHandle m, int32_t errorCode, int32_t* action);

// What the sound source callback sees of the conversion.
struct TMclAudioSourceState {
    bool Running = false;
    bool Paused = false;
    bool AudioReplaced = false;
    // The replacing sound file; emptied once handed over.
    std::string* SoundFileName = nullptr;
    // Reads the whole PCM queue out (44,100 Hz, 16-bit stereo), inside the
    // converter's critical section.
    std::function<std::vector<uint8_t>()> TakeQueuedPcm;
};

// Answers one call of the sound source. Sound still queued when the
// conversion stops is handed over before the source finishes.
void AnswerMclAudioSource(MclHandle m, const TMclAudioSourceState& state);

// One conversion of the media library whose sources are the converter's
// capture: pictures from the frame queue through the loop feed, sound from
// the PCM queue as Audio describes it at each call.
class TkvnMclBackEnd {
public:
    TkvnMclBackEnd(const TkvnTavelomaticSettings& settings, TkvnLoopFeed& video,
                   std::function<TMclAudioSourceState()> audio);

    // Sets the conversion up, starts the movie and runs it to its end;
    // answers the library's result.
    int32_t Run(const std::function<void()>& startMovie);

    // The source callbacks; the conversion's user data is the back end.
    static void WINAPI MclVideoSourceProc(MclHandle m);
    static void WINAPI MclAudioSourceProc(MclHandle m);

private:
    void AnswerVideo(MclHandle m);
    // Hands the oldest queued frame over; False when none is queued.
    bool HandOverOldest(MclHandle m);

    const TkvnTavelomaticSettings& settings_;
    TkvnLoopFeed& video_;
    std::function<TMclAudioSourceState()> audio_;
    TMclImageHandle image_;
};
