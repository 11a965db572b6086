// FFmpeg's libraries load from libav\, from the program's folder or the
// system's search order, bind by name, and fail with the loader's texts.
#include "AVCodecStubs.h"
#include "AVFormatStubs.h"
#include "AVUtilStubs.h"
#include "Exceptions.h"
#include "FFLoad.h"
#include "FFTestSupport.h"
#include "GuiTestSupport.h"
#include "MyUtils.h"
#include "SwScaleStubs.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <psapi.h>

#include <vector>

using tvmtest::FFLoaderTest;

namespace {

std::vector<std::string> ModulePaths()
{
    HMODULE modules[1024];
    DWORD bytes = 0;
    EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &bytes);
    std::vector<std::string> paths;
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
        char path[MAX_PATH];
        paths.emplace_back(path, GetModuleFileNameA(modules[i], path, MAX_PATH));
    }
    return paths;
}

int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::string Path()
{
    return WideToAnsi(WideGetEnv(L"PATH"));
}

}

TEST_F(FFLoaderTest, LoadsEveryLibraryFromLibavAndBindsIt)
{
    LoadFromLibav(EncoderLibraries);

    EXPECT_TRUE(FFLoader().AllLoaded(EncoderLibraries));
    for (const char* name : {"avcodec-59.dll", "avdevice-59.dll", "avfilter-8.dll", "avformat-59.dll", "avutil-57.dll",
                             "swscale-6.dll", "swresample-4.dll"})
        EXPECT_TRUE(AnsiSameText(tvmtest::LoadedFrom(name), tvmtest::LibavDir())) << name;
    EXPECT_STREQ(ff::av_get_pix_fmt_name(AV_PIX_FMT_YUV420P), "yuv420p");
    EXPECT_NE(ff::avcodec_find_decoder_by_name("flv"), nullptr);
    // avdevice's devices are registered once it is bound.
    EXPECT_NE(ff::av_find_input_format("gdigrab"), nullptr);

    // The decoder's set is already there: nothing loads twice.
    HMODULE avcodec = GetModuleHandleA("avcodec-59.dll");
    EXPECT_TRUE(FFLoader().LoadLibraries(DecoderLibraries));
    EXPECT_EQ(GetModuleHandleA("avcodec-59.dll"), avcodec);

    FFLoader().UnloadLibraries(EncoderLibraries);
    EXPECT_FALSE(FFLoader().Loaded(liAVUtil));
    EXPECT_EQ(ff::av_malloc, nullptr);
    EXPECT_EQ(ff::avcodec_find_decoder_by_name, nullptr);
}

TEST_F(FFLoaderTest, LibraryFileNamesFollowTheMajorVersions)
{
    EXPECT_EQ(TFFLoader::LibraryFileName(liAVCodec), L"avcodec-59.dll");
    EXPECT_EQ(TFFLoader::LibraryFileName(liAVFilter), L"avfilter-8.dll");
    EXPECT_EQ(TFFLoader::LibraryFileName(liSwResample), L"swresample-4.dll");
    EXPECT_EQ(TFFLoader::LibraryFileName(liMsvcrt), L"msvcrt.dll");
}

TEST_F(FFLoaderTest, FolderGoesOnPathOnceAndTheCurrentFolderIsKept)
{
    tvmtest::ScratchDir dir;
    tvmtest::CopyLibraries(dir.Path(), {"avutil-57.dll"});
    std::wstring current = WideGetCurrentDir();

    FFLoader().SetLibraryPath(AnsiToWide(ExcludeTrailingPathDelimiter(dir.Path())));
    ASSERT_TRUE(FFLoader().LoadLibraryByIndex(liAVUtil)) << FFLoader().LastErrorMessage();
    EXPECT_TRUE(AnsiSameText(tvmtest::LoadedFrom("avutil-57.dll"), dir.Path()));
    EXPECT_EQ(Path().rfind(dir.Path() + ";", 0), 0u) << Path();
    EXPECT_EQ(WideGetCurrentDir(), current);

    FFLoader().UnloadLibrary(liAVUtil);
    FFLoader().SetLibraryPath(AnsiToWide(AnsiUpperCase(dir.Path())));
    ASSERT_TRUE(FFLoader().LoadLibraryByIndex(liAVUtil));
    EXPECT_EQ(Occurrences(AnsiUpperCase(Path()), AnsiUpperCase(dir.Path())), 1) << Path();
}

TEST_F(FFLoaderTest, MissingFromTheFolderFallsBackToTheSystemSearch)
{
    tvmtest::ScratchDir empty;
    FFLoader().SetLibraryPath(AnsiToWide(empty.Path()));
    std::string path = Path();

    EXPECT_FALSE(FFLoader().LoadLibraryByIndex(liAVUtil));
    EXPECT_EQ(FFLoader().LastErrorMessage(),
              "Load library " + empty.Path() + "avutil-57.dll error: " + SysErrorMessage(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(Path(), path);

    // Found by bare name where the system looks.
    SetEnvironmentVariableA("PATH", (tvmtest::LibavDir() + ";" + path).c_str());
    EXPECT_TRUE(FFLoader().LoadLibraryByIndex(liAVUtil)) << FFLoader().LastErrorMessage();
    FFLoader().UnloadLibrary(liAVUtil);
    FFLoader().SetLibraryPath(L"");
    EXPECT_TRUE(FFLoader().LoadLibraryByIndex(liAVUtil)) << FFLoader().LastErrorMessage();
    EXPECT_TRUE(AnsiSameText(tvmtest::LoadedFrom("avutil-57.dll"), tvmtest::LibavDir()));
}

TEST_F(FFLoaderTest, LibraryLackingAnEntryPointIsNamedAndLeftUnloaded)
{
    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::TestsDir() + "fakelib"));

    EXPECT_FALSE(FFLoader().LoadLibraryByIndex(liSwScale));
    EXPECT_EQ(FFLoader().LastErrorMessage(),
              "Load function sws_scale@swscale-6.dll error: " + SysErrorMessage(ERROR_PROC_NOT_FOUND));
    EXPECT_FALSE(FFLoader().Loaded(liSwScale));
    EXPECT_EQ(GetModuleHandleA("swscale-6.dll"), nullptr);
    EXPECT_EQ(ff::sws_getContext, nullptr);
}

TEST_F(FFLoaderTest, FailedLoadKeepsWhatEarlierCallsLoaded)
{
    LoadFromLibav(LibraryBit(liAVUtil));

    // avformat is not in fakelib\ and comes by bare name from libav\ (on PATH
    // now); swscale there lacks an entry point.
    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::TestsDir() + "fakelib"));
    EXPECT_FALSE(FFLoader().LoadLibraries(LibraryBit(liAVFormat) | LibraryBit(liAVUtil) | LibraryBit(liSwScale)));

    EXPECT_EQ(FFLoader().LastErrorMessage().rfind("Load function sws_scale@swscale-6.dll error: ", 0), 0u);
    EXPECT_TRUE(FFLoader().Loaded(liAVUtil));
    EXPECT_NE(ff::av_malloc, nullptr);
    EXPECT_FALSE(FFLoader().Loaded(liAVFormat));
    EXPECT_EQ(ff::avformat_open_input, nullptr);
}

TEST_F(FFLoaderTest, DecoyRuntimeBesideTheLibrariesIsNotLoaded)
{
    tvmtest::ScratchDir dir;
    tvmtest::CopyLibraries(dir.Path(), {"avutil-57.dll"});
    std::string decoy = dir.Path() + "msvcrt.dll";
    ASSERT_TRUE(CopyFileA((tvmtest::TestsDir() + "fakelib\\swscale-6.dll").c_str(), decoy.c_str(), FALSE));
    FFLoader().SetLibraryPath(AnsiToWide(dir.Path()));
    std::string path = Path();

    // Loading from the folder would have put it on PATH.
    ASSERT_TRUE(FFLoader().LoadLibraryByIndex(liMsvcrt)) << FFLoader().LastErrorMessage();
    EXPECT_EQ(Path(), path);
    ASSERT_TRUE(FFLoader().LoadLibraries(LibraryBit(liMsvcrt) | LibraryBit(liAVUtil))) << FFLoader().LastErrorMessage();

    EXPECT_TRUE(FFLoader().Loaded(liMsvcrt));
    for (const std::string& module : ModulePaths()) EXPECT_FALSE(AnsiSameText(module, decoy));
}

TEST_F(FFLoaderTest, EmptySetIsAFaultOfTheCaller)
{
    EXPECT_THROW(FFLoader().LoadLibraries(0), EAssertionFailed);
    EXPECT_THROW(FFLoader().AllLoaded(0), EAssertionFailed);
    EXPECT_THROW(FFLoader().UnloadLibraries(0), EAssertionFailed);
}

// Run as a copy of this program in a folder of its own, beside a copy of
// avutil: a library missing from libav\ comes from the program's folder.
TEST_F(FFLoaderTest, ChildLoadsFromItsOwnFolder)
{
    if (WideGetEnv(L"TVM_LOADER_CHILD").empty()) GTEST_SKIP() << "runs in a child process only";
    FFLoader().SetLibraryPath(AnsiToWide(tvmtest::TestsDir() + "libav\\"));
    ASSERT_TRUE(FFLoader().LoadLibraryByIndex(liAVUtil)) << FFLoader().LastErrorMessage();
    EXPECT_TRUE(AnsiSameText(tvmtest::LoadedFrom("avutil-57.dll"), tvmtest::TestsDir()));
}

TEST_F(FFLoaderTest, LoadsFromTheExecutablesFolderWithoutLibav)
{
    tvmtest::ScratchDir dir;
    tvmtest::CopyLibraries(dir.Path(), {"avutil-57.dll"});
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string child = dir.Path() + "loader_child.exe";
    ASSERT_TRUE(CopyFileA(self, child.c_str(), FALSE));

    SetEnvironmentVariableA("TVM_LOADER_CHILD", "1");
    std::string commandLine = "\"" + child + "\" --gtest_filter=FFLoaderTest.ChildLoadsFromItsOwnFolder";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.Path().c_str(),
                                  &startup, &process);
    SetEnvironmentVariableA("TVM_LOADER_CHILD", nullptr);
    ASSERT_TRUE(started) << GetLastError();
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(exitCode, 0u);
}

TEST(InterruptCB, AnswersForTheCallingThreadOnly)
{
    static bool abort = true;
    TInterruptCheck check = [](void* owner) { return *static_cast<bool*>(owner); };
    DWORD self = GetCurrentThreadId();
    InterruptCB().Add(self, &abort, check);
    InterruptCB().Add(self, &abort, check);

    EXPECT_EQ(InterruptCallback(nullptr), 1);
    EXPECT_FALSE(InterruptCB().Check(self + 1));
    abort = false;
    EXPECT_EQ(InterruptCallback(nullptr), 0);

    abort = true;
    InterruptCB().Remove(self, &abort, check);
    EXPECT_FALSE(InterruptCB().Check(self)) << "a second Add made no second entry";
}
