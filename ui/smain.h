#pragma once
// The main window: the task list, the preview and the project file.
#include "Forms.h"

class TfrmMain : public TForm {
public:
    explicit TfrmMain(TComponent* owner);
    std::string ClassName() const override { return "TfrmMain"; }
};

extern TfrmMain* frmMain;
