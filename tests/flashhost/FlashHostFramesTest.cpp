// Frames of the program's own player drawn into bitmaps, also over two
// backgrounds for the alpha of a transparent stage.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ControlTestSupport.h"
#include "FakePlayer.h"
#include "FlashHostControl.h"
#include "MappedPlayer.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace {

// Blue, green, red (and alpha) of a pixel of a 24- or 32-bit bitmap.
uint32_t PixelOf(TBitmap& bitmap, int x, int y)
{
    auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    int bytes = bitmap.PixelFormat() == pf32bit ? 4 : 3;
    const uint8_t* pixel = row + x * bytes;
    return pixel[0] | pixel[1] << 8 | pixel[2] << 16;
}

// The alpha that two renders over black and over white give away: a pixel
// as bright over white as over black is opaque.
int AlphaOf(TBitmap& overBlack, TBitmap& overWhite, int x, int y)
{
    int black = PixelOf(overBlack, x, y) & 0xFF;
    int white = PixelOf(overWhite, x, y) & 0xFF;
    return (255 - (white - black)) & 0xFF;
}

class FlashHostFrames : public ::testing::Test {
protected:
    void SetUp() override
    {
        Application->Initialize();
        tvmtest::MapPlayerFromProgram();
        form = new tvmtest::TTestForm(nullptr, 700, 500);
        form->Show();
        host = new TFlashHostControl(form);
        host->SetParent(form);
    }
    void TearDown() override { form->Free(); }

    // A 550 x 400 stage of one colour.
    void Load(uint32_t rgb, const char* name)
    {
        tvmtest::SwfMovie movie;
        movie.tags = tvmtest::SwfTags().Background(rgb).ShowFrame().End().Take();
        std::string path = tvmtest::OutputDir() + name;
        tvmtest::WriteFile(path, tvmtest::MakeSwf(movie));
        host->SetMovie(std::wstring(path.begin(), path.end()));
    }

    TForm* form = nullptr;
    TFlashHostControl* host = nullptr;
};

TEST_F(FlashHostFrames, ATransparentStageLeavesAlphaZeroAndItsBackgroundColourAtMinusOne)
{
    host->SetBounds(0, 0, 320, 240);
    host->SetWMode(L"transparent");
    Load(0x336699, "grab_transparent.swf");
    std::unique_ptr<TBitmap> overBlack, overWhite;
    ASSERT_TRUE(host->CreateFrameBitmapsForAlpha(overBlack, overWhite));
    ASSERT_TRUE(overBlack && overWhite);
    for (TBitmap* bitmap : {overBlack.get(), overWhite.get()}) {
        EXPECT_EQ(bitmap->Width(), 320);
        EXPECT_EQ(bitmap->Height(), 240);
        EXPECT_EQ(bitmap->PixelFormat(), pf32bit);
    }
    for (POINT at : {POINT{0, 0}, POINT{160, 120}, POINT{319, 239}}) {
        EXPECT_EQ(PixelOf(*overBlack, at.x, at.y), 0x000000u);
        EXPECT_EQ(PixelOf(*overWhite, at.x, at.y), 0xFFFFFFu);
        EXPECT_EQ(AlphaOf(*overBlack, *overWhite, at.x, at.y), 0) << "nothing drawn there";
    }
    EXPECT_EQ(host->GetBackgroundColor(), -1);
}

TEST_F(FlashHostFrames, AnOpaqueStageIsOpaqueOverBothBackgrounds)
{
    host->SetBounds(0, 0, 320, 240);
    Load(0x000000, "grab_opaque.swf");
    std::unique_ptr<TBitmap> overBlack, overWhite;
    ASSERT_TRUE(host->CreateFrameBitmapsForAlpha(overBlack, overWhite));
    EXPECT_EQ(AlphaOf(*overBlack, *overWhite, 10, 10), 255);
    EXPECT_EQ(AlphaOf(*overBlack, *overWhite, 300, 200), 255);
}

TEST_F(FlashHostFrames, AFrameIsDrawnAtTheClientSizeAlsoTwiceTheStage)
{
    // SetBackgroundColor -1 paints the movie's own colour.
    host->SetBackgroundColor(-1);
    Load(0x336699, "grab_scaled.swf");
    for (SIZE size : {SIZE{275, 200}, SIZE{1100, 800}}) {
        host->SetBounds(0, 0, size.cx, size.cy);
        std::unique_ptr<TBitmap> frame;
        ASSERT_TRUE(host->CreateFrameBitmap(frame));
        EXPECT_EQ(frame->Width(), host->ClientWidth());
        EXPECT_EQ(frame->Height(), host->ClientHeight());
        EXPECT_EQ(frame->PixelFormat(), pf24bit);
        int right = frame->Width() - 1, bottom = frame->Height() - 1;
        for (POINT at : {POINT{0, 0}, POINT{right, 0}, POINT{0, bottom}, POINT{right, bottom}})
            EXPECT_EQ(PixelOf(*frame, at.x, at.y), 0x336699u) << size.cx << " at " << at.x << "," << at.y;
    }
}

TEST_F(FlashHostFrames, AFrameDrawnIntoABitmapOfItsSizeAndFormatKeepsItsMemory)
{
    host->SetBounds(0, 0, 120, 90);
    host->SetBackgroundColor(-1);
    TBitmap frame;
    frame.SetSize(30, 20);
    Load(0x336699, "grab_into_first.swf");
    ASSERT_TRUE(host->DrawFrameInto(frame, pf32bit));
    EXPECT_EQ(frame.Width(), 120);
    EXPECT_EQ(frame.Height(), 90);
    EXPECT_EQ(frame.PixelFormat(), pf32bit);
    EXPECT_EQ(PixelOf(frame, 119, 89), 0x336699u);
    const HBITMAP memory = frame.Handle();
    Load(0x996633, "grab_into_second.swf");
    ASSERT_TRUE(host->DrawFrameInto(frame, pf32bit));
    EXPECT_EQ(frame.Handle(), memory);
    EXPECT_EQ(PixelOf(frame, 0, 0), 0x996633u) << "drawn over, not kept";
}

TEST_F(FlashHostFrames, TheLastBlitIsCopiedAtItsSize)
{
    host->SetBounds(0, 0, 120, 90);
    // In "direct" mode the player presents each frame by one full-frame BitBlt.
    host->SetWMode(L"direct");
    Load(0x336699, "grab_blit.swf");
    SendMessageA(host->Handle(), WM_USER + 1, 1, 0);
    std::unique_ptr<TBitmap> copy = CopyLastBlitBitmap();
    EXPECT_EQ(copy->Width(), 120);
    EXPECT_EQ(copy->Height(), 90);
    EXPECT_EQ(PixelOf(*copy, 60, 45), 0x336699u);
}

TEST(FlashHostFramesWithoutView, APlayerWithoutViewObjectDrawsNothing)
{
    tvmtest::TFakePlayer player(11);
    tvmtest::TFakeProvider provider(&player);
    TFlashHostControl host(nullptr, provider);
    std::unique_ptr<TBitmap> kept = std::make_unique<TBitmap>();
    TBitmap* before = kept.get();
    EXPECT_FALSE(host.CreateFrameBitmap(kept));
    std::unique_ptr<TBitmap> second;
    EXPECT_FALSE(host.CreateFrameBitmapsForAlpha(kept, second));
    EXPECT_EQ(kept.get(), before);
    EXPECT_EQ(second, nullptr);
}

TEST(FlashHostFramesWithoutView, AFailingDrawGivesNoBitmap)
{
    tvmtest::TFakePlayer player(11);
    player.OffersView = true;
    tvmtest::TFakeProvider provider(&player);
    TFlashHostControl host(nullptr, provider);
    std::unique_ptr<TBitmap> frame, overBlack, overWhite;
    EXPECT_FALSE(host.CreateFrameBitmap(frame));
    EXPECT_EQ(frame, nullptr);
    EXPECT_FALSE(host.CreateFrameBitmapsForAlpha(overBlack, overWhite));
    EXPECT_EQ(overBlack, nullptr);
    EXPECT_EQ(overWhite, nullptr);

    player.DrawResult = S_OK;
    EXPECT_TRUE(host.CreateFrameBitmap(frame));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Width(), host.ClientWidth());
}

}
