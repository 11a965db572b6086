#pragma once
#include <string>

bool CheckDirExists(const std::string& dir);
// Creates the folder with every missing parent; True when it exists afterwards.
bool CreateDirPath(const std::string& dir);
