// An animated GIF written one frame at a time reads back with its frames and
// delays; frames with alpha are flattened onto the stage colour; a file that
// stops taking bytes is an error, not a finished GIF.
#include <gtest/gtest.h>

#include "Canvas.h"
#include "Exceptions.h"
#include "TestSupport.h"
#include "kvnGifWriter.h"

namespace {

constexpr int Width = 48, Height = 32;

std::unique_ptr<TBitmap> Solid(TColor color)
{
    auto frame = std::make_unique<TBitmap>();
    frame->SetPixelFormat(pf24bit);
    frame->SetSize(Width, Height);
    frame->Canvas().Brush().SetColor(color);
    frame->Canvas().FillRect(TRect{0, 0, Width, Height});
    return frame;
}

// Takes Room bytes, then refuses every write as a full disk does.
class TFullStream : public TMemoryStream {
public:
    explicit TFullStream(int32_t room) : room_(room) {}
    int32_t Write(const void* buffer, int32_t count) override
    {
        int32_t taken = std::min(count, room_);
        room_ -= taken;
        return TMemoryStream::Write(buffer, taken);
    }

private:
    int32_t room_;
};

}

TEST(GifWriter, FramesReadBackWithTheirDelays)
{
    const TColor colors[] = {clRed, clLime, clBlue, clWhite};
    const int delays[] = {20, 90, 90, 100};
    std::string name = tvmtest::OutputDir() + "gif-writer.gif";
    {
        TkvnGifWriter writer(std::make_unique<TFileStream>(name, fmCreate), clBlack, false);
        for (int i = 0; i < 4; ++i) writer.WriteFrame(*Solid(colors[i]), delays[i]);
        writer.Finish();
        EXPECT_EQ(writer.Written(), 4);
    }
    TGIFImage gif;
    TFileStream file(name, fmOpenRead);
    gif.LoadFromStream(file);
    ASSERT_EQ(gif.FrameCount(), 4);
    EXPECT_TRUE(gif.Looping());
    EXPECT_EQ(gif.Width(), Width);
    EXPECT_EQ(gif.Height(), Height);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(gif.GetFrame(i).DelayTime(), delays[i]) << i;
        EXPECT_EQ(gif.GetFrame(i).Bitmap()->Canvas().Pixels(Width / 2, Height / 2), colors[i]) << i;
    }
}

// Opaque pixels keep their colour, clear ones take the background, half
// clear ones fall between.
TEST(GifWriter, AlphaIsFlattenedOntoTheBackground)
{
    TBitmap frame;
    frame.SetPixelFormat(pf32bit);
    frame.SetSize(3, 1);
    auto* pixels = static_cast<uint32_t*>(frame.ScanLine(0));
    pixels[0] = 0xFFFF0000;  // opaque red (ARGB)
    pixels[1] = 0x00FF0000;  // clear
    pixels[2] = 0x80FF0000;  // half
    const TColor background = 0x00FF00;  // lime (a TColor: blue in the high byte)
    PrepareGifFrame(frame, background);
    EXPECT_EQ(frame.Width(), 3);
    EXPECT_TRUE(frame.Transparent());
    EXPECT_EQ(frame.TransparentColor(), TColor(0xFFFFFF));
    TCanvas& canvas = frame.Canvas();
    EXPECT_EQ(canvas.Pixels(0, 0), clRed);
    EXPECT_EQ(canvas.Pixels(1, 0), background);
    TColor half = canvas.Pixels(2, 0);
    EXPECT_NEAR(GetRValue(half), 128, 2);
    EXPECT_NEAR(GetGValue(half), 127, 2);
    EXPECT_EQ(GetBValue(half), 0);
}

TEST(GifWriter, AFileThatStopsTakingBytesRaises)
{
    for (int32_t room : {0, 40, 200}) {
        TkvnGifWriter writer(std::make_unique<TFullStream>(room), clBlack, false);
        EXPECT_THROW(
            {
                for (int i = 0; i < 3; ++i) writer.WriteFrame(*Solid(clRed), 10);
                writer.Finish();
            },
            EWriteError)
            << room;
    }
}
