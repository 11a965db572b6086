#include "FileUtil.h"

#include "SysUtils.h"

bool CheckDirExists(const std::string& dir)
{
    return DirectoryExists(dir);
}

bool CreateDirPath(const std::string& dir)
{
    return ForceDirectories(dir);
}
