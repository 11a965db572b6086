// The engine reads files on disk (made by Debian's ffmpeg), alone or beside
// the program-fed frame input, writes one input after another into one
// output, several outputs from one task, and lets hooks change the pictures.
// The files are judged afterwards on the Linux side (check-encoded,
// probe-check) from the list this test writes.
#include "FFEncode.h"
#include "FFTestSupport.h"
#include "MyUtils.h"
#include "PatternSource.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <fstream>
#include <functional>

namespace {

constexpr int Width = 320, Height = 240;

BOOL CALLBACK FindOwnForm(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (process != GetCurrentProcessId() || std::string(name) != "TForm") return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The preview window of this test program: other tests running beside it on
// the same display have windows of the same class.
HWND OwnPreviewWindow()
{
    HWND found = nullptr;
    EnumWindows(FindOwnForm, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string Output(const std::string& name)
{
    return tvmtest::OutputDir() + name;
}

// What check-encoded is to find in a file: codecs, size, rate, frame count
// and the reference pictures.
struct TExpected {
    const char* File;
    const char* Video;
    const char* Audio;
    int AudioRate;
    int Frames;
    std::string Reference;
    bool Lossless = false;
};

TOutputOptions OutputOf(const char* format, const char* video, const char* audio)
{
    TOutputOptions options;
    InitOutputOptions(options);
    options.FileFormat = format;
    options.VideoCodec = video;
    options.AudioCodec = audio;
    options.VideoBitrate = 1500000;
    options.AudioSampleRate = 44100;
    options.AudioChannels = 2;
    return options;
}

// Inverts the top half of a bgr24 picture, given its rows: a change no
// encoder makes.
void InvertTopHalf(const std::function<uint8_t*(int y)>& row)
{
    for (int y = 0; y < Height / 2; ++y)
        for (int x = 0; x < Width * 3; ++x) row(y)[x] ^= 0xFF;
}

class FFFilesTest : public tvmtest::FFLoaderTest {
protected:
    void SetUp() override
    {
        FFLoaderTest::SetUp();
        ASSERT_TRUE(encoder.LoadLibraries(AnsiToWide(tvmtest::LibavDir()))) << encoder.LastErrorText();
        encoder.OnTerminate = [this](TObject*, const TTerminateInfo& info) { terminated.push_back(info); };
    }

    void TearDown() override
    {
        while (encoder.TaskCount()) encoder.RemoveTask(0);
        FFLoaderTest::TearDown();
    }

    static std::wstring Fixture(const char* name) { return AnsiToWide(Output(name)); }

    int AddFileTask(const char* name)
    {
        int task = encoder.AddTask(Fixture(name));
        EXPECT_GE(task, 0) << encoder.LastErrorText();
        return task;
    }

    void SetOutput(int task, const char* file, const TOutputOptions& options)
    {
        DeleteFileA(Output(file).c_str());
        ASSERT_TRUE(encoder.SetOutputFile(task, AnsiToWide(Output(file)), &options)) << encoder.LastErrorText();
    }

    // Runs the tasks and files what was written for check-encoded.
    void RunAndList(std::initializer_list<TExpected> files)
    {
        encoder.StartTask(0);
        ASSERT_FALSE(terminated.empty());
        EXPECT_TRUE(terminated[0].Finished) << terminated[0].ErrorText;
        for (const TExpected& e : files) List(e);
    }

    static void List(const TExpected& e)
    {
        std::ofstream list(Output("file-inputs.txt"), std::ios::binary | std::ios::app);
        list << e.File << ' ' << e.Video << ' ' << e.Audio << ' ' << Width << ' ' << Height << " 25/1 " << e.AudioRate
             << ' ' << e.Frames << ' ' << e.Reference << ' ' << (e.Lossless ? 1 : 0) << ' ' << Width << 'x' << Height
             << '\n';
    }

    // The list starts empty in each run; the tests append to it.
    static void SetUpTestSuite() { std::ofstream(Output("file-inputs.txt"), std::ios::binary | std::ios::trunc); }

    TFFEncoder encoder{nullptr};
    std::vector<TTerminateInfo> terminated;
};

TEST_F(FFFilesTest, FileIsTranscoded)
{
    std::vector<AVFormatContext*> opened;
    encoder.OnBeforeFindStreamInfo = [&](TObject*, AVFormatContext* context) { opened.push_back(context); };
    SetOutput(AddFileTask("input_3s.mkv"), "file-mpeg4.avi", OutputOf("avi", "mpeg4", "libmp3lame"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_NE(opened[0], nullptr);
    RunAndList({{"file-mpeg4.avi", "mpeg4", "mp3", 44100, 75, "input_3s.bgr"}});
}

// One task, two outputs of their own formats and codecs.
TEST_F(FFFilesTest, TwoOutputsFromOneTask)
{
    int task = AddFileTask("input_3s.mkv");
    SetOutput(task, "two-a.avi", OutputOf("avi", "mpeg4", "mp2"));
    SetOutput(task, "two-b.mp4", OutputOf("mp4", "libx264", "aac"));
    EXPECT_EQ(encoder.Task(task)->OutputCount(), 2);
    RunAndList({{"two-a.avi", "mpeg4", "mp2", 44100, 75, "input_3s.bgr"},
                {"two-b.mp4", "h264", "aac", 44100, 75, "input_3s.bgr"}});
}

// The converter's replaced sound: program-fed frames, and a WAV file as the
// second input gives the sound (no program-fed sound is there at all).
TEST_F(FFFilesTest, WaveFileBesideFrameInput)
{
    tvmtest::TPatternSource source(Width, Height, 25, 1, 3.0);
    source.WriteReference(Output("files-pattern.bgr"));
    int task = tvmtest::AddPatternTask(encoder, source, false);
    ASSERT_GE(task, 0);
    ASSERT_TRUE(encoder.AddInputFile(task, Fixture("tone_3s.wav"))) << encoder.LastErrorText();
    TOutputOptions options = OutputOf("avi", "mpeg4", "pcm_s16le");
    // The audio hook sees the file's sound as it was read: mono, 16 bits, 22050 Hz.
    options.AudioHook = true;
    int64_t hooked = 0;
    encoder.OnAudioHook = [&](TObject*, int, int64_t, uint8_t*, int size, int rate, int channels, int format) {
        EXPECT_EQ(rate, 22050);
        EXPECT_EQ(channels, 1);
        EXPECT_EQ(format, AV_SAMPLE_FMT_S16);
        hooked += size;
    };
    SetOutput(task, "wav-second.avi", options);
    RunAndList({{"wav-second.avi", "mpeg4", "pcm_s16le", 44100, 75, "files-pattern.bgr"}});
    EXPECT_EQ(hooked, 3 * 22050 * 2);
}

// Two inputs of different picture and sound layouts, one after the other:
// their durations add up, and the frames continue.
TEST_F(FFFilesTest, JoinWritesInputsOneAfterAnother)
{
    int task = AddFileTask("input_3s.mkv");
    ASSERT_TRUE(encoder.AddInputFile(task, Fixture("input_2s.mkv"))) << encoder.LastErrorText();
    TOutputOptions options = OutputOf("avi", "mpeg4", "libmp3lame");
    options.Join = true;
    SetOutput(task, "join.avi", options);
    EXPECT_TRUE(encoder.Task(task)->JoinMode());
    // No second output joins in.
    EXPECT_FALSE(encoder.SetOutputFile(task, AnsiToWide(Output("join-more.avi")), &options));
    EXPECT_EQ(encoder.LastErrorText(), "Cannot join more than one output file.");
    std::vector<TProgressInfo> progress;
    encoder.OnProgress = [&](TObject*, const TProgressInfo& info) { progress.push_back(info); };
    RunAndList({{"join.avi", "mpeg4", "mp3", 44100, 125, "input_joined.bgr"}});
    ASSERT_FALSE(progress.empty());
    EXPECT_NEAR(progress.back().TotalDuration, 5000000, 50000);
    EXPECT_EQ(progress.back().FrameNumber, 125);
}

// A start time given with the input seeks it; one given with the output
// skips the output's beginning. Either way the file holds the pattern from
// its second second on, with times from 0.
TEST_F(FFFilesTest, StartTimeSkipsTheBeginning)
{
    constexpr int64_t OneSecond = 1000000;
    struct TCase {
        const char* File;
        bool OnInput;
    };
    for (const TCase& c : {TCase{"from1s-input.avi", true}, TCase{"from1s-output.avi", false}}) {
        SCOPED_TRACE(c.File);
        TInputOptions input;
        InitInputOptions(input);
        if (c.OnInput) input.StartTime = OneSecond;
        int task = encoder.AddTask(Fixture("input_3s.mkv"), &input);
        ASSERT_GE(task, 0) << encoder.LastErrorText();
        TOutputOptions output = OutputOf("avi", "mpeg4", "libmp3lame");
        if (!c.OnInput) output.StartTime = OneSecond;
        SetOutput(task, c.File, output);
        RunAndList({{c.File, "mpeg4", "mp3", 44100, 50, "input_from1s.bgr"}});
        encoder.RemoveTask(task);
        terminated.clear();
    }
}

// A program id keeps that program's streams only; one the file lacks is refused.
TEST_F(FFFilesTest, ProgramIdChoosesTheStreams)
{
    TInputOptions input;
    InitInputOptions(input);
    input.ProgramID = 3;
    EXPECT_EQ(encoder.AddTask(Fixture("programs.ts"), &input), -1);
    EXPECT_EQ(encoder.LastErrorText(), "Specified program id not found");

    input.ProgramID = 2;
    int task = encoder.AddTask(Fixture("programs.ts"), &input);
    ASSERT_GE(task, 0) << encoder.LastErrorText();
    SetOutput(task, "program2.avi", OutputOf("avi", "mpeg4", "libmp3lame"));
    encoder.StartTask(task);
    ASSERT_FALSE(terminated.empty());
    EXPECT_TRUE(terminated[0].Finished) << terminated[0].ErrorText;
    TFFDecoder decoder{nullptr};
    ASSERT_TRUE(decoder.LoadLibraries(AnsiToWide(tvmtest::LibavDir())));
    ASSERT_TRUE(decoder.LoadFile(Fixture("program2.avi"))) << decoder.LastErrorMessage();
    TVideoStreamInfo video = decoder.GetVideoStreamInfo();
    EXPECT_EQ(video.Width, 160);
    EXPECT_EQ(video.Height, 120);
    EXPECT_GE(decoder.FirstAudioStream(), 0);
}

TEST_F(FFFilesTest, MissingFileIsRefused)
{
    EXPECT_EQ(encoder.AddTask(Fixture("no-such-input.mkv")), -1);
    EXPECT_NE(encoder.LastErrorText().find("no-such-input.mkv"), std::string::npos) << encoder.LastErrorText();
}

// Hooks that change pixels: the change is in the file, pixel for pixel.
TEST_F(FFFilesTest, HooksChangeThePictures)
{
    struct THookCase {
        const char* File;
        bool FrameInput;  // else the video-output hook on a bitmap
    };
    for (const THookCase& c : {THookCase{"hook-frame-input.avi", true}, THookCase{"hook-video-output.avi", false}}) {
        SCOPED_TRACE(c.File);
        tvmtest::TPatternSource source(Width, Height, 25, 1, 1.0);
        std::vector<uint8_t> reference;
        for (int i = 0; i < source.FrameCount(); ++i) {
            std::vector<uint8_t> frame(size_t(Width) * Height * 3);
            source.DrawFrame(i, frame.data(), Width * 3);
            InvertTopHalf([&](int y) { return frame.data() + y * Width * 3; });
            reference.insert(reference.end(), frame.begin(), frame.end());
        }
        std::ofstream(Output("hook-reference.bgr"), std::ios::binary)
            .write(reinterpret_cast<const char*>(reference.data()), std::streamsize(reference.size()));

        TFFEncoder hooked(nullptr);
        ASSERT_TRUE(hooked.LoadLibraries(AnsiToWide(tvmtest::LibavDir())));
        int task = tvmtest::AddPatternTask(hooked, source, false);
        ASSERT_GE(task, 0);
        TOutputOptions options = OutputOf("avi", "ffv1", "");
        int hookCalls = 0;
        if (c.FrameInput) {
            options.FrameInputHook = true;
            hooked.OnFrameInputHook = [&](TObject*, TFrameHookInfo* info) {
                ++hookCalls;
                EXPECT_EQ(info->FrameNumber, hookCalls);
                EXPECT_EQ(info->PixelFormat, AV_PIX_FMT_BGR24);
                InvertTopHalf([&](int y) { return info->Picture->data[0] + y * info->Picture->linesize[0]; });
            };
        } else {
            options.VideoOutputHook = true;
            hooked.OnVideoOutputHook = [&](TObject*, THookInfo* info) {
                ++hookCalls;
                InvertTopHalf([&](int y) { return static_cast<uint8_t*>(info->Bitmap->ScanLine(y)); });
            };
        }
        DeleteFileA(Output(c.File).c_str());
        ASSERT_TRUE(hooked.SetOutputFile(task, AnsiToWide(Output(c.File)), &options)) << hooked.LastErrorText();
        hooked.StartTask(0);
        EXPECT_EQ(hookCalls, source.FrameCount());
        List({c.File, "ffv1", "-", 0, source.FrameCount(), "hook-reference.bgr", true});
    }
}

// Video-hook plug-ins ("vhook"): every hook sees every picture with a
// context of its own; a plug-in without Configure and Release is taken when
// given no arguments; a refusal, a missing entry point or library fails.
TEST_F(FFFilesTest, VideoHookPlugins)
{
    std::string folder = tvmtest::TestsDir() + "vhook\\";
    std::string plugin = folder + "fake_vhook.dll", bare = folder + "fake_vhook_bare.dll";
    tvmtest::TPatternSource source(Width, Height, 25, 1, 1.0);
    int task = tvmtest::AddPatternTask(encoder, source, false);
    ASSERT_GE(task, 0);
    TOutputOptions options = OutputOf("avi", "mpeg4", "");
    options.ExtOptions = "vhook=" + plugin + "|one\nvhook=" + plugin + "\nvhook=" + bare;
    SetOutput(task, "vhook.avi", options);
    for (const std::string& value : {plugin + "|refuse", bare + "|argument", folder + "missing.dll"})
        EXPECT_THROW(encoder.Task(task)->SetOption("vhook", value), FFmpegException) << value;

    auto count = [](const std::string& file, const char* name) {
        auto read = reinterpret_cast<int (*)()>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(file.c_str()), name)));
        return read ? read() : -1;
    };
    EXPECT_EQ(count(plugin, "Configured"), 2);
    encoder.StartTask(0);
    EXPECT_EQ(count(plugin, "Processed"), 2 * source.FrameCount());
    EXPECT_EQ(count(plugin, "Released"), 2);
    EXPECT_EQ(count(bare, "Processed"), source.FrameCount());
}

// The preview window shows encoded pictures, stays on top and is a tool
// window; closing it ends previews while the encoding goes on. The preview
// bitmap event gets the pictures instead when it is asked for.
TEST_F(FFFilesTest, Previews)
{
    tvmtest::TPatternSource source(Width, Height, 25, 1, 1.0);
    int task = tvmtest::AddPatternTask(encoder, source, false);
    ASSERT_GE(task, 0);
    SetOutput(task, "preview.avi", OutputOf("avi", "mpeg4", ""));
    encoder.SetPreview(true);
    HWND shown = nullptr;
    source.OnFrame = [&](int index) {
        if (index != 10) return;
        shown = OwnPreviewWindow();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(IsWindowVisible(shown));
        LONG style = GetWindowLongA(shown, GWL_EXSTYLE);
        EXPECT_TRUE(style & WS_EX_TOPMOST);
        EXPECT_TRUE(style & WS_EX_TOOLWINDOW);
        char caption[64] = {};
        GetWindowTextA(shown, caption, sizeof caption);
        EXPECT_EQ(std::string(caption).substr(0, 9), "00:00:00.") << caption;
        SendMessageA(shown, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindowVisible(shown));
    };
    encoder.StartTask(0);
    EXPECT_NE(shown, nullptr);
    ASSERT_FALSE(terminated.empty());
    EXPECT_TRUE(terminated[0].Finished) << terminated[0].ErrorText;
    EXPECT_EQ(source.FramesRead(), source.FrameCount());
    EXPECT_EQ(OwnPreviewWindow(), nullptr);

    tvmtest::TPatternSource second(Width, Height, 25, 1, 1.0);
    TFFEncoder previewed(nullptr);
    previewed.SetPreview(true);
    previewed.SetPreviewBitmap(true);
    std::vector<TPreviewInfo> previews;
    previewed.OnPreviewBitmap = [&](TObject*, const TPreviewInfo& info) {
        EXPECT_EQ(info.Bitmap->Width(), Width);
        EXPECT_EQ(OwnPreviewWindow(), nullptr);
        previews.push_back(info);
    };
    int other = tvmtest::AddPatternTask(previewed, second, false);
    ASSERT_GE(other, 0);
    TOutputOptions options = OutputOf("avi", "mpeg4", "");
    ASSERT_TRUE(previewed.SetOutputFile(other, AnsiToWide(Output("preview-bitmap.avi")), &options));
    previewed.StartTask(0);
    ASSERT_FALSE(previews.empty());
    EXPECT_EQ(previews[0].FrameNumber, 1);
    EXPECT_EQ(previews[0].PTS, 0);
}

}
