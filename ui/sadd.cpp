#include "sadd.h"

TfrmAdd* frmAdd = nullptr;

TfrmAdd::TfrmAdd(TComponent* owner) : TForm(owner)
{
    SetCaption("Adding Files... | Tavelomatic Converter");
}
