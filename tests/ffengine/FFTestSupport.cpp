#include "FFTestSupport.h"

#include "FFLoad.h"
#include "MyUtils.h"
#include "TestSupport.h"
#include "SysUtils.h"

namespace tvmtest {

std::string LibavDir()
{
    return BinDir() + "libav\\";
}

void CopyLibraries(const std::string& folder, std::initializer_list<const char*> names)
{
    for (const char* name : names)
        ASSERT_TRUE(CopyFileA((LibavDir() + name).c_str(), (folder + name).c_str(), FALSE)) << name;
}

std::string LoadedFrom(const char* module)
{
    HMODULE handle = GetModuleHandleA(module);
    if (!handle) return {};
    char path[MAX_PATH];
    std::string file(path, GetModuleFileNameA(handle, path, MAX_PATH));
    return file.substr(0, file.find_last_of('\\') + 1);
}

void FFLoaderTest::SetUp()
{
    path_ = WideGetEnv(L"PATH");
    currentDir_ = WideGetCurrentDir();
    FFLoader().UnloadLibraries(AllLibraries);
}

void FFLoaderTest::TearDown()
{
    FFLoader().UnloadLibraries(AllLibraries);
    FFLoader().SetLibraryPath(L"");
    RestorePath();
    WideSetCurrentDir(currentDir_);
}

void FFLoaderTest::RestorePath() const
{
    SetEnvironmentVariableW(L"PATH", path_.c_str());
}

void FFLoaderTest::LoadFromLibav(TLibrarySet set)
{
    FFLoader().SetLibraryPath(AnsiToWide(LibavDir()));
    ASSERT_TRUE(FFLoader().LoadLibraries(set)) << FFLoader().LastErrorMessage();
}

}
