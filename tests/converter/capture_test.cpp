// The capture control with the program's own player: steps paid for by the
// sound the player writes, FSCommands as capture commands, alpha from two
// renders, and the failures that must end a conversion instead of holding it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PlayerBindings.h"
#include "PlayerHostFixture.h"
#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnCapturedSound.h"
#include "kvnFlashAVCapture.h"

namespace {

constexpr uint32_t kStage = 0x336699;
constexpr int16_t kSample = 3000;

// A 25 fps movie of Frames frames on a coloured stage, each frame carrying
// one frame's worth of 44,100 Hz 16-bit stereo PCM at a constant level, with
// Actions in its frame ActionsAt (counted from 0).
std::string StreamSoundMovie(const std::string& name, uint16_t frames, const tvmtest::Bytes& actions = {},
                             uint16_t actionsAt = 0)
{
    constexpr uint16_t samplesPerFrame = 44100 / 25;
    tvmtest::Bytes block;
    for (int i = 0; i < samplesPerFrame * 2; ++i) {
        block.push_back(static_cast<uint8_t>(kSample & 0xFF));
        block.push_back(static_cast<uint8_t>(kSample >> 8));
    }
    tvmtest::SwfTags tags;
    tags.Background(kStage).SoundStreamHead(tvmtest::SoundFormatByte(3, 3, true, true), samplesPerFrame);
    for (uint16_t frame = 0; frame < frames; ++frame) {
        if (frame == actionsAt && !actions.empty()) tags.DoAction(actions);
        tags.SoundStreamBlock(block).ShowFrame();
    }
    tvmtest::SwfMovie movie;
    movie.rateInteger = 25;
    movie.frameCount = frames;
    movie.tags = tags.End().Take();
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    return path;
}

// A movie without sound: two frames on a white stage.
std::string SilentMovie()
{
    std::string path = tvmtest::OutputDir() + "capture_silent.swf";
    tvmtest::SwfMovie movie;
    movie.frameCount = 2;
    movie.tags = tvmtest::SwfTags().Background(0xFFFFFF).ShowFrame().ShowFrame().End().Take();
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    return path;
}

MMRESULT WINAPI NoSoundDriver(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)
{
    return MMSYSERR_NODRIVER;
}

struct Step {
    double Result;
    std::unique_ptr<TkvnFramesList> Frames;
    std::unique_ptr<TMemoryStream> Sound;
    uint32_t Command;
};

Step TakeStep(TkvnFlashAVCapture& capture)
{
    Step step;
    step.Result = CreateCaptureBuffers(&capture, step.Frames, step.Sound, step.Command);
    return step;
}

bool HoldsSample(TMemoryStream& sound, int16_t value)
{
    const auto* samples = static_cast<const int16_t*>(sound.Memory());
    return std::find(samples, samples + sound.GetSize() / 2, value) != samples + sound.GetSize() / 2;
}

// Freeing the form ends every movie, and with the last one the player's
// sound device.
class Capture : public PlayerHostTest {
protected:
    TkvnFlashAVCapture* NewCapture(bool visible = true)
    {
        auto* capture = new TkvnFlashAVCapture(form);
        capture->SetParent(form);
        capture->SetBounds(0, 0, 220, 160);
        capture->SetVisible(visible);
        return capture;
    }
};

TEST(CaptureFrames, SoundPaysForWholeFramesOnly)
{
    struct Case {
        double rate;
        int64_t bytes, frames;
    } cases[] = {
        {44100.0 / 1024, 4096, 1}, {44100.0 / 1024, 4095, 0}, {44100.0 / 256, 4096, 4}, {44100.0 / 512, 12000, 5},
        // A frame is paid once its last sample is there.
        {25, 7056, 1},             {25, 7052, 0},             {25, 176400, 25},         {30000.0 / 1001, 176400, 29},
        {24, 3600 * 176400LL, 86400},
        {25, 0, 0},                {25, -5, 0},               {0, 176400, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CaptureFramesForSound(c.bytes, c.rate), c.frames) << c.rate << " fps, " << c.bytes << " bytes";
}

// The least sound that pays for a count of frames: one sample less pays for
// one frame less.
TEST(CaptureFrames, WholeFramesOfSoundEndOnTheLastFramesTime)
{
    EXPECT_EQ(CaptureSoundForFrames(1, 25), 7056);
    EXPECT_EQ(CaptureSoundForFrames(3, 44100.0 / 1024), 3 * 4096);
    EXPECT_EQ(CaptureSoundForFrames(1, 30000.0 / 1001), 1472 * 4);
    EXPECT_EQ(CaptureSoundForFrames(0, 25), 0);
    for (double rate : {25.0, 12.0, 30000.0 / 1001, 24000.0 / 1001, 12.5, 0.5, 44100.0 / 256})
        for (int64_t frames : {1LL, 2LL, 7LL, 29LL, 1000LL, 86400LL}) {
            const int64_t bytes = CaptureSoundForFrames(frames, rate);
            EXPECT_EQ(bytes % 4, 0);
            EXPECT_EQ(CaptureFramesForSound(bytes, rate), frames) << rate << " fps, " << frames;
            EXPECT_EQ(CaptureFramesForSound(bytes - 4, rate), frames - 1) << rate << " fps, " << frames;
        }
}

TEST(CaptureAlpha, IsRebuiltFromRendersOverBlackAndOverWhite)
{
    struct Pixel {
        uint8_t b, g, r, a;
    };
    struct Case {
        const char* what;
        Pixel overBlack, overWhite, expected;
    } cases[] = {
        {"opaque keeps its colour", {100, 150, 200, 0}, {100, 150, 200, 0}, {100, 150, 200, 255}},
        {"clear", {0, 0, 0, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}},
        {"half", {64, 50, 50, 0}, {191, 177, 177, 0}, {127, 99, 99, 128}},
        {"darker over white is opaque", {30, 20, 10, 0}, {30, 20, 5, 0}, {30, 20, 10, 255}},
        {"brighter than alpha allows is white", {200, 0, 60, 0}, {200, 0, 215, 0}, {255, 0, 153, 100}},
    };
    const int count = static_cast<int>(std::size(cases));
    TBitmap overBlack, overWhite;
    for (TBitmap* bitmap : {&overBlack, &overWhite}) {
        bitmap->SetPixelFormat(pf32bit);
        bitmap->SetSize(count, 1);
    }
    for (int i = 0; i < count; ++i) {
        std::memcpy(static_cast<Pixel*>(overBlack.ScanLine(0)) + i, &cases[i].overBlack, 4);
        std::memcpy(static_cast<Pixel*>(overWhite.ScanLine(0)) + i, &cases[i].overWhite, 4);
    }
    std::unique_ptr<TBitmap> merged = AlphaFromTwoBackgrounds(overBlack, overWhite);
    ASSERT_EQ(merged->PixelFormat(), pf32bit);
    for (int i = 0; i < count; ++i) {
        Pixel got = static_cast<const Pixel*>(merged->ScanLine(0))[i];
        const Pixel& want = cases[i].expected;
        EXPECT_EQ((std::vector<int>{got.b, got.g, got.r, got.a}), (std::vector<int>{want.b, want.g, want.r, want.a}))
            << cases[i].what;
    }
}

TEST_F(Capture, EachStepGrabsTheFramesItsSoundPaysFor)
{
    std::string movie = StreamSoundMovie("capture_stream.swf", 250);
    for (auto [mode, perFrame] : {std::pair{cmSafe, 4096}, std::pair{cm2X, 2048}, std::pair{cm4X, 1024}}) {
        TkvnFlashAVCapture* capture = NewCapture();
        capture->CaptureMode = mode;
        capture->LoadMovie(movie, "", 0, "");
        ASSERT_TRUE(capture->IsSWFReady()) << capture->CaptureError();
        int64_t bytes = 0;
        int frames = 0;
        bool heard = false;
        // A second of sound: more than the player's queue of buffers holds.
        while (bytes < 176400) {
            Step step = TakeStep(*capture);
            ASSERT_GT(step.Result, 0) << capture->CaptureError();
            int64_t size = step.Sound->GetSize();
            EXPECT_EQ(size % 4096, 0) << "the player writes whole blocks";
            EXPECT_DOUBLE_EQ(step.Result, 176400.0 / double(size));
            bytes += size;
            frames += step.Frames->Count();
            heard |= HoldsSample(*step.Sound, kSample);
            TBitmap* frame = step.Frames->Get(0);
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->Width(), 220);
            EXPECT_EQ(frame->Canvas().Pixels(110, 80), TColor(0x996633)) << "the movie's stage";
        }
        EXPECT_EQ(frames, bytes / perFrame) << "mode " << int(mode);
        EXPECT_EQ(capture->EnteredFrameCount(), uint32_t(frames)) << "one step before each grab";
        EXPECT_TRUE(heard) << "the captured sound is the movie's";
        EXPECT_EQ(capture->CaptureError(), "");
        capture->Free();
    }
}

TEST_F(Capture, APacedPlayerMovesOnlyByTheStepsAndWritesAsFastAsAsked)
{
    TkvnFlashAVCapture* capture = NewCapture();
    capture->PacesPlayer = true;
    capture->GrabFrameRate = capture->MovieFrameRate = 25;
    capture->LoadMovie(StreamSoundMovie("capture_paced.swf", 250), "", 0, "");
    ASSERT_TRUE(capture->IsSWFReady()) << capture->CaptureError();
    // The player's own timer would have moved it on by now.
    PumpMessagesUntil([] { return false; }, 200);
    EXPECT_EQ(capture->GetFrameNum(), 0);
    int64_t bytes = 0, frames = 0;
    // Far more sound than a second of real time could play.
    while (bytes < 8 * 176400) {
        Step step = TakeStep(*capture);
        ASSERT_GT(step.Result, 0) << capture->CaptureError();
        bytes += step.Sound->GetSize();
        frames += step.Frames->Count();
        ASSERT_EQ(frames, bytes / 7056) << "25 frames a second of sound";
        // Frame N of the capture is the movie's frame N.
        ASSERT_EQ(capture->GetFrameNum(), frames - 1);
    }
    EXPECT_EQ(capture->EnteredFrameCount(), uint32_t(frames - 1)) << "the first frame is the one loaded";

    // A step takes no more sound than it is given room for, to the sample;
    // the rest waits.
    Step limited;
    limited.Result = CreateCaptureBuffers(capture, limited.Frames, limited.Sound, limited.Command, 7056 + 400);
    EXPECT_EQ(limited.Sound->GetSize(), 7056 + 400);
    EXPECT_EQ(limited.Frames->Count(), 1);
    // Without a limit, the sound of whole frames: the rest of the one cut
    // short, and those after it.
    Step rest = TakeStep(*capture);
    EXPECT_EQ((limited.Sound->GetSize() + rest.Sound->GetSize()) % 7056, 0);
    EXPECT_EQ(rest.Frames->Count(), (limited.Sound->GetSize() + rest.Sound->GetSize()) / 7056 - 1);
    EXPECT_EQ((bytes + limited.Sound->GetSize() + rest.Sound->GetSize() + kvnCapturedSound::Size()) % 4096, 0)
        << "nothing was lost";
    capture->Free();
}

// Steps end on the very frame: before the frame that brings a capture
// command, which the next step then starts with, and with the grab of the
// stop frame, each with the sound of the frames grabbed and no more.
TEST_F(Capture, PacedStepsEndAtACommandsFrameAndAtTheStopFrame)
{
    TkvnFlashAVCapture* capture = NewCapture();
    capture->PacesPlayer = true;
    capture->GrabFrameRate = capture->MovieFrameRate = 25;
    capture->StopFrameNumber = 10;
    auto start = tvmtest::SwfActions().GetUrl("FSCommand:kvn_cmd_capture_start", "").End().Take();
    capture->LoadMovie(StreamSoundMovie("capture_exact.swf", 250, start, 5), "", 0, "");
    ASSERT_TRUE(capture->IsSWFReady()) << capture->CaptureError();
    int64_t bytes = 0, frames = 0;
    bool commanded = false;
    while (!capture->ReachedStopFrame()) {
        Step step = TakeStep(*capture);
        ASSERT_EQ(capture->CaptureError(), "");
        bytes += step.Sound->GetSize();
        frames += step.Frames->Count();
        ASSERT_EQ(bytes, frames * 7056) << "whole frames' sound";
        if (!commanded && step.Command == ccStart) {
            commanded = true;
            EXPECT_EQ(frames, 5) << "the frame that brought the command is the next step's";
            EXPECT_EQ(capture->GetFrameNum(), 5);
        } else {
            ASSERT_EQ(capture->GetFrameNum(), frames - 1);
        }
    }
    EXPECT_TRUE(commanded);
    EXPECT_EQ(frames, 10);
    capture->Free();
}

TEST_F(Capture, ARecycledFrameIsDrawnOverByALaterGrab)
{
    TkvnFlashAVCapture* capture = NewCapture();
    capture->LoadMovie(StreamSoundMovie("capture_recycled.swf", 50), "", 0, "");
    auto used = std::make_unique<TBitmap>();
    used->SetSize(30, 20);
    used->Canvas().Brush().SetColor(clRed);
    used->Canvas().FillRect(Rect(0, 0, 30, 20));
    const TBitmap* recycled = used.get();
    capture->RecycleFrame(std::move(used));
    Step step = TakeStep(*capture);
    ASSERT_GT(step.Result, 0) << capture->CaptureError();
    TBitmap* frame = step.Frames->Get(0);
    ASSERT_EQ(frame, recycled);
    EXPECT_EQ(frame->Width(), 220);
    EXPECT_EQ(frame->Height(), 160);
    EXPECT_EQ(frame->Canvas().Pixels(0, 0), TColor(0x996633)) << "the movie's stage";
    capture->Free();
}

TEST_F(Capture, TransparentFramesComeAsPairsOverBlackAndWhite)
{
    TkvnFlashAVCapture* capture = NewCapture();
    capture->IsTransparent = true;
    capture->LoadMovie(StreamSoundMovie("capture_transparent.swf", 50), "", 0, "transparent");
    Step step = TakeStep(*capture);
    ASSERT_GT(step.Result, 0) << capture->CaptureError();
    ASSERT_EQ(step.Frames->Count(), 2 * step.Sound->GetSize() / 4096);
    EXPECT_EQ(step.Frames->Get(0)->Canvas().Pixels(5, 5), clBlack);
    EXPECT_EQ(step.Frames->Get(1)->Canvas().Pixels(5, 5), clWhite);
}

TEST_F(Capture, FramesThatCannotBeGrabbedEndTheCaptureWithAnError)
{
    // A stage of no size draws no frame.
    TkvnFlashAVCapture* capture = NewCapture();
    capture->SetBounds(0, 0, 0, 0);
    capture->LoadMovie(StreamSoundMovie("capture_no_size.swf", 50), "", 0, "");
    EXPECT_EQ(TakeStep(*capture).Result, -1.0);
    EXPECT_NE(capture->CaptureError().find("could not be grabbed"), std::string::npos) << capture->CaptureError();
    EXPECT_EQ(capture->EnteredFrameCount(), 10u) << "ten tries, each after a frame step";
}

TEST_F(Capture, FSCommandsBecomeCommandCodesWhateverTheirCase)
{
    TkvnFlashAVCapture* capture = NewCapture();
    capture->FSCommand_Capture_Pause = "Hold_On";
    // The movie's own command, in capitals, reaches the capture through the player.
    auto actions = tvmtest::SwfActions().GetUrl("FSCommand:KVN_Cmd_Capture_Stop", "").End().Take();
    capture->LoadMovie(StreamSoundMovie("capture_fscommand.swf", 50, actions), "", 0, "");
    Step step = TakeStep(*capture);
    EXPECT_EQ(step.Command, uint32_t(ccStop)) << capture->CaptureError();

    struct Case {
        const wchar_t* command;
        uint32_t code;
    } cases[] = {
        {L"kvn_cmd_capture_start", ccStart},   {L"HOLD_ON", ccPause},
        {L"hold_on", ccPause},                 {L"Kvn_Cmd_Capture_Resume", ccResume},
        {L"kvn_cmd_capture_pausesaving", ccPauseSaving}, {L"KVN_CMD_CAPTURE_RESUMESAVING", ccResumeSaving},
        {L"kvn_flvmsg_ready", ccStart},        {L"kvn_flvmsg_playheadupdate", ccStart},
        {L"something_else", ccStart},          {L"kvn_flvmsg_complete", ccStop},
    };
    for (const Case& c : cases) {
        capture->OnFSCommand(capture, c.command, L"");
        EXPECT_EQ(capture->CaptureCommand(), c.code) << WideToAnsi(c.command);
    }
    EXPECT_TRUE(capture->IsFLVReady());
    EXPECT_TRUE(capture->IsFLVComplete());
}

TEST_F(Capture, AMovieThatNeverBecomesReadyEndsTheCaptureWithAnError)
{
    // An FLV played through a player movie that never says it is ready.
    TkvnFlashAVCapture* capture = NewCapture();
    capture->FLVPlayer = SilentMovie();
    std::string video = tvmtest::OutputDir() + "capture_never_ready.flv";
    tvmtest::WriteFile(video, tvmtest::Bytes{'F', 'L', 'V', 1});
    capture->LoadMovie(video, "", 0, "");
    DWORD start = GetTickCount();
    while (capture->CaptureError().empty() && GetTickCount() - start < 10000) {
        EXPECT_EQ(TakeStep(*capture).Result, -1.0);
        Sleep(20);
    }
    EXPECT_NE(capture->CaptureError().find("did not become ready"), std::string::npos) << capture->CaptureError();
    EXPECT_GT(capture->EnteredFrameCount(), 0u) << "the player was stepped while it loaded";
    DWORD failed = GetTickCount();
    EXPECT_EQ(TakeStep(*capture).Result, -1.0);
    EXPECT_LT(GetTickCount() - failed, 1000u) << "a failed capture answers at once";

    // Without an external one, the FLV player comes from the program's
    // resources, which this test program does not have.
    capture->FLVPlayer.clear();
    capture->LoadMovie(video, "", 0, "");
    EXPECT_EQ(capture->FlashFileFormat(), fmtFLV);
    EXPECT_EQ(TakeStep(*capture).Result, -1.0);
    EXPECT_NE(capture->CaptureError().find("FLV player movie"), std::string::npos) << capture->CaptureError();
}

TEST_F(Capture, ASoundDeviceThatCannotBeOpenedEndsTheCaptureWithAnError)
{
    // No movie plays here yet, so the player opens its device afresh.
    TPlayerSystemCalls saved = PlayerSystemCalls();
    PlayerSystemCalls().WaveOutOpen = NoSoundDriver;
    TkvnFlashAVCapture* capture = NewCapture();
    capture->LoadMovie(StreamSoundMovie("capture_no_device.swf", 50), "", 0, "");
    Step step = TakeStep(*capture);
    std::string error = capture->CaptureError();
    capture->Free();
    PlayerSystemCalls() = saved;
    EXPECT_EQ(step.Result, -1.0);
    EXPECT_EQ(step.Frames->Count(), 0);
    EXPECT_NE(error.find("sound device"), std::string::npos) << error;
}

TEST_F(Capture, TheSilentMovieLoopsAndKeepsTheSoundComing)
{
    TkvnFlashAVCapture* silence = NewCapture(false);
    silence->SetLoop(true);
    silence->LoadMovie("silence", "", 0, "");
    EXPECT_EQ(silence->CaptureError(), "");
    TkvnFlashAVCapture* capture = NewCapture();
    capture->SequenceMode = smInteractive;
    capture->SetLoop(false);
    capture->LoadMovie(SilentMovie(), "", 0, "");
    ASSERT_TRUE(capture->IsSWFReady());
    // Far more sound than the two frames of either movie last.
    int64_t bytes = 0;
    while (bytes < 2 * 176400) {
        Step step = TakeStep(*capture);
        ASSERT_GT(step.Result, 0) << capture->CaptureError();
        EXPECT_EQ(step.Frames->Count(), step.Sound->GetSize() / 4096);
        bytes += step.Sound->GetSize();
    }
    EXPECT_TRUE(silence->IsPlaying()) << "the silent movie loops";
    EXPECT_FALSE(capture->IsPlaying()) << "the movie itself stopped at its end, and nothing moved it on";
}

}
