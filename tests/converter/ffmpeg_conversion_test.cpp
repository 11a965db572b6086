// End to end through the FFmpeg back end: the tone movie converted by the
// converter control to each FFmpeg target, started and stopped by frame
// number, by time and by FSCommand, and the faults that must end a
// conversion with an error the task shows instead of a finished file.
// Debian's ffprobe and ffmpeg judge the files against the player's own
// frames, which a test here writes beside them (CMakeLists.txt).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "ConversionFixture.h"
#include "PlayerBindings.h"
#include "TestSupport.h"
#include "kvnConverterFlags.h"
#include "kvnFlashAVCapture.h"

namespace {

using tvmtest::ConversionTask;
using tvmtest::OutputDir;

// One task per target format; the files' names carry the format code.
struct TargetRow {
    int format, videoCodec, audioCodec;
    const char* file;
};

const TargetRow kTargets[] = {
    {0, 1, 4, "e2e-ff-0.avi"},  // MPEG-4 with DivX's tag, PCM sound
    {1, 1, 0, "e2e-ff-1.dat"},  // PAL video CD
    {2, 4, 0, "e2e-ff-2.mpg"},  // MPEG-2 in a transport stream
    // The disc targets take size, rate and sound from the engine's presets;
    // SVCD's sound is MPEG audio whatever the task asks.
    {2, 0, 0, "e2e-ff-2-0.vob"}, {2, 1, 0, "e2e-ff-2-1.vob"}, {2, 2, 0, "e2e-ff-2-2.mpg"}, {2, 3, 0, "e2e-ff-2-3.mpg"},
    {3, 1, 0, "e2e-ff-3.mp4"},  {4, 0, 0, "e2e-ff-4.wmv"}, {5, 0, 0, "e2e-ff-5.ogv"},
    {6, 0, 0, "e2e-ff-6.flv"},  {7, 1, 0, "e2e-ff-7.mov"},
    {8, 1, 1, "e2e-ff-8.3gp"},  // AMR sound
    {9, 2, 0, "e2e-ff-9.3g2"},  // H.264
};

MMRESULT WINAPI NoSoundDriver(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)
{
    return MMSYSERR_NODRIVER;
}

// The player's frame as raw rgb24, the form the Linux checks read.
void WriteRgb(TBitmap& frame, const std::string& path)
{
    tvmtest::Bytes rgb;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x) {
            TColor c = frame.Canvas().Pixels(x, y);
            rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    tvmtest::WriteFile(path, rgb);
}

class FFmpegConversion : public tvmtest::ConverterTest {
protected:
    // A conversion that cannot be made answers 0 and says why.
    void ExpectFailed(const TkvnTavelomaticSettings& task, const std::string& reason)
    {
        EXPECT_EQ(converter_->Convert(task), 0) << task.TargetFileName;
        EXPECT_NE(converter_->LastErrorText.find(reason), std::string::npos)
            << task.TargetFileName << ": " << converter_->LastErrorText;
        EXPECT_FALSE(ConverterFlags().Running);
    }
};

}

// The movie's frame at 1 s, as the player itself draws it. While it is
// captured the player moves only by the capture's steps, so frame N of a
// conversion is the movie's frame N: the checks compare with this very frame.
TEST_F(FFmpegConversion, PlayerFrames)
{
    auto* capture = new TkvnFlashAVCapture(form_);
    capture->SetParent(form_);
    capture->SetBounds(0, 0, tvmtest::kMovieWidth, tvmtest::kMovieHeight);
    capture->LoadMovie(tvmtest::ToneMovie(), "", 0, "");
    capture->StopPlay();
    capture->GotoFrame(tvmtest::kMovieFps);
    std::unique_ptr<TBitmap> picture;
    ASSERT_TRUE(capture->CreateFrameBitmap(picture));
    ASSERT_EQ(picture->Width(), tvmtest::kMovieWidth);
    WriteRgb(*picture, OutputDir() + "player-frame-25.rgb");
    delete capture;
}

TEST_F(FFmpegConversion, EachTarget)
{
    for (const TargetRow& row : kTargets) {
        TkvnTavelomaticSettings task = ConversionTask(row.format, row.videoCodec, row.file);
        task.AudioSettings.CodecID = row.audioCodec;
        ExpectConverted(task);
    }
}

TEST_F(FFmpegConversion, AProjectorSource)
{
    // The tone movie at the end of an executable, as a projector carries it.
    std::string projector = OutputDir() + "tone-projector.exe";
    tvmtest::WriteFile(projector, tvmtest::MakeProjector(tvmtest::ReadFile(tvmtest::ToneMovie())));
    TkvnTavelomaticSettings task = ConversionTask(3, 1, "e2e-ff-projector.mp4");
    task.FileInfo.FileName = projector;
    task.AudioSettings.CodecID = 0;
    ExpectConverted(task);
}

TEST_F(FFmpegConversion, StartAndStopByFrameTimeAndFSCommand)
{
    // Frames 26 to 75 of the task's count, which starts at 1.
    TkvnTavelomaticSettings frames = ConversionTask(3, 1, "e2e-ff-frames.mp4");
    frames.FrameNumberOfStartConverting = 26;
    frames.IsStopConvertingByDuration = false;
    frames.IsStopConvertingByFrameNumber = true;
    frames.FrameNumberOfStopConverting = 75;
    ExpectConverted(frames);

    TkvnTavelomaticSettings time = ConversionTask(3, 1, "e2e-ff-time.mp4");
    time.StartConvertingMode = 1;
    time.DurationBeforeStartConverting = 1.0;
    time.DurationOfConverting = 1.0;
    ExpectConverted(time);

    // The movie's own commands: start at 1 s, stop at its last frame.
    TkvnTavelomaticSettings commands = ConversionTask(3, 1, "e2e-ff-fscommand.mp4");
    commands.IsStopConvertingByDuration = false;
    commands.IsFSCommandEnabled = true;
    ExpectConverted(commands);
}

TEST_F(FFmpegConversion, AMovieThatNeverBecomesReadyFails)
{
    // Played through the stand-in FLV-player movie of this program's
    // resources, which never says it is ready.
    std::string video = OutputDir() + "e2e-ff-never-ready.flv";
    tvmtest::WriteFile(video, tvmtest::Bytes{'F', 'L', 'V', 1});
    TkvnTavelomaticSettings task = ConversionTask(3, 1, "e2e-ff-never-ready.mp4");
    task.FileInfo.FileName = video;
    ExpectFailed(task, "did not become ready");
}

TEST_F(FFmpegConversion, AMissingSoundDeviceFails)
{
    // No player is left from the tests before: the player opens its device afresh.
    TPlayerSystemCalls saved = PlayerSystemCalls();
    PlayerSystemCalls().WaveOutOpen = NoSoundDriver;
    ExpectFailed(ConversionTask(3, 1, "e2e-ff-no-device.mp4"), "sound device");
    PlayerSystemCalls() = saved;
}

TEST_F(FFmpegConversion, ATargetThatCannotBeWrittenFails)
{
    // A target held open without sharing is refused before the run.
    TkvnTavelomaticSettings locked = ConversionTask(3, 1, "e2e-ff-locked.mp4");
    HANDLE held = CreateFileA((OutputDir() + locked.TargetFileName).c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(converter_->Convert(locked), 0);
    CloseHandle(held);
    EXPECT_EQ(ConverterFlags().LastStateCode, kStateTargetNotDeletable);
    // A name the file system refuses fails only when the encoder opens it.
    ExpectFailed(ConversionTask(3, 1, "e2e-ff-bad?.mp4"), "e2e-ff-bad?.mp4");
}

TEST_F(FFmpegConversion, ATargetOnAFullDiskFails)
{
    // CMakeLists.txt points this name at Linux's /dev/full, which Wine opens
    // but whose every write fails as on a full disk. The task check leaves
    // it: the file system shows it as no file.
    TkvnTavelomaticSettings task = ConversionTask(3, 1, "e2e-ff-full.mp4");
    HANDLE full = CreateFileA((OutputDir() + task.TargetFileName).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (full == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no full device behind " << task.TargetFileName;
    CloseHandle(full);
    ExpectFailed(task, "No space left on device");
}
