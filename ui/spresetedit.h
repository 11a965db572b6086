#pragma once
// Created with the others; never shown.
#include "Forms.h"

class TfrmPresetEdit : public TForm {
public:
    explicit TfrmPresetEdit(TComponent* owner);
    std::string ClassName() const override { return "TfrmPresetEdit"; }
};

extern TfrmPresetEdit* frmPresetEdit;
