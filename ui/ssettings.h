#pragma once
// The settings of one task and the preset files.
#include "Forms.h"

class TfrmSettings : public TForm {
public:
    explicit TfrmSettings(TComponent* owner);
    std::string ClassName() const override { return "TfrmSettings"; }
};

extern TfrmSettings* frmSettings;
