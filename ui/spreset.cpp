#include "spreset.h"

TfrmPreset* frmPreset = nullptr;

TfrmPreset::TfrmPreset(TComponent* owner) : TForm(owner)
{
    SetCaption("Save Preset... | Tavelomatic Converter");
}
