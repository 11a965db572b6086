#include "sselect.h"

TfrmSelect* frmSelect = nullptr;

TfrmSelect::TfrmSelect(TComponent* owner) : TForm(owner)
{
    SetCaption("Select Files... | Tavelomatic Converter");
}
