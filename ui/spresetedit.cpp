#include "spresetedit.h"

TfrmPresetEdit* frmPresetEdit = nullptr;

TfrmPresetEdit::TfrmPresetEdit(TComponent* owner) : TForm(owner)
{
    SetCaption("Edit Preset... | Tavelomatic Converter");
}
