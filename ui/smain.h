#pragma once
// The main window: the task list, the preview and the project file.
#include <windows.h>

#include "Forms.h"

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* owner);
    std::string ClassName() const override { return "TfrmMain"; }
};

extern TfrmMain* frmMain;

// Runs before any window exists: reads the program INI file's
// FlashPlayer/Source ("internal" when empty, and written back when the file
// can be written) and, for "internal", hands the player module stored in
// Resources' BIN/FlashOCXCode to the loader; any other value leaves the
// system's registered player.
void InitializeMainWindowUnit(HINSTANCE resources);
