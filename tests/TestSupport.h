#pragma once
#include <windows.h>

#include <string>

#include "Bytes.h"

namespace tvmtest {

// Folder of the test programs (build/tests), with a trailing backslash.
std::string TestsDir();
// Folder of the installed program (build/bin), with a trailing backslash.
std::string BinDir();
// Folder where tests leave files for the Linux-side checks, with a trailing backslash.
std::string OutputDir();

// Whole files in and out; WriteFile raises std::runtime_error when it cannot
// write, ReadFile answers nothing for a missing file.
void WriteFile(const std::string& fileName, const Bytes& bytes);
Bytes ReadFile(const std::string& fileName);

// An exported function of a loaded module, as the function type Fn (nullptr when missing).
template <typename Fn>
Fn Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}
