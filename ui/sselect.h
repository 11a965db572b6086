#pragma once
// Picks the movies to add.
#include "Forms.h"

class TfrmSelect : public TForm {
public:
    explicit TfrmSelect(TComponent* owner);
    std::string ClassName() const override { return "TfrmSelect"; }
};

extern TfrmSelect* frmSelect;
