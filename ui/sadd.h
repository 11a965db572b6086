#pragma once
// Adds the picked movies as tasks, with progress.
#include "Forms.h"

class TfrmAdd : public TForm {
public:
    explicit TfrmAdd(TComponent* owner);
    std::string ClassName() const override { return "TfrmAdd"; }
};

extern TfrmAdd* frmAdd;
