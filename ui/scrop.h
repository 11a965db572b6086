#pragma once
// Crops the stage of a task's movie.
#include "Forms.h"

class TfrmCrop : public TForm {
public:
    explicit TfrmCrop(TComponent* owner);
    std::string ClassName() const override { return "TfrmCrop"; }
};

extern TfrmCrop* frmCrop;
