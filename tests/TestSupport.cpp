#include "TestSupport.h"

#include <windows.h>

namespace tvmtest {

// Test programs live in build/tests/; everything else is found from there.
std::string TestsDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string BinDir()
{
    std::string tests = TestsDir();
    std::string build = tests.substr(0, tests.find_last_of('\\', tests.size() - 2) + 1);
    return build + "bin\\";
}

std::string OutputDir()
{
    return TestsDir() + "output\\";
}

}
