// The GIF, image-sequence and media-library back ends over a stand-in for the
// capture: the frames they write, with which delays, what a stop leaves,
// and that a file that cannot be written ends the run as a failure.
#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "Canvas.h"
#include "MclBackEnd.h"
#include "TestSupport.h"
#include "kvnGifBackEnd.h"
#include "kvnImageSequenceBackEnd.h"
#include "kvnWriterLoop.h"

namespace {

constexpr int Width = 40, Height = 30;

// Each step queues one frame of its own grey (or the frames Burst gives it)
// and answers a clock above 0; after Steps steps the run stops.
class TFakeFeed : public TkvnLoopFeed {
public:
    explicit TFakeFeed(int steps) : steps_(steps) {}

    double Step() override
    {
        ++calls;
        paused = calls <= pausedCalls;
        if (paused) return 0;
        if (calls <= pausedCalls + heldCalls) return -1;  // saving paused: nothing kept
        if (!running || frames_.Count() > 0) return 0;
        int count = taken_ + 1 == burstAt ? burst : 1;
        for (int i = 0; i < count; ++i) {
            auto* frame = new TBitmap;
            frame->SetPixelFormat(pf24bit);
            frame->SetSize(Width, Height);
            int grey = (queued * 8) % 256;
            frame->Canvas().Brush().SetColor(RGB(grey, grey, grey));
            frame->Canvas().FillRect(TRect{0, 0, Width, Height});
            frames_.Add(frame, false);
            ++queued;
        }
        if (++taken_ >= steps_) running = false;
        return 1;
    }
    bool Running() const override { return running; }
    bool Paused() const override { return paused; }
    TkvnFramesList& Frames() override { return frames_; }
    int Command() const override { return 6; }
    void Progress(int state) override { states.push_back(state); }
    void FitToAspect(TBitmap&) override {}
    void FitToAspect(MclImage) override {}

    bool running = true, paused = false;
    int pausedCalls = 0, heldCalls = 0;
    int burstAt = 0, burst = 1;
    int calls = 0, queued = 0;
    std::vector<int> states;

private:
    TkvnFramesList frames_;
    int steps_;
    int taken_ = 0;
};

TkvnTavelomaticSettings Task(const std::string& file, float fps)
{
    TkvnTavelomaticSettings task;
    task.TargetFilePath = tvmtest::OutputDir();
    task.TargetFileName = file;
    task.CaptureMode = cmSafe;
    task.FileInfo.Width = Width;
    task.FileInfo.Height = Height;
    TkvnVideoSettings& video = task.VideoSettings;
    video.IsVideoIncluded = true;
    video.StageWidth = Width;
    video.StageHeight = Height;
    video.Width = Width;
    video.Height = Height;
    video.FPS = fps;
    video.CodecID = 6;  // .png
    video.Quality = 90;
    return task;
}

// Runs the image-sequence back end over Feed; answers the files written.
int WriteImages(TFakeFeed& feed, const std::string& target, float fps)
{
    TkvnTavelomaticSettings task = Task(target, fps);
    TkvnImageSequenceBackEnd images(task);
    EXPECT_TRUE(images.Open());
    EXPECT_TRUE(images.Run(feed)) << images.ErrorText();
    EXPECT_EQ(images.LastState(), 0);
    return images.Written();
}

}

// Every frame captured is written, each as long as the frame rate says, in
// whole hundredths with the rest carried.
TEST(WriterBackEnds, GifWritesEveryFrameWithItsDelay)
{
    TFakeFeed feed(6);
    TkvnTavelomaticSettings task = Task("writer-loop.gif", 12);
    {
        TkvnGifBackEnd gif(task);
        ASSERT_TRUE(gif.Open()) << gif.ErrorText();
        EXPECT_TRUE(gif.Run(feed)) << gif.ErrorText();
    }
    TGIFImage image;
    TFileStream file(tvmtest::OutputDir() + "writer-loop.gif", fmOpenRead);
    image.LoadFromStream(file);
    ASSERT_EQ(image.FrameCount(), 6);
    const int delays[] = {80, 80, 90, 80, 80, 90};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(image.GetFrame(i).DelayTime(), delays[i]) << i;
        // Captured frame i carries grey 8i.
        EXPECT_EQ(image.GetFrame(i).Bitmap()->Canvas().Pixels(1, 1), TColor(RGB(8 * i, 8 * i, 8 * i))) << i;
    }
}

// Paused calls and calls that kept nothing write nothing and say so; each
// frame handled reports the loop's command code.
TEST(WriterBackEnds, PausedAndHeldCallsWriteNothing)
{
    TFakeFeed feed(2);
    feed.pausedCalls = 2;
    feed.heldCalls = 3;
    EXPECT_EQ(WriteImages(feed, "writer-paused.img", 1000), 2);
    EXPECT_EQ(feed.states, (std::vector<int>{-2, -2, -3, -3, -3, 6, 6}));
}

// The step that stops the run queued five frames: they were captured before
// the stop, and all of them are written, one file per frame.
TEST(WriterBackEnds, AStopWritesTheFramesQueuedBeforeIt)
{
    TFakeFeed feed(3);
    feed.burstAt = 3;
    feed.burst = 5;
    EXPECT_EQ(WriteImages(feed, "writer-stop.img", 12), 7);
    EXPECT_EQ(feed.Frames().Count(), 0);
    EXPECT_NE(GetFileAttributesA((tvmtest::OutputDir() + "writer-stop_000007.png").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A target that cannot be written ends the run at the first frame, as a
// failure with its own state, for both back ends.
TEST(WriterBackEnds, AnUnwritableTargetFailsTheRun)
{
    TkvnTavelomaticSettings task = Task("", 12);
    task.TargetFilePath = tvmtest::OutputDir() + "no-such-folder\\";
    task.TargetFileName = "clip.img";
    TFakeFeed feed(29);
    TkvnImageSequenceBackEnd images(task);
    ASSERT_TRUE(images.Open());
    EXPECT_FALSE(images.Run(feed));
    EXPECT_EQ(images.LastState(), kStateTargetNotWritten);
    EXPECT_EQ(feed.calls, 1);
    EXPECT_NE(images.ErrorText().find("clip_000001.png"), std::string::npos);

    task.TargetFileName = "clip.gif";
    TkvnGifBackEnd gif(task);
    EXPECT_FALSE(gif.Open());
    EXPECT_EQ(gif.LastState(), kStateTargetNotWritten);
    EXPECT_FALSE(gif.ErrorText().empty());
}

TEST(WriterBackEnds, FrameRateAtOrBelowZeroIsRefusedBeforeAnyFile)
{
    for (float fps : {0.0f, -12.0f}) {
        TkvnTavelomaticSettings task = Task("writer-rate.gif", fps);
        TkvnGifBackEnd gif(task);
        EXPECT_FALSE(gif.Open());
        EXPECT_EQ(gif.LastState(), kStateFrameRateInvalid);
        TkvnImageSequenceBackEnd images(task);
        EXPECT_FALSE(images.Open());
        EXPECT_EQ(images.LastState(), kStateFrameRateInvalid);
    }
    EXPECT_EQ(GetFileAttributesA((tvmtest::OutputDir() + "writer-rate.gif").c_str()), INVALID_FILE_ATTRIBUTES);
}

// The media library takes every frame queued, those still queued at the stop
// included, each as one frame of the file at the task's rate, and the
// picture source finishes once the queue is empty.
TEST(WriterBackEnds, MediaLibraryDrainsTheFramesQueuedAtTheStop)
{
    TFakeFeed feed(22);
    feed.burstAt = 22;
    feed.burst = 4;
    TkvnTavelomaticSettings task = Task("writer-mcl.avi", 25);
    task.TargetFileFormat = 0;
    TkvnMclBackEnd backEnd(task, feed, [] { return TMclAudioSourceState{}; });
    int started = 0;
    EXPECT_EQ(backEnd.Run([&] { ++started; }), MCL_OK);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(feed.queued, 25);
    EXPECT_EQ(feed.Frames().Count(), 0);
    ASSERT_FALSE(feed.states.empty());
    EXPECT_EQ(feed.states.back(), -1);
    EXPECT_EQ(std::count(feed.states.begin(), feed.states.end(), 2), 4);
}
