#include "ssettings.h"

TfrmSettings* frmSettings = nullptr;

TfrmSettings::TfrmSettings(TComponent* owner) : TForm(owner)
{
    SetCaption("Settings... | Tavelomatic Converter");
}
