#include "sconvert.h"

TfrmConvert* frmConvert = nullptr;

TfrmConvert::TfrmConvert(TComponent* owner) : TForm(owner)
{
    SetCaption("Convert... | Tavelomatic Converter");
}
