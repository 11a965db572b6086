// End to end through the converter: a movie written by the test support
// (a square moving over a blue stage, a 440 Hz stream sound) converted by the
// player under the capture to an animated GIF, an image sequence and each
// media-library target. Debian's ffprobe judges the files (CMakeLists.txt).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "Forms.h"
#include "MappedPlayer.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"
#include "TestSupport.h"
#include "Canvas.h"
#include "GifCodec.h"
#include "kvnImageSequenceWriter.h"
#include "kvnTavelomatic.h"

namespace {

constexpr int Width = 160, Height = 120, Fps = 25, Frames = 75;  // 3 s
constexpr int SamplesPerFrame = 44100 / Fps;

// One frame's 440 Hz PCM, 16-bit stereo, continuing the wave of the frames before.
tvmtest::Bytes ToneBlock(int frame)
{
    tvmtest::Bytes block(SamplesPerFrame * 4);
    for (int i = 0; i < SamplesPerFrame; ++i) {
        double t = static_cast<double>(frame * SamplesPerFrame + i) / 44100;
        auto v = static_cast<int16_t>(12000 * std::sin(2 * 3.14159265358979 * 440 * t));
        std::memcpy(&block[i * 4], &v, 2);
        std::memcpy(&block[i * 4 + 2], &v, 2);
    }
    return block;
}

std::string ToneMovie()
{
    using namespace tvmtest;
    SwfTags tags;
    tags.Background(0x3366CC)
        .Tag(32, RectangleShape(1, SwfRect{0, 0, 40 * 20, 40 * 20}, SolidFill(0xFFFFCC00)))
        .SoundStreamHead(SoundFormatByte(3, 3, true, true), SamplesPerFrame);
    for (int frame = 0; frame < Frames; ++frame) {
        SwfPlace place{.depth = 1, .id = static_cast<uint16_t>(frame == 0 ? 1 : 0)};
        place.matrix = SwfMatrix{.tx = frame * 20 * 1, .ty = 40 * 20};
        tags.Tag(26, PlaceObject2(place)).SoundStreamBlock(ToneBlock(frame)).ShowFrame();
    }
    SwfMovie movie;
    movie.widthTwips = Width * 20;
    movie.heightTwips = Height * 20;
    movie.rateInteger = Fps;
    movie.frameCount = Frames;
    movie.tags = tags.End().Take();
    std::string path = OutputDir() + "tone-movie.swf";
    WriteFile(path, MakeSwf(movie));
    return path;
}

TkvnTavelomaticSettings Task(const std::string& movie, int format, int videoCodec, const std::string& target)
{
    TkvnTavelomaticSettings task;
    task.FileInfo.FileName = movie;
    task.FileInfo.Width = Width;
    task.FileInfo.Height = Height;
    task.FileInfo.FPS = Fps;
    task.FileInfo.FrameCount = Frames;
    task.FileInfo.Version = 10;
    task.TargetFilePath = tvmtest::OutputDir();
    task.TargetFileName = target;
    task.TargetFileFormat = static_cast<TkvnTargetFileFormat>(format);
    task.CaptureMode = cmSafe;
    task.SlowSpeedPlayback = 1;
    task.IsStopConvertingByDuration = true;
    task.DurationOfConverting = 2.0;
    TkvnVideoSettings& v = task.VideoSettings;
    v.IsVideoIncluded = true;
    v.StageBackgroundColor = 0x0FFFFFFF;
    v.StageWidth = Width;
    v.StageHeight = Height;
    v.CodecID = videoCodec;
    v.Width = Width;
    v.Height = Height;
    v.FPS = format >= 10 ? 12 : Fps;
    v.KeyFPS = 12;
    v.Bitrate = 800000;
    v.MinBitrate = -1;
    v.MaxBitrate = -1;
    v.Quality = 85;
    TkvnAudioSettings& a = task.AudioSettings;
    a.IsAudioIncluded = format < 10;
    a.CodecID = 1;  // PCM in the uncompressed AVI
    a.SampleRate = 44100;
    a.Channels = 2;
    a.SampleBits = 16;
    a.BitRate = 128000;
    return task;
}

class WriterConversion : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tvmtest::MapPlayerFromProgram();
        movie_ = ToneMovie();
    }
    void SetUp() override
    {
        form_ = TForm::CreateNew(nullptr);
        form_->SetBounds(50, 50, Width + 40, Height + 60);
        converter_ = new TkvnTavelomatic(form_);
        converter_->SetParent(form_);
        converter_->SetBounds(0, 0, Width, Height);
        converter_->OnConvertingEnd = [this](TObject*, TkvnTavelomaticTaskItem*, PMclUserData, int state) {
            endStates_.push_back(state);
        };
        form_->Show();
    }
    void TearDown() override { delete form_; }

    int Convert(const TkvnTavelomaticSettings& task)
    {
        DeleteFileA((task.TargetFilePath + task.TargetFileName).c_str());
        return converter_->Convert(task);
    }

    static std::string movie_;
    TForm* form_ = nullptr;
    TkvnTavelomatic* converter_ = nullptr;
    std::vector<int> endStates_;
};

std::string WriterConversion::movie_;

}

TEST_F(WriterConversion, AnimatedGif)
{
    EXPECT_EQ(Convert(Task(movie_, 10, 0, "e2e-gif.gif")), 1) << converter_->LastErrorText;
    EXPECT_EQ(endStates_, std::vector<int>{0});
    TGIFImage gif;
    TFileStream file(tvmtest::OutputDir() + "e2e-gif.gif", fmOpenRead);
    gif.LoadFromStream(file);
    ASSERT_GT(gif.FrameCount(), 20);
    // The stage's own blue, above the square's row.
    EXPECT_EQ(gif.GetFrame(1).Bitmap()->Canvas().Pixels(4, 4), TColor(RGB(0x33, 0x66, 0xCC)));
    EXPECT_EQ(gif.GetFrame(1).DelayTime(), 90);
}

// A transparent stage: the frames' alpha is flattened onto the stage colour,
// which the GIF then shows through.
TEST_F(WriterConversion, TransparentAnimatedGif)
{
    TkvnTavelomaticSettings task = Task(movie_, 10, 0, "e2e-gif-alpha.gif");
    task.IsTransparent = true;
    task.WMode = "transparent";
    task.VideoSettings.StageBackgroundColor = 0x00FF00;  // lime, either byte order
    EXPECT_EQ(Convert(task), 1) << converter_->LastErrorText;
    TGIFImage gif;
    TFileStream file(tvmtest::OutputDir() + "e2e-gif-alpha.gif", fmOpenRead);
    gif.LoadFromStream(file);
    ASSERT_GT(gif.FrameCount(), 20);
    TGIFFrame& frame = gif.GetFrame(1);
    EXPECT_EQ(frame.TransparentColor(), clLime);
    EXPECT_EQ(frame.Disposal(), 3);
    EXPECT_EQ(frame.Bitmap()->Canvas().Pixels(4, 4), clLime);
    EXPECT_EQ(frame.Bitmap()->Canvas().Pixels(30, 60), TColor(RGB(0xFF, 0xCC, 0x00)));
}

TEST_F(WriterConversion, ImageSequence)
{
    EXPECT_EQ(Convert(Task(movie_, 11, 6, "e2e-seq.img")), 1) << converter_->LastErrorText;
    EXPECT_EQ(endStates_, std::vector<int>{0});
    // Two seconds at 12 frames a second, give or take a frame at either end.
    auto exists = [](int number) {
        std::string name = tvmtest::OutputDir() + "e2e-seq_" + FormatSequenceNumber(number, 6) + ".png";
        return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    EXPECT_TRUE(exists(22));
    EXPECT_FALSE(exists(26));
}

TEST_F(WriterConversion, ImageSequenceIntoAFolderThatCannotBeWrittenFails)
{
    TkvnTavelomaticSettings task = Task(movie_, 11, 6, "e2e-locked.img");
    std::string folder = tvmtest::OutputDir() + "e2e-locked\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    task.TargetFilePath = folder;
    // A file where the first picture would go: it cannot be written over.
    HANDLE held = CreateFileA((folder + "e2e-locked_000001.png").c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(converter_->Convert(task), 0);
    CloseHandle(held);
    EXPECT_EQ(ConverterFlags().LastStateCode, 9);
    EXPECT_NE(converter_->LastErrorText.find("e2e-locked_000001.png"), std::string::npos) << converter_->LastErrorText;
    EXPECT_FALSE(ConverterFlags().Running);
}

// One row per media-library target; ffprobe reads codec, size, rate and length.
TEST_F(WriterConversion, MediaLibraryTargets)
{
    const struct {
        int format, videoCodec;
        const char* file;
    } rows[] = {{0, 0, "e2e-mcl.avi"}, {3, 3, "e2e-mcl.mp4"}, {4, 1, "e2e-mcl.wmv"}, {5, 1, "e2e-mcl.ogv"}};
    for (const auto& row : rows) {
        endStates_.clear();
        EXPECT_EQ(Convert(Task(movie_, row.format, row.videoCodec, row.file)), 1)
            << row.file << ": " << converter_->LastErrorText;
        EXPECT_EQ(endStates_, std::vector<int>{0}) << row.file;
    }
}
