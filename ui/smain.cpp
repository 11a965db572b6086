#include "smain.h"

TfrmMain* frmMain = nullptr;

TfrmMain::TfrmMain(TComponent* owner) : TForm(owner)
{
    SetCaption("Tavelomatic Studio");
}
