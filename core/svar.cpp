#include "svar.h"

std::string ProjectFilePath;
std::string RunAction;
bool NeedsRestart = false;
std::string FlashPlayerSource;
