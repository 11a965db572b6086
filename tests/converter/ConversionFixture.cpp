#include "ConversionFixture.h"

#include <cmath>
#include <cstring>

#include "MappedPlayer.h"
#include "SwfDrawing.h"
#include "SwfFixtures.h"
#include "TestSupport.h"

namespace tvmtest {
namespace {

constexpr int SamplesPerFrame = 44100 / kMovieFps;

// One frame's 440 Hz PCM, 16-bit stereo, continuing the wave of the frames before.
Bytes ToneBlock(int frame)
{
    Bytes block(SamplesPerFrame * 4);
    for (int i = 0; i < SamplesPerFrame; ++i) {
        double t = static_cast<double>(frame * SamplesPerFrame + i) / 44100;
        auto v = static_cast<int16_t>(kToneAmplitude * std::sin(2 * 3.14159265358979 * 440 * t));
        std::memcpy(&block[i * 4], &v, 2);
        std::memcpy(&block[i * 4 + 2], &v, 2);
    }
    return block;
}

std::string WriteToneMovie()
{
    SwfTags tags;
    tags.Background(0x3366CC)
        .Tag(32, RectangleShape(1, SwfRect{0, 0, 40 * 20, 40 * 20}, SolidFill(0xFFFFCC00)))
        .SoundStreamHead(SoundFormatByte(3, 3, true, true), SamplesPerFrame);
    for (int frame = 0; frame < kMovieFrames; ++frame) {
        SwfPlace place{.depth = 1, .id = static_cast<uint16_t>(frame == 0 ? 1 : 0)};
        place.matrix = SwfMatrix{.tx = frame * 20, .ty = 40 * 20};
        tags.Tag(26, PlaceObject2(place)).SoundStreamBlock(ToneBlock(frame));
        // Heeded only by tasks that take the movie's commands.
        if (frame == kMovieFps) tags.DoAction(SwfActions().GetUrl("FSCommand:kvn_cmd_capture_start", "").End().Take());
        if (frame == kMovieFrames - 1)
            tags.DoAction(SwfActions().GetUrl("FSCommand:kvn_cmd_capture_stop", "").End().Take());
        tags.ShowFrame();
    }
    return WriteMovie("tone-movie.swf", kMovieWidth, kMovieHeight, kMovieFps, kMovieFrames, tags);
}

}

std::string WriteMovie(const std::string& name, int width, int height, int fps, int frames, SwfTags& tags)
{
    SwfMovie movie;
    movie.widthTwips = width * 20;
    movie.heightTwips = height * 20;
    movie.rateInteger = static_cast<uint8_t>(fps);
    movie.frameCount = static_cast<uint16_t>(frames);
    movie.tags = tags.End().Take();
    std::string path = OutputDir() + name;
    WriteFile(path, MakeSwf(movie));
    return path;
}

const std::string& ToneMovie()
{
    static const std::string path = WriteToneMovie();
    return path;
}

TkvnTavelomaticSettings ConversionTask(int format, int videoCodec, const std::string& target)
{
    TkvnTavelomaticSettings task;
    task.FileInfo.FileName = ToneMovie();
    task.FileInfo.Width = kMovieWidth;
    task.FileInfo.Height = kMovieHeight;
    task.FileInfo.FPS = kMovieFps;
    task.FileInfo.FrameCount = kMovieFrames;
    task.FileInfo.Version = 10;
    task.TargetFilePath = OutputDir();
    task.TargetFileName = target;
    task.TargetFileFormat = static_cast<TkvnTargetFileFormat>(format);
    task.CaptureMode = cmSafe;
    task.SlowSpeedPlayback = 1;
    task.IsStopConvertingByDuration = true;
    task.DurationOfConverting = 2.0;
    TkvnVideoSettings& v = task.VideoSettings;
    v.IsVideoIncluded = true;
    v.StageBackgroundColor = 0x0FFFFFFF;
    v.StageWidth = kMovieWidth;
    v.StageHeight = kMovieHeight;
    v.CodecID = videoCodec;
    v.Width = kMovieWidth;
    v.Height = kMovieHeight;
    v.FPS = format >= 10 ? 12 : kMovieFps;
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

void ConverterTest::SetUpTestSuite()
{
    MapPlayerFromProgram();
    ToneMovie();
}

void ConverterTest::SetUp()
{
    form_ = TForm::CreateNew(nullptr);
    form_->SetBounds(50, 50, kMovieWidth + 40, kMovieHeight + 60);
    converter_ = new TkvnTavelomatic(form_);
    converter_->SetParent(form_);
    converter_->SetBounds(0, 0, kMovieWidth, kMovieHeight);
    converter_->OnConvertingEnd = [this](TObject*, TkvnTavelomaticTaskItem*, PMclUserData, int state) {
        endStates_.push_back(state);
    };
    form_->Show();
}

void ConverterTest::TearDown()
{
    delete form_;
}

int ConverterTest::Convert(const TkvnTavelomaticSettings& task)
{
    DeleteFileA((task.TargetFilePath + task.TargetFileName).c_str());
    return converter_->Convert(task);
}

void ConverterTest::ExpectConverted(const TkvnTavelomaticSettings& task)
{
    endStates_.clear();
    EXPECT_EQ(Convert(task), 1) << task.TargetFileName << ": " << converter_->LastErrorText;
    EXPECT_EQ(endStates_, std::vector<int>{0}) << task.TargetFileName;
}

}
