// The preview control with the program's own player: FLV-player movies in
// the temporary folder, the FLV player's messages, the process-wide sound
// control and snapshots.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PlayerBindings.h"
#include "PlayerHostFixture.h"
#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnFlashPreview.h"

namespace {

std::string Movie(const std::string& name, uint32_t stage)
{
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::SwfMovie movie;
    movie.frameCount = 2;
    movie.tags = tvmtest::SwfTags().Background(stage).ShowFrame().ShowFrame().End().Take();
    tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
    return path;
}

std::string Video(const std::string& name)
{
    std::string path = tvmtest::OutputDir() + name;
    tvmtest::WriteFile(path, tvmtest::Bytes{'F', 'L', 'V', 1});
    return path;
}

class Preview : public PlayerHostTest {
protected:
    void SetUp() override
    {
        PlayerHostTest::SetUp();
        preview = new TkvnFlashPreview(form);
        preview->SetParent(form);
        preview->SetBounds(0, 0, 200, 150);
    }
    TkvnFlashPreview* preview = nullptr;
};

TEST_F(Preview, EachFLVLoadLeavesOnlyItsOwnPlayerMovieBehind)
{
    std::string first = Video("preview_first.flv");
    preview->LoadMovie(first, "", 0, "");
    ASSERT_EQ(preview->LoadError(), "");
    EXPECT_EQ(preview->FlashFileFormat(), fmtFLV);
    EXPECT_EQ(preview->FlashFileName, LowerCase(first));
    std::string firstPlayer = WideToAnsi(preview->GetMovie());
    EXPECT_TRUE(FileExists(firstPlayer)) << firstPlayer;
    EXPECT_EQ(ExtractFileExt(firstPlayer), ".swf");
    EXPECT_EQ(WideToAnsi(preview->GetFlashVars()),
              "cmd=play&url=none&driver=" + LowerCase(first).substr(0, 1) + "&path=" + LowerCase(first).substr(2));

    preview->LoadMovie(Video("preview_second.flv"), "", 0, "");
    std::string secondPlayer = WideToAnsi(preview->GetMovie());
    EXPECT_NE(secondPlayer, firstPlayer);
    EXPECT_FALSE(FileExists(firstPlayer)) << "the earlier player movie is gone";
    EXPECT_TRUE(FileExists(secondPlayer));

    // An F4V plays through the same player movie.
    preview->LoadMovie(Video("preview_third.f4v"), "", 0, "");
    EXPECT_EQ(preview->FlashFileFormat(), fmtFLV);
    std::string thirdPlayer = WideToAnsi(preview->GetMovie());
    EXPECT_EQ(ExtractFileExt(thirdPlayer), ".swf");
    EXPECT_FALSE(FileExists(secondPlayer));

    preview->Free();
    EXPECT_FALSE(FileExists(thirdPlayer)) << "and the last goes with the control";
}

TEST_F(Preview, TheFLVPlayersMessagesAreReported)
{
    std::vector<std::pair<int, double>> timers;
    preview->LoadMovie(Video("preview_messages.flv"), "", 0, "");
    preview->OnTimer = [&](TObject*, int frame, double time) {
        if (frame == -1) timers.emplace_back(frame, time);
    };
    for (auto [command, args] : {std::pair{L"KVN_FLVMSG_PLAYHEADUPDATE", L"12.5"},
                                 std::pair{L"kvn_flvmsg_playheadupdate", L"twelve"},
                                 std::pair{L"kvn_flvmsg_progress", L"50"}, std::pair{L"kvn_flvmsg_ready", L""}})
        preview->OnFSCommand(preview, command, args);
    EXPECT_EQ(timers, (std::vector<std::pair<int, double>>{{-1, 12.5}}));
    EXPECT_TRUE(preview->IsFLVReady());
    EXPECT_FALSE(preview->IsFLVComplete());
    preview->OnFSCommand(preview, L"kvn_flvmsg_complete", L"");
    EXPECT_TRUE(preview->IsFLVComplete());
    preview->Unload();
    EXPECT_FALSE(preview->IsFLVReady());
    EXPECT_FALSE(preview->IsFLVComplete());
}

TEST_F(Preview, PausesEveryPlayerAndStopsMuted)
{
    preview->LoadMovie(Movie("preview_sound.swf", 0xFFFFFF), "", 0, "");
    ASSERT_TRUE(preview->IsSWFReady());
    // The player's device opens on its own thread.
    for (int waited = 0; waited < 5000 && (SetAudioPaused(true), !GetAudioPaused()); waited += 10) Sleep(10);
    SetAudioPaused(false);
    EXPECT_EQ(preview->Pause(), MMSYSERR_NOERROR);
    EXPECT_TRUE(GetAudioPaused());
    EXPECT_EQ(preview->Resume(), MMSYSERR_NOERROR);
    EXPECT_FALSE(GetAudioPaused());
    preview->Pause();
    preview->Stop();
    EXPECT_FALSE(GetAudioPaused()) << "a stop resumes the sound";
    EXPECT_EQ(preview->GetMovie(), L"");
    EXPECT_FALSE(preview->IsSWFReady());
    preview->Play();
}

TEST_F(Preview, SnapshotsShowTheStageAndItsAlpha)
{
    preview->LoadMovie(Movie("preview_stage.swf", 0x336699), "", 0, "");
    ASSERT_TRUE(preview->IsSWFReady());
    std::unique_ptr<TBitmap> frame = preview->GetFrameBitmap();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->PixelFormat(), pf24bit);
    EXPECT_EQ(frame->Width(), 200);
    EXPECT_EQ(frame->Canvas().Pixels(100, 75), TColor(0x996633));

    preview->IsTransparent = true;
    preview->LoadMovie(Movie("preview_transparent.swf", 0x336699), "", 0, "transparent");
    frame = preview->GetFrameBitmap();
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->PixelFormat(), pf32bit);
    EXPECT_EQ(static_cast<const uint8_t*>(frame->ScanLine(75))[100 * 4 + 3], 0) << "no stage: all clear";
}

}
