// The converter's FFmpeg back end feeds the engine from a frame queue and a
// PCM queue that a stand-in for the capture fills one step at a time.
#include "FFTestSupport.h"
#include "Graphics.h"
#include "MyUtils.h"
#include "PatternSource.h"
#include "TestSupport.h"
#include "kvnFFmpegBackEnd.h"

#include <deque>
#include <memory>

namespace {

constexpr int Width = 160, Height = 120;
constexpr int SoundBytesPerFrame = 44100 * 4 / 25;

// Each capture step queues one frame and its 1/25 s of sound, as the capture
// does at the task's 25 frames a second; after Steps steps the run stops, or
// goes on without capturing more.
class TFakeFeed : public TkvnCaptureFeed {
public:
    explicit TFakeFeed(int steps) : steps_(steps) {}

    bool Running() const override { return running; }
    bool Paused() const override { return false; }
    double CaptureStep(TkvnFeedSide side, int packetSize) override
    {
        bool needed = side == TkvnFeedSide::Frames ? frames.empty() : pcm.size() < size_t(packetSize);
        if (!running || !needed) return 0;
        if (taken_ >= steps_) {
            running = !stopWhenDone;
            return 0;
        }
        auto frame = std::make_unique<TBitmap>();
        frame->SetPixelFormat(pf24bit);
        frame->SetSize(Width, Height);
        for (int y = 0; y < Height; ++y) pattern.DrawFrame(taken_, static_cast<uint8_t*>(frame->ScanLine(y)), 0);
        frames.push_back(std::move(frame));
        pcm.insert(pcm.end(), SoundBytesPerFrame, 0);
        ++taken_;
        return 25.0;
    }
    int FrameCount() const override { return static_cast<int>(frames.size()); }
    TBitmap* OldestFrame() override { return frames.empty() ? nullptr : frames.front().get(); }
    void DeleteOldestFrame() override { frames.pop_front(); }
    bool PcmHasData() const override { return !pcm.empty(); }
    int ReadPcm(void* data, int size) override
    {
        int count = std::min<int>(size, static_cast<int>(pcm.size()));
        std::copy(pcm.begin(), pcm.begin() + count, static_cast<uint8_t*>(data));
        pcm.erase(pcm.begin(), pcm.begin() + count);
        return count;
    }
    void Progress(int state) override { states.push_back(state); }
    void SetCommand(TkvnFeedSide side, int code) override { commands[side == TkvnFeedSide::Sound] = code; }
    void BeginMovie() override { ++begun; }
    void EndMovie() override { ++ended; }

    bool running = true;
    bool stopWhenDone = true;
    std::deque<std::unique_ptr<TBitmap>> frames;
    std::deque<uint8_t> pcm;
    std::vector<int> states;
    int commands[2] = {0, 0};
    int begun = 0, ended = 0;
    tvmtest::TPatternSource pattern{Width, 1, 25, 1, 1};

private:
    int steps_;
    int taken_ = 0;
};

TkvnTavelomaticSettings SettingsFor(const std::string& folder, const std::string& file)
{
    TkvnTavelomaticSettings settings;
    settings.TargetFilePath = folder;
    settings.TargetFileName = file;
    settings.VideoSettings.IsVideoIncluded = true;
    settings.VideoSettings.StageWidth = Width;
    settings.VideoSettings.StageHeight = Height;
    settings.VideoSettings.Width = 161;  // written as 164
    settings.VideoSettings.Height = 120;
    settings.VideoSettings.FPS = 25;
    settings.VideoSettings.Bitrate = 800000;
    settings.VideoSettings.MaxBitrate = -1;
    settings.VideoSettings.MinBitrate = -1;
    settings.AudioSettings.IsAudioIncluded = true;
    settings.AudioSettings.Channels = 2;
    settings.AudioSettings.SampleRate = 44100;
    settings.AudioSettings.BitRate = 128000;
    return settings;
}

class FFBackEndTest : public tvmtest::FFLoaderTest {
protected:
    std::wstring ProgramFolder() const
    {
        std::string bin = tvmtest::BinDir();
        return AnsiToWide(bin);
    }
};

TEST_F(FFBackEndTest, QueuesBecomeAFileAndDrainBeforeTheEnd)
{
    TFakeFeed feed(50);  // two seconds of movie sound
    TkvnFFmpegBackEnd backEnd(feed, ProgramFolder());
    std::string name = "backend.avi";
    DeleteFileA((tvmtest::OutputDir() + name).c_str());
    EXPECT_EQ(backEnd.ConvertWithFFmpeg("avi", "mpeg4", "DIVX", "mp2", SettingsFor(tvmtest::OutputDir(), name)), 1)
        << backEnd.LastErrorText();
    EXPECT_TRUE(backEnd.TerminateInfo().Finished);
    EXPECT_EQ(feed.begun, 1);
    EXPECT_EQ(feed.ended, 1);
    EXPECT_TRUE(feed.frames.empty());
    EXPECT_TRUE(feed.pcm.empty());
    // Both inputs ended, each through its own loop.
    EXPECT_EQ(feed.commands[0], -1);
    EXPECT_EQ(feed.commands[1], -1);
    EXPECT_GT(WideFileSize(AnsiToWide(tvmtest::OutputDir() + name)), 0);
}

// A run that fails while writing is no conversion.
TEST_F(FFBackEndTest, FailedRunAnswersZero)
{
    TFakeFeed feed(10);
    TkvnFFmpegBackEnd backEnd(feed, ProgramFolder());
    EXPECT_EQ(backEnd.ConvertWithFFmpeg("avi", "mpeg4", "", "mp2",
                                        SettingsFor(tvmtest::OutputDir() + "no such folder\\", "x.avi")),
              0);
    EXPECT_TRUE(backEnd.TerminateInfo().Failed);
    EXPECT_FALSE(backEnd.LastErrorText().empty());
}

// Encoders this FFmpeg build lacks give way to the nearest it has.
TEST_F(FFBackEndTest, MissingEncodersGiveWayToTheNearest)
{
    TFFEncoder encoder(nullptr);
    ASSERT_TRUE(encoder.LoadLibraries(ProgramFolder() + L"libav"));
    const struct {
        const char *named, *used;
    } rows[] = {{"libfaac", "aac"}, {"libxvid", "mpeg4"}, {"msmpeg4v1", "msmpeg4v2"},
                {"mpeg4", "mpeg4"}, {"libmp3lame", "libmp3lame"}, {"", ""}};
    for (const auto& row : rows) EXPECT_EQ(TkvnFFmpegBackEnd::EncoderFFmpegHas(row.named), row.used) << row.named;
}

// What the hooks answer for each state of the queues and the run.
TEST_F(FFBackEndTest, HooksAnswerByQueueState)
{
    TFakeFeed feed(0);
    TkvnFFmpegBackEnd backEnd(feed, ProgramFolder());
    TBitmap canvasBitmap;
    canvasBitmap.SetPixelFormat(pf24bit);
    canvasBitmap.SetSize(Width, Height);
    TInputWaveInfo wave;
    wave.PacketSize = 4096;
    std::vector<uint8_t> data(4096, 0xEE);

    // Running with nothing queued yet: try again, never a blank frame.
    feed.stopWhenDone = false;
    EXPECT_EQ(backEnd.ReadFrameHook(nullptr, &canvasBitmap.Canvas(), nullptr), -11);
    // Stopped, no frame, but sound still queued: try again.
    feed.running = false;
    feed.pcm.assign(100, 7);
    EXPECT_EQ(backEnd.ReadFrameHook(nullptr, &canvasBitmap.Canvas(), nullptr), -11);
    // A short piece answers its real length; the bytes after it are untouched.
    EXPECT_EQ(backEnd.ReadWaveHook(nullptr, data.data(), &wave), 100);
    EXPECT_EQ(data[99], 7);
    EXPECT_EQ(data[100], 0xEE);
    // Both queues empty: the end.
    EXPECT_EQ(backEnd.ReadWaveHook(nullptr, data.data(), &wave), -1);
    EXPECT_EQ(backEnd.ReadFrameHook(nullptr, &canvasBitmap.Canvas(), nullptr), -1);
}

}
