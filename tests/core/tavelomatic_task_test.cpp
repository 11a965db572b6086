// Conversion tasks: defaults from a source movie, the target-extension rule,
// the project file (against a golden file) and the SWF version patch.
#include <gtest/gtest.h>

#include <vector>

#include "SwfFixtures.h"
#include "SysUtils.h"
#include "TestSupport.h"
#include "kvnTavelomaticTask.h"

using tvmtest::Bytes;
using tvmtest::SwfMovie;

namespace {

std::string TaskDir()
{
    static const std::string dir = [] {
        std::string path = tvmtest::OutputDir() + "task\\";
        ForceDirectories(path);
        return path;
    }();
    return dir;
}

std::string Fixture(const std::string& name, const Bytes& bytes)
{
    std::string path = TaskDir() + name;
    tvmtest::WriteFile(path, bytes);
    return path;
}

std::string Movie(const std::string& name, const char* signature = "FWS", SwfMovie movie = {})
{
    return Fixture(name, tvmtest::MakeSwf(movie, signature));
}

std::string Text(const std::string& path)
{
    Bytes bytes = tvmtest::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text)
{
    tvmtest::WriteFile(path, Bytes(text.begin(), text.end()));
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// The golden project file, with "{DIR}" standing for the fixtures' folder
// and its lines ended as the program writes them.
std::string Golden()
{
    std::string text = Text(TVM_TEST_DATA_DIR "golden_tasks.prj");
    text = ReplaceAll(text, "\r\n", "\n");
    return ReplaceAll(ReplaceAll(text, "\n", "\r\n"), "{DIR}", TaskDir());
}

// Counts the settings events of an item.
struct EventCounter {
    int count = 0;
    void Attach(TkvnTavelomaticTaskItem& item)
    {
        item.OnSettingsChanged = [this](TkvnTavelomaticTaskItem*) { ++count; };
    }
};

}

TEST(TavelomaticTask, AdjustTargetFileExt)
{
    const struct {
        const char* name;
        TkvnTargetFileFormat code;
        TkvnTargetFileFormat expected;
        const char* adjusted;
    } cases[] = {
        {"C:\\v\\clip.swf", 0, 0, "C:\\v\\clip.avi"},   {"clip.x", 1, 1, "clip.mpg"},
        {"clip.x", 2, 2, "clip.mpeg"},                 {"clip.x", 3, 3, "clip.mp4"},
        {"clip.x", 4, 4, "clip.wmv"},                  {"clip.x", 5, 5, "clip.ogv"},
        {"clip.x", 6, 6, "clip.flv"},                  {"clip.x", 7, 7, "clip.mov"},
        {"clip.x", 8, 8, "clip.3gp"},                  {"clip.x", 9, 9, "clip.3g2"},
        {"clip.x", 10, 10, "clip.gif"},                {"clip.x", 11, 11, "clip.img"},
        {"clip", 3, 3, "clip"},                        {"", 3, 3, ""},
        {"a.AVI", 12, 0, "a.AVI"},                     {"a.mpg", 12, 1, "a.mpg"},
        {"a.MPEG", 12, 2, "a.MPEG"},                   {"a.mp4", 12, 3, "a.mp4"},
        {"a.wmv", 12, 4, "a.wmv"},                     {"a.ogv", 12, 5, "a.ogv"},
        {"a.flv", 12, 6, "a.flv"},                     {"a.mov", 12, 7, "a.mov"},
        {"a.3gp", 12, 8, "a.3gp"},                     {"a.3g2", 12, 9, "a.3g2"},
        {"clip.GIF", 12, 11, "clip.GIF"},              {"a.jpg", 12, 11, "a.jpg"},
        {"a.bmp", 12, 11, "a.bmp"},                    {"a.pcx", 12, 11, "a.pcx"},
        {"a.tif", 12, 11, "a.tif"},                    {"a.tga", 12, 11, "a.tga"},
        {"a.png", 12, 11, "a.png"},                    {"clip.xyz", 12, 12, ""},
        {"clip", 12, 12, ""},                          {"", 12, 12, ""},
        {"clip.img", 12, 12, ""},                      {"clip.x", 13, 13, "clip.x"},
    };
    for (const auto& c : cases) {
        std::string name = c.name;
        EXPECT_EQ(AdjustTargetFileExt(name, c.code), c.expected) << c.name << " " << int(c.code);
        EXPECT_EQ(name, c.adjusted) << c.name << " " << int(c.code);
    }
}

TEST(TavelomaticTask, VideoTimingNeverGoesWild)
{
    const struct {
        int64_t stream, container;
        int32_t num, den;
        double duration;
        float fps;
        int32_t frames;
    } cases[] = {
        {10000000, 10080000, 25, 1, 10.0, 25.0f, 250},
        {kUnknownDuration, 10000000, 25, 1, 10.0, 25.0f, 250},
        {kUnknownDuration, kUnknownDuration, 25, 1, 0.0, 25.0f, 0},
        {10000000, 10000000, 25, 0, 10.0, 0.0f, 0},
        {-40000, 10000000, 25, 1, 0.0, 25.0f, 0},
        {10000000, kUnknownDuration, 30000, 1001, 10.0, 30000.0f / 1001, 300},
    };
    for (const auto& c : cases) {
        TkvnFlashFileInfo info;
        info.FrameCount = -7;
        SetVideoTiming(info, c.stream, c.container, c.num, c.den);
        EXPECT_DOUBLE_EQ(info.Duration, c.duration) << c.stream << " " << c.container << " " << c.den;
        EXPECT_FLOAT_EQ(info.FPS, c.fps) << c.stream << " " << c.container << " " << c.den;
        EXPECT_EQ(info.FrameCount, c.frames) << c.stream << " " << c.container << " " << c.den;
    }
}

TEST(TavelomaticTask, LoadSourceFillsTheDefaults)
{
    SwfMovie modern;
    modern.version = 13;
    const std::string source = Movie("defaults.swf", "CWS", modern);
    TkvnTavelomaticTaskItem item;
    item.Settings.VideoSettings.VideoEffects.Levels[0] = 9;
    EventCounter events;
    events.Attach(item);

    ASSERT_TRUE(item.LoadSource(source + "?lang=en", "", 3, 2, 1, -1));
    EXPECT_EQ(events.count, 1);
    EXPECT_TRUE(item.IsLoaded);
    EXPECT_TRUE(item.IsChecked);
    EXPECT_EQ(item.Priority, 0);
    EXPECT_EQ(item.SourceFileName, source);
    EXPECT_EQ(item.SourceFileVars, "?lang=en");
    const TkvnTavelomaticSettings& s = item.Settings;
    EXPECT_EQ(s.FileInfo.FileFormat, fmtCWS);
    EXPECT_EQ(s.WMode, "direct");
    EXPECT_EQ(s.TargetFilePath, TaskDir());
    EXPECT_EQ(s.TargetFileName, "defaults.mp4");
    EXPECT_EQ(s.AudioSettings.RippedAudioFileName, TaskDir() + "Audio_defaults.mp3");
    EXPECT_EQ(s.AudioSettings.CodecID, 1);
    EXPECT_EQ(s.FrameNumberOfStopConverting, 120);
    EXPECT_DOUBLE_EQ(s.DurationOfConverting, 5.0);
    EXPECT_EQ(s.VideoSettings.CropWidth, 550);
    EXPECT_EQ(s.VideoSettings.Height, 400);
    EXPECT_EQ(s.VideoSettings.VideoEffects, TkvnVideoEffects{});

    // An explicit target keeps its folder and takes the format's extension.
    ASSERT_TRUE(item.LoadSource(source, "D:\\out\\film.avi", 1, 0, 0, 4));
    EXPECT_EQ(item.Priority, 4);
    EXPECT_EQ(item.Settings.TargetFilePath, "D:\\out\\");
    EXPECT_EQ(item.Settings.TargetFileName, "film.mpg");

    // By extension: ".GIF" chooses the image sequence.
    ASSERT_TRUE(item.LoadSource(source, "D:\\out\\film.GIF", 12, 0, 0, 0));
    EXPECT_EQ(item.Settings.TargetFileFormat, 11);
    EXPECT_EQ(item.Settings.TargetFileName, "film.GIF");
}

TEST(TavelomaticTask, NoSettledTargetFormatIsAFailure)
{
    const std::string source = Movie("unsettled.swf");
    for (const char* target : {"", "D:\\out\\film.xyz", "D:\\out\\film.img"}) {
        SCOPED_TRACE(target);
        TkvnTavelomaticTaskItem item;
        EventCounter events;
        events.Attach(item);
        EXPECT_FALSE(item.LoadSource(source, target, 12, 0, 0, 0));
        EXPECT_FALSE(item.IsLoaded);
        EXPECT_EQ(events.count, 1);

        TkvnTavelomaticSettings settings;
        EXPECT_FALSE(item.InitSettings(item.Settings.FileInfo, target, 12, 0, 0, settings));
    }
}

TEST(TavelomaticTask, UnreadableSourcesLoadNothingAndStayQuiet)
{
    const std::string text = TaskDir() + "notes.txt";
    WriteText(text, "not a movie");
    const std::string damaged = Fixture("damaged.swf", Bytes{'F', 'W', 'S'});
    for (const std::string& source : {TaskDir() + "missing.swf", text, damaged}) {
        SCOPED_TRACE(source);
        TkvnTavelomaticTaskItem item;
        EventCounter events;
        events.Attach(item);
        EXPECT_FALSE(item.LoadSource(source, "", 0, 2, 0, 0));
        EXPECT_FALSE(item.IsLoaded);
        EXPECT_EQ(events.count, 0);
    }
}

TEST(TavelomaticTask, CopyFromCopiesStateAndSettings)
{
    TkvnTavelomaticTaskItem source;
    ASSERT_TRUE(source.LoadSource(Movie("copy.swf"), "", 6, 1, 0, 3));
    source.Status = 2;
    source.IsChecked = false;
    source.Settings.VideoSettings.IsVideoIncluded = false;

    TkvnTavelomaticTaskItem copy;
    EventCounter events;
    events.Attach(copy);
    EXPECT_TRUE(copy.CopyFrom(source));
    EXPECT_EQ(events.count, 1);
    EXPECT_TRUE(copy.IsLoaded);
    EXPECT_FALSE(copy.IsChecked);
    EXPECT_EQ(copy.Priority, 3);
    EXPECT_EQ(copy.Status, 2);
    EXPECT_EQ(copy.SourceFileName, source.SourceFileName);
    EXPECT_TRUE(copy.Settings.VideoSettings.IsVideoIncluded);
    copy.Settings.VideoSettings.IsVideoIncluded = false;
    EXPECT_EQ(copy.Settings, source.Settings);
}

namespace {

// The three tasks of the golden project file.
struct GoldenTasks {
    GoldenTasks()
    {
        const std::string plain = Movie("golden_a.swf");
        SwfMovie ntsc;
        ntsc.rateFraction = 0xF8;  // 29.96875 frames per second
        ntsc.rateInteger = 0x1D;
        ntsc.frameCount = 959;  // 32 s
        const std::string compressed = Movie("golden_b.swf", "CWS", ntsc);
        SwfMovie modern;
        modern.version = 13;
        modern.widthTwips = 6400;
        modern.heightTwips = 4800;
        const std::string projector =
            Fixture("golden_c.exe", tvmtest::MakeProjector(tvmtest::MakeSwf(modern, "CWS")));

        EXPECT_TRUE(tasks[0].LoadSource(plain, "", 3, 2, 0, 0));
        EXPECT_TRUE(tasks[1].LoadSource(compressed + "?lang=en&x=1", TaskDir() + "out\\b_target.avi", 1, 0, 0, 5));
        EXPECT_TRUE(tasks[2].LoadSource(projector, "", 10, 0, 0, -1));
        TkvnTavelomaticSettings& s = tasks[2].Settings;
        s.IsTaskChecked = false;
        s.TaskPriority = 7;
        s.SlowSpeedPlayback = 1.5;
        s.CaptureMode = cm4X;
        s.DurationOfWaitingForward = 0.25;
        s.IsFSCommandEnabled = true;
        s.VideoSettings.KeyFPS = 2.5f;
        s.VideoSettings.WaterMarkText = "Made = here";
        s.VideoSettings.AspectRatioMode = 3;
        s.AudioSettings.IsMuteWhileConverting = false;
    }

    TkvnTavelomaticTaskItem tasks[3];
};

}

TEST(TavelomaticTask, ProjectFileMatchesTheGoldenFileAndLoadsBack)
{
    GoldenTasks golden;
    const std::string project = TaskDir() + "golden.prj";
    WriteText(project, "[Stale]\r\nkey=1\r\n\r\n[Identifier]\r\nTasksCount=9\r\n\r\n");
    for (int k = 0; k < 3; ++k) EXPECT_EQ(golden.tasks[k].SaveToProjectFile(project, k, false, k == 0), 1);
    EXPECT_EQ(Text(project), Golden());

    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const TkvnTavelomaticTaskItem& saved = golden.tasks[k];
        TkvnTavelomaticTaskItem loaded;
        EventCounter events;
        events.Attach(loaded);
        ASSERT_EQ(loaded.LoadFromProjectFile(project, -1, k), 1);
        EXPECT_EQ(events.count, 1);
        EXPECT_TRUE(loaded.IsLoaded);
        EXPECT_EQ(loaded.IsChecked, saved.Settings.IsTaskChecked);
        EXPECT_EQ(loaded.Priority, saved.Settings.TaskPriority);
        EXPECT_EQ(loaded.Status, 0);
        EXPECT_EQ(loaded.SourceFileName, saved.SourceFileName);
        EXPECT_EQ(loaded.SourceFileVars, saved.SourceFileVars);
        EXPECT_EQ(loaded.Settings.FileInfo, saved.Settings.FileInfo);
        EXPECT_EQ(loaded.Settings.VideoSettings, saved.Settings.VideoSettings);
        EXPECT_EQ(loaded.Settings.AudioSettings, saved.Settings.AudioSettings);
        EXPECT_EQ(loaded.Settings, saved.Settings);

        // The windows load task k with priority k.
        ASSERT_EQ(loaded.LoadFromProjectFile(project, k + 10, k), 1);
        EXPECT_EQ(loaded.Priority, k + 10);
    }

    // Saving a task again counts it again and rewrites its sections in place.
    golden.tasks[1].Settings.TargetFileName = "renamed.mpg";
    EXPECT_EQ(golden.tasks[1].SaveToProjectFile(project, 1, false, false), 1);
    std::string expected = ReplaceAll(Golden(), "TasksCount=3", "TasksCount=4");
    expected = ReplaceAll(expected, "TargetFileName=b_target.mpg", "TargetFileName=renamed.mpg");
    EXPECT_EQ(Text(project), expected);

    // DeleteFirst starts the file afresh.
    EXPECT_EQ(golden.tasks[0].SaveToProjectFile(project, 0, true, false), 1);
    TFastIniFileEx ini(project);
    EXPECT_EQ(ini.ReadInteger("Identifier", "TasksCount", 0), 1);
    EXPECT_FALSE(ini.SectionExists("Task1_Source_FileInfo"));
}

TEST(TavelomaticTask, ProjectFileRejectsWhatItCannotTrust)
{
    GoldenTasks golden;
    const std::string project = TaskDir() + "reject.prj";
    ASSERT_EQ(golden.tasks[0].SaveToProjectFile(project, 0, true, true), 1);
    const std::string saved = Text(project);

    TkvnTavelomaticTaskItem item;
    EventCounter events;
    events.Attach(item);
    EXPECT_EQ(item.LoadFromProjectFile(TaskDir() + "nowhere.prj", 0, 0), 0);
    EXPECT_EQ(events.count, 0);

    WriteText(project, ReplaceAll(saved, "Tavelomatic Project File", "Tavelomatic project File"));
    EXPECT_EQ(item.LoadFromProjectFile(project, 0, 0), 0);
    EXPECT_FALSE(item.IsLoaded);
    EXPECT_EQ(item.Settings.FileInfo.FileName, "");
    EXPECT_EQ(events.count, 1);

    // A moved source: not loaded, though its general settings were read.
    const std::string moved = TaskDir() + "moved.swf";
    WriteText(project, ReplaceAll(saved, "FileName=" + golden.tasks[0].SourceFileName, "FileName=" + moved));
    EXPECT_EQ(item.LoadFromProjectFile(project, 0, 0), 0);
    EXPECT_FALSE(item.IsLoaded);
    EXPECT_EQ(item.Settings.FileInfo.FileName, moved);
    EXPECT_EQ(item.Settings.TargetFileName, "golden_a.mp4");

    // A task number the file does not hold has no source either.
    WriteText(project, saved);
    EXPECT_EQ(item.LoadFromProjectFile(project, 0, 1), 0);
}

TEST(TavelomaticTask, MissingKeysReadTheirDefaults)
{
    const std::string source = Movie("sparse.swf");
    const std::string project = TaskDir() + "sparse.prj";
    WriteText(project, "[Identifier]\r\nProjectFileID=Korvantis Inc Tavelomatic Project File\r\n\r\n"
                       "[Task0_Source_FileInfo]\r\nFileName=" + source + "\r\nDuration=7.5\r\nWidth=0x140\r\n\r\n"
                       "[Task0_Target_VideoSettings]\r\nFPS=12.5\r\n\r\n");
    TkvnTavelomaticTaskItem item;
    item.Settings.IsTaskChecked = true;
    item.Settings.TaskPriority = 3;
    item.Settings.WMode = "kept";
    item.Settings.AudioSettings.IsMuteWhileConverting = false;
    item.Settings.AudioSettings.BitRate = 64000;
    item.Settings.VideoSettings.Quality = 50;
    item.Settings.VideoSettings.VideoEffects.Switches[1] = true;

    ASSERT_EQ(item.LoadFromProjectFile(project, -1, 0), 1);
    const TkvnTavelomaticSettings& s = item.Settings;
    EXPECT_EQ(s.FileInfo.FileFormat, fmtEXEZWS);
    EXPECT_EQ(s.FileInfo.Version, 0);
    EXPECT_EQ(s.FileInfo.Width, 320);
    EXPECT_EQ(s.FileInfo.FileVars, "");
    EXPECT_FALSE(s.IsTaskChecked);
    EXPECT_FALSE(item.IsChecked);
    EXPECT_EQ(item.Priority, 0);
    EXPECT_DOUBLE_EQ(s.DurationOfConverting, 7.5);
    EXPECT_EQ(s.WMode, "kept");
    EXPECT_TRUE(s.AudioSettings.IsMuteWhileConverting);
    EXPECT_EQ(s.AudioSettings.BitRate, 64000);
    EXPECT_FLOAT_EQ(s.VideoSettings.FPS, 12.5f);
    EXPECT_DOUBLE_EQ(s.VideoSettings.Quality, 50);
    // The effects are never stored: a loaded task has those of a new one.
    EXPECT_EQ(s.VideoSettings.VideoEffects, TkvnVideoEffects{});
}

TEST(TavelomaticTask, PatchSWFVersionTouchesOnlyTheVersionByte)
{
    for (const char* signature : {"FWS", "CWS", "ZWS"}) {
        SCOPED_TRACE(signature);
        const std::string movie = Movie(std::string("patch_") + signature + ".swf", signature);
        const Bytes original = tvmtest::ReadFile(movie);

        EXPECT_FALSE(PatchSWFVersion(movie, 10));
        EXPECT_EQ(tvmtest::ReadFile(movie), original);

        EXPECT_TRUE(PatchSWFVersion(movie, 11));
        Bytes patched = tvmtest::ReadFile(movie);
        ASSERT_EQ(patched.size(), original.size());
        EXPECT_EQ(patched[3], 11);
        patched[3] = original[3];
        EXPECT_EQ(patched, original);

        EXPECT_TRUE(PatchSWFVersion(movie, 10));
        EXPECT_EQ(tvmtest::ReadFile(movie), original);
    }

    const std::string projector = Fixture("patch.exe", tvmtest::MakeProjector(tvmtest::MakeSwf(SwfMovie{})));
    const Bytes original = tvmtest::ReadFile(projector);
    EXPECT_FALSE(PatchSWFVersion(projector, 11));
    EXPECT_EQ(tvmtest::ReadFile(projector), original);
    EXPECT_FALSE(PatchSWFVersion(TaskDir() + "missing.swf", 11));
}
