#include "scrop.h"

TfrmCrop* frmCrop = nullptr;

TfrmCrop::TfrmCrop(TComponent* owner) : TForm(owner)
{
    SetCaption("Crop... | Tavelomatic Converter");
}
