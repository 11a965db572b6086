#include "GuiTestSupport.h"

#include <windows.h>

namespace tvmtest {
namespace {

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + name + "\\");
            else
                DeleteFileA((dir + name).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

}

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[MAX_PATH];
    GetTempFileNameA(temp, "tvm", 0, name);
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    path_ = std::string(name) + "\\";
}

ScratchDir::~ScratchDir()
{
    RemoveTree(path_);
}

}
