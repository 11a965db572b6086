#include "TestSupport.h"

#include <windows.h>

#include <cstdio>
#include <stdexcept>

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

void WriteFile(const std::string& fileName, const Bytes& bytes)
{
    FILE* f = std::fopen(fileName.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + fileName);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

Bytes ReadFile(const std::string& fileName)
{
    Bytes bytes;
    FILE* f = std::fopen(fileName.c_str(), "rb");
    if (!f) return bytes;
    uint8_t buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

}
