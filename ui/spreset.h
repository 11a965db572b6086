#pragma once
// Saves the current output values as a preset of the user's.
#include "Forms.h"

class TfrmPreset : public TForm {
public:
    explicit TfrmPreset(TComponent* owner);
    std::string ClassName() const override { return "TfrmPreset"; }
};

extern TfrmPreset* frmPreset;
