#pragma once
// Process-wide values the start-up sets and the windows read.
#include <string>

extern std::string ProjectFilePath;
extern std::string RunAction;
extern bool NeedsRestart;
// The program INI file's FlashPlayer/Source value.
extern std::string FlashPlayerSource;
