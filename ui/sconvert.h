#pragma once
// The conversion progress window that runs the batch.
#include "Forms.h"

class TfrmConvert : public TForm {
public:
    explicit TfrmConvert(TComponent* owner);
    std::string ClassName() const override { return "TfrmConvert"; }
};

extern TfrmConvert* frmConvert;
