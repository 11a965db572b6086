#pragma once
#include <string>

namespace tvmtest {

// Folder of the installed program (build/bin), with a trailing backslash.
std::string BinDir();
// Folder where tests leave files for the Linux-side checks, with a trailing backslash.
std::string OutputDir();

}
