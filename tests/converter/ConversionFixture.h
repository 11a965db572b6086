#pragma once
// What the end-to-end conversions share: a movie written by the test support
// (a square moving over a blue stage, a 440 Hz stream sound, FSCommands that
// start the capture at 1 s and stop it at the last frame), a task for it,
// and the converter control on a form, driven as the convert window drives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Forms.h"
#include "SwfFixtures.h"
#include "kvnTavelomatic.h"

namespace tvmtest {

inline constexpr int kMovieWidth = 160, kMovieHeight = 120, kMovieFps = 25, kMovieFrames = 75;  // 3 s
// The stream sound's level.
inline constexpr int kToneAmplitude = 12000;

// Ends Tags and writes them as a movie Name into the output folder; answers its path.
std::string WriteMovie(const std::string& name, int width, int height, int fps, int frames, SwfTags& tags);

// Writes the movie into the output folder once and answers its path.
const std::string& ToneMovie();

// Converts the movie to Target in the output folder, stopping after 2 s of
// sound; Format is the target format code (0-11).
TkvnTavelomaticSettings ConversionTask(int format, int videoCodec, const std::string& target);

class ConverterTest : public testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Deletes the target, then converts.
    int Convert(const TkvnTavelomaticSettings& task);
    // Converts and expects a finished file, its end reported once with State 0.
    void ExpectConverted(const TkvnTavelomaticSettings& task);

    TForm* form_ = nullptr;
    TkvnTavelomatic* converter_ = nullptr;
    std::vector<int> endStates_;
};

}
