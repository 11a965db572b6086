#pragma once
// What the engine's tests share: the shipped libraries, folders to load them
// from, and a loader left as each test found it.
#include "FFLoad.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>
#include <string>

namespace tvmtest {

// build/bin/libav\, where the program's FFmpeg libraries are.
std::string LibavDir();
// Copies the named files from libav\ into Folder.
void CopyLibraries(const std::string& folder, std::initializer_list<const char*> names);
// The folder (with "\") of a loaded module, empty when it is not loaded.
std::string LoadedFrom(const char* module);

// Each test starts with nothing loaded and leaves the loader, PATH and the
// current folder as it found them.
class FFLoaderTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the set from libav\.
    void LoadFromLibav(TLibrarySet set);
    // PATH as it was before the test put a library folder on it.
    void RestorePath() const;

private:
    std::wstring path_;
    std::wstring currentDir_;
};

}
